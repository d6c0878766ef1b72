#pragma once
// The ledger's closed or open trades: a sequence read like an array, kept in chunks so that
// a trade put in or taken out in the middle moves one chunk, not every trade after it, and
// with the sums the totals need kept exactly as trades come and go. A trade's entry place is
// read with EntryAt: a chunk holds its trades' places less the places its entries have moved
// since (a movement taken out of the journal moves every later entry, and only the chunk
// where it was is rewritten), so entryPosition read through [] or the iterators may be old.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <memory_resource>
#include <utility>
#include <vector>

#include "model/edit_log.h"
#include "model/exact_total.h"
#include "model/trade.h"

class TradeList {
    using Chunk = std::pmr::vector<CNegocioC>;

  public:
    TradeList();
    TradeList(TradeList&&) noexcept;
    TradeList& operator=(TradeList&&) noexcept;
    TradeList(const TradeList&) = delete;
    TradeList& operator=(const TradeList&) = delete;
    ~TradeList();

    class const_iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CNegocioC;
        using difference_type = std::ptrdiff_t;
        using pointer = const CNegocioC*;
        using reference = const CNegocioC&;
        const_iterator() = default;
        reference operator*() const { return (*m_chunks)[m_chunk][m_at]; }
        pointer operator->() const { return &**this; }
        const_iterator& operator++() {
            if (++m_at == (*m_chunks)[m_chunk].size()) {
                ++m_chunk;
                m_at = 0;
            }
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++*this;
            return was;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.m_chunk == b.m_chunk && a.m_at == b.m_at;
        }

