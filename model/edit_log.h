#pragma once
// The places a list's recent changes touched, so that a view of the list (a sorted grid)
// can follow a change by what it changed instead of reading the whole list again.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace cartera {

class EditLog {
  public:
    enum Kind : uint8_t { kInsert, kErase, kEdit };
    // One change: an element put in before place (or at the end), the one at place taken
    // out, or the one at place changed; place as the list was numbered just before it.
    struct Edit {
        uint32_t place;
        Kind kind;
    };
    // Where a reader stands in the log.
    struct Mark {
        uint64_t epoch = 0;
        size_t at = 0;
    };

    EditLog() = default;
    // A log moved away from, or replaced, starts over: its readers cannot follow the move.
    EditLog(EditLog&& other) noexcept { other.Reset(); }
    EditLog& operator=(EditLog&& other) noexcept {
        Reset();
        other.Reset();
        return *this;
    }
    EditLog(const EditLog&) = delete;
    EditLog& operator=(const EditLog&) = delete;

    void Inserted(size_t place) { Add(place, kInsert); }
    void Erased(size_t place) { Add(place, kErase); }
    // An element changed in place; a change of the same element since the last mark taken
    // and the last insert or erase is not written twice.
    void Edited(size_t place);
    // Everything may have changed: every reader starts over.
    void Reset();

    // The reader's new mark. Taking one ends the folding of repeated edits (see Edited).
    Mark Now() const;
    // The edits since mark, in order; false when they are not known any longer (a reset, or
    // more than the log keeps: the oldest are forgotten first).
    bool Since(Mark mark, const Edit** first, size_t* count) const;

  private:
    // Edits kept at most: a reader that has fallen this far behind reads the list again. When
    // the log is full the older half is forgotten.
    static constexpr size_t kMaxEdits = size_t{1} << 16;
    static uint64_t NextEpoch() {
        static std::atomic<uint64_t> epochs{0};
        return ++epochs;
    }
    void Add(size_t place, Kind kind);

    uint64_t m_epoch = NextEpoch();
    std::vector<Edit> m_edits;
    size_t m_forgotten = 0;  // edits since the epoch began that are no longer kept
    mutable std::unordered_set<uint32_t> m_folded;  // places edited since the last mark
};

}  // namespace cartera
