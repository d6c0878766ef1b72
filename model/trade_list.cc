#include "model/trade_list.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

#include "host/memory.h"

namespace {

// Blocks of one size (a full chunk's) carved from slabs of whole 2 MB pages, advised to be
// backed by large pages; slabs grow from 2 MB to 32 MB as the list does, and blocks given
// back are given out again. Other sizes come from the heap.
class ChunkPool : public std::pmr::memory_resource {
  public:
    explicit ChunkPool(size_t block) : m_block(block) {}

  private:
    static constexpr size_t kLarge = size_t{2} << 20;
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };

    void* do_allocate(size_t bytes, size_t align) override {
        if (bytes != m_block) return std::pmr::new_delete_resource()->allocate(bytes, align);
        if (m_free.empty()) Grow();
        void* p = m_free.back();
        m_free.pop_back();
        return p;
    }
    void do_deallocate(void* p, size_t bytes, size_t align) override {
        if (bytes != m_block) return std::pmr::new_delete_resource()->deallocate(p, bytes, align);
        m_free.push_back(p);
    }
    bool do_is_equal(const memory_resource& other) const noexcept override {
        return this == &other;
    }
    void Grow() {
        const size_t wanted = std::max(kLarge << std::min<size_t>(m_slabs.size(), 4), m_block);
        const size_t bytes = (wanted + kLarge - 1) / kLarge * kLarge;
        auto* slab = static_cast<std::byte*>(std::aligned_alloc(kLarge, bytes));
        if (!slab) throw std::bad_alloc();
        m_slabs.emplace_back(slab);
        cartera::AdviseLargePages(slab, bytes);
        for (size_t at = 0; at + m_block <= bytes; at += m_block) m_free.push_back(slab + at);
    }

    size_t m_block;
    std::vector<void*> m_free;
    std::vector<std::unique_ptr<std::byte, Free>> m_slabs;
};

}  // namespace

TradeList::TradeList() = default;
TradeList::TradeList(TradeList&&) noexcept = default;

// The chunks go before the pool that holds their memory.
TradeList& TradeList::operator=(TradeList&& other) noexcept {
    if (this == &other) return *this;
    m_chunks.clear();
    m_chunks = std::move(other.m_chunks);
    m_pool = std::move(other.m_pool);
    m_starts = std::move(other.m_starts);
    m_size = std::exchange(other.m_size, 0);
    m_profits = std::exchange(other.m_profits, {});
    m_guarantees = std::exchange(other.m_guarantees, {});
    m_invested = std::exchange(other.m_invested, {});
    m_edits = std::move(other.m_edits);
    return *this;
}

TradeList::~TradeList() { m_chunks.clear(); }

TradeList::Chunk TradeList::NewChunk() {
    if (!m_pool) m_pool = std::make_unique<ChunkPool>(kChunk * sizeof(CNegocioC));
    Chunk chunk(m_pool.get());
    chunk.reserve(kChunk);
    return chunk;
}

std::pair<size_t, size_t> TradeList::Locate(size_t i) const {
    const size_t c = static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), i) -
                                         m_starts.begin()) -
                     1;
    return {c, i - m_starts[c]};
}

const CNegocioC& TradeList::operator[](size_t i) const {
    auto [c, k] = Locate(i);
    return m_chunks[c][k];
}

const CNegocioC& TradeList::at(size_t i) const {
    if (i >= m_size) throw std::out_of_range("TradeList::at");
    return (*this)[i];
}

CNegocioC& TradeList::Mutable(size_t i) {
    auto [c, k] = Locate(i);
    return m_chunks[c][k];
}

void TradeList::clear() {
    m_edits.Reset();
    m_chunks.clear();
    m_starts.clear();
    m_size = 0;
    m_profits = m_guarantees = m_invested = {};
}

void TradeList::Count(const CNegocioC& t) {
    m_profits.Add(t.profit);
    m_guarantees.Add(t.guarantee);
    m_invested.Add(t.guarantee);
    m_invested.Add((t.entryPrice + t.entryCommission) * t.contracts);
}

void TradeList::Take(const CNegocioC& t) {
    m_profits.Sub(t.profit);
    m_guarantees.Sub(t.guarantee);
    m_invested.Sub(t.guarantee);
    m_invested.Sub((t.entryPrice + t.entryCommission) * t.contracts);
}

void TradeList::push_back(CNegocioC t) {
    m_edits.Inserted(m_size);
    Count(t);
    if (m_chunks.empty() || m_chunks.back().size() >= kFilled) {
        m_starts.push_back(m_size);
        m_chunks.push_back(NewChunk());
    }
    m_chunks.back().push_back(t);
    ++m_size;
}

void TradeList::Insert(size_t i, CNegocioC t) {
    if (i >= m_size) {
        push_back(t);
        return;
    }
    Count(t);
    m_edits.Inserted(i);
    auto [c, k] = Locate(i);
    if (m_chunks[c].size() == kChunk) {  // the back half becomes a chunk of its own
        Chunk half = NewChunk();
        half.insert(half.end(), std::make_move_iterator(m_chunks[c].begin() + kChunk / 2),
                    std::make_move_iterator(m_chunks[c].end()));
        m_chunks[c].resize(kChunk / 2);
        m_chunks.insert(m_chunks.begin() + static_cast<long>(c) + 1, std::move(half));
        m_starts.insert(m_starts.begin() + static_cast<long>(c) + 1, m_starts[c] + kChunk / 2);
        if (k >= kChunk / 2) {
            ++c;
            k -= kChunk / 2;
        }
    }
    Chunk& chunk = m_chunks[c];
    chunk.insert(chunk.begin() + static_cast<long>(k), t);
    ++m_size;
    for (size_t d = c + 1; d < m_starts.size(); ++d) ++m_starts[d];
}

void TradeList::Erase(size_t i) {
    m_edits.Erased(i);
    auto [c, k] = Locate(i);
    Chunk& chunk = m_chunks[c];
    Take(chunk[k]);
    chunk.erase(chunk.begin() + static_cast<long>(k));
    --m_size;
    for (size_t d = c + 1; d < m_starts.size(); ++d) --m_starts[d];
    if (chunk.empty()) {
        m_chunks.erase(m_chunks.begin() + static_cast<long>(c));
        m_starts.erase(m_starts.begin() + static_cast<long>(c));
    }
}

// The first trade for which below(trade) is false; below is true for a leading run.
template <class Below>
size_t TradeList::Partition(Below below) const {
    // The first chunk whose last trade is not below, then the place in it.
    auto chunk = std::partition_point(m_chunks.begin(), m_chunks.end(),
                                      [&](const Chunk& c) { return below(c.back()); });
    if (chunk == m_chunks.end()) return m_size;
    const size_t c = static_cast<size_t>(chunk - m_chunks.begin());
    return m_starts[c] +
           static_cast<size_t>(std::partition_point(chunk->begin(), chunk->end(), below) -
                               chunk->begin());
}

size_t TradeList::LowerBoundEntry(uint32_t place) const {
    return Partition([place](const CNegocioC& t) { return t.entryPosition < place; });
}

size_t TradeList::UpperBoundEntry(uint32_t place) const {
    return Partition([place](const CNegocioC& t) { return t.entryPosition <= place; });
}

void TradeList::MoveEntriesBack(uint32_t deleted) {
    for (auto& chunk : m_chunks)
        for (CNegocioC& t : chunk)
            if (t.entryPosition > deleted) --t.entryPosition;
}