      private:
        friend class TradeList;
        const_iterator(const std::vector<Chunk>* chunks, size_t chunk)
            : m_chunks(chunks), m_chunk(chunk) {}
        const std::vector<Chunk>* m_chunks = nullptr;
        size_t m_chunk = 0, m_at = 0;
    };

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const CNegocioC& operator[](size_t i) const;
    const CNegocioC& at(size_t i) const;  // throws std::out_of_range past the end
    const CNegocioC& front() const { return m_chunks.front().front(); }
    const CNegocioC& back() const { return m_chunks.back().back(); }
    const_iterator begin() const { return {&m_chunks, 0}; }
    const_iterator end() const { return {&m_chunks, m_chunks.size()}; }
    std::vector<CNegocioC> ToVector() const { return {begin(), end()}; }

    // The exact sums, in the portfolio's currency, of the trades' results, of their exchange
    // parts, of their guarantees, and of their guarantees plus (entry price + entry
    // commission) x contracts at the entry rate, each rounded once.
    double ProfitSum() const { return m_profits.Value(); }
    double ExchangeSum() const { return m_exchange.Value(); }
    double GuaranteeSum() const { return m_guarantees.Value(); }
    double InvestedSum() const { return m_invested.Value(); }
    // The places the changes since a reader's mark touched (entry places left out: no view
    // shows them).
    const cartera::EditLog& Edits() const { return m_edits; }

    void clear();
    void push_back(CNegocioC t);
    void Insert(size_t i, CNegocioC t);  // before the trade at i (at the end when i is size())
    void Erase(size_t i);
    // The entry place of the trade at i.
    uint32_t EntryAt(size_t i) const;

    // Changes the trade at i through edit(trade&), keeping the sums; edit sees the trade's
    // entry place and keeps it.
    template <class F>
    void Edit(size_t i, F&& edit) {
        auto [c, k] = Locate(i);
        CNegocioC& t = m_chunks[c][k];
        const uint32_t entry = t.entryPosition + m_moved[c];
        m_edits.Edited(i);
        Take(t);
        t.entryPosition = entry;
        edit(t);
        t.entryPosition = entry - m_moved[c];
        Count(t);
    }
    // Changes every trade through edit(trade&) in order, then sums them afresh.
    template <class F>
    void EditAll(F&& edit) {
        m_edits.Reset();
        m_profits = m_exchange = m_guarantees = m_invested = {};
        for (size_t c = 0; c < m_chunks.size(); ++c) {
            Settle(c);
            for (CNegocioC& t : m_chunks[c]) {
                edit(t);
                Count(t);
            }
        }
    }
    // Edits the trades whose entries are at the given places (count of them, placeOf(k)
    // ascending) through edit(trade&, k), keeping the sums: one walk along the list.
    template <class PlaceOf, class F>
    void EditAtEntries(size_t count, PlaceOf placeOf, F&& edit) {
        size_t c = 0, from = 0;
        for (size_t k = 0; k < count; ++k) {
            const uint32_t place = placeOf(k);
            for (; c < m_chunks.size() && Entry(c, m_chunks[c].size() - 1) < place; ++c) from = 0;
            if (c == m_chunks.size()) return;
            Chunk& chunk = m_chunks[c];
            const uint32_t stored = place - m_moved[c];
            auto at = std::partition_point(
                chunk.begin() + static_cast<long>(from), chunk.end(),
                [stored](const CNegocioC& t) { return t.entryPosition < stored; });
            from = static_cast<size_t>(at - chunk.begin());
            if (at->entryPosition != stored) continue;  // the chunk's last is not below place
            m_edits.Edited(m_starts[c] + static_cast<size_t>(at - chunk.begin()));
            Take(*at);
            at->entryPosition = place;
            edit(*at, k);
            at->entryPosition = stored;
            Count(*at);
        }
    }
    // Makes the trades whose entries are at places (ascending) those of fresh (in journal
    // order of their entries, every entry among places): a trade the same as the one it
    // replaces is left alone, one that differs is edited in place, and only the difference
    // in number is put in or taken out. A change of one security costs what it changed.
    // same tells a trade that need not be replaced.
    using SameFn = bool (*)(const CNegocioC& kept, const CNegocioC& fresh);
    void ReplaceAtEntries(const std::vector<uint32_t>& places, const std::vector<CNegocioC>& fresh,
                          SameFn same = cartera::SameTrade);
    // The entries of trades from place from on move by delta places (movements were taken out
    // of or put into the journal before them).
    void MoveEntries(uint32_t from, int delta);

    // The lists the ledger keeps are in journal order of their entries: the first trade whose
    // entry comes at or after place, and the first whose entry comes after it.
    size_t LowerBoundEntry(uint32_t place) const;
    size_t UpperBoundEntry(uint32_t place) const;
    // LowerBoundEntry(place) found from a trade at from that does not come after it.
    size_t LowerBoundEntryFrom(uint32_t place, size_t from) const;

  private:
    // Every chunk has room for kChunk trades, and is split in halves when a trade must go
    // into a full one; trades added at the end leave some room in each for those put in later.
    static constexpr size_t kChunk = 2048;
    static constexpr size_t kFilled = kChunk - kChunk / 16;
    Chunk NewChunk();
    std::pair<size_t, size_t> Locate(size_t i) const;  // chunk and place in it
    uint32_t Entry(size_t c, size_t k) const { return m_chunks[c][k].entryPosition + m_moved[c]; }
    // Writes chunk c's trades' entry places as they are, so that it has moved by nothing.
    void Settle(size_t c);
    // The first chunk whose last entry is not below(entry), and the first trade whose entry
    // is not; below is true for a leading run.
    template <class Below>
    size_t FirstChunkNotBelow(Below below) const;
    template <class Below>
    size_t Partition(Below below) const;
    void Count(const CNegocioC& t);
    void Take(const CNegocioC& t);

    // The chunks' memory, in large pages taken a few megabytes at a time: a list of a million
    // trades faults its memory in 2 MB at a time, as one large array would.
    std::unique_ptr<std::pmr::memory_resource> m_pool;
    std::vector<Chunk> m_chunks;   // none empty
    std::vector<size_t> m_starts;  // the first trade of each chunk
    // How far each chunk's entries have moved since written: a trade's entry place is its
    // entryPosition plus its chunk's (wrapping, for moves back).
    std::vector<uint32_t> m_moved;
    size_t m_size = 0;
    cartera::ExactTotal m_profits, m_exchange, m_guarantees, m_invested;
    cartera::EditLog m_edits;
};
