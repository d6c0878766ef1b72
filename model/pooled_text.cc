#include "model/pooled_text.h"

#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <unordered_map>

namespace {

// Texts live in fixed-size blocks that never move, so a handle is turned into its text
// without a lock, and the index's keys can view the texts they name.
constexpr uint32_t kBlockBits = 12;
constexpr uint32_t kBlockSize = 1u << kBlockBits;
constexpr uint32_t kMaxBlocks = 1u << 16;

struct Pool {
    std::mutex mutex;
    std::unordered_map<std::string_view, uint32_t> index;
    std::unique_ptr<std::string[]> blocks[kMaxBlocks];
    uint32_t count = 1;  // handle 0 is the empty text

    Pool() { blocks[0] = std::make_unique<std::string[]>(kBlockSize); }
};

// Never destroyed: records in static storage may be read while the process ends.
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

}  // namespace

uint32_t PooledText::Intern(std::string_view text) {
    if (text.empty()) return 0;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (auto it = pool.index.find(text); it != pool.index.end()) return it->second;
    uint32_t id = pool.count;
    auto& block = pool.blocks[id >> kBlockBits];
    if (!block) {
        if ((id >> kBlockBits) + 1 >= kMaxBlocks) throw std::length_error("text pool is full");
        block = std::make_unique<std::string[]>(kBlockSize);
    }
    std::string& slot = block[id & (kBlockSize - 1)];
    slot.assign(text);
    pool.index.emplace(std::string_view(slot), id);
    ++pool.count;
    return id;
}

const std::string& PooledText::Lookup(uint32_t id) {
    return ThePool().blocks[id >> kBlockBits][id & (kBlockSize - 1)];
}

size_t PooledText::PoolSize() {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> lock(pool.mutex);
    return pool.count - 1;
}

std::string operator+(PooledText a, std::string_view b) {
    std::string s(a.str());
    s.append(b);
    return s;
}

std::string operator+(std::string_view a, PooledText b) {
    std::string s(a);
    s.append(b.str());
    return s;
}

std::ostream& operator<<(std::ostream& os, PooledText t) { return os << t.str(); }
