#include "model/trade_list.h"

#include <algorithm>
#include <bit>
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
    m_moved = std::move(other.m_moved);
    m_size = std::exchange(other.m_size, 0);
    m_profits = std::exchange(other.m_profits, {});
    m_exchange = std::exchange(other.m_exchange, {});
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

void TradeList::clear() {
    m_edits.Reset();
    m_chunks.clear();
    m_starts.clear();
    m_moved.clear();
    m_size = 0;
    m_profits = m_exchange = m_guarantees = m_invested = {};
}

// In the portfolio's currency: a trade in it counts its own figures, to the bit.
void TradeList::Count(const CNegocioC& t) {
    m_profits.Add(cartera::TradeBaseResult(t));
    if (const double fx = cartera::TradeExchangePart(t); fx != 0.0) m_exchange.Add(fx);
    m_guarantees.Add(t.guarantee * t.entryRate);
    m_invested.Add(t.guarantee * t.entryRate);
    m_invested.Add((t.entryPrice + t.entryCommission) * t.contracts.ToDouble() * t.entryRate);
}

void TradeList::Take(const CNegocioC& t) {
    m_profits.Sub(cartera::TradeBaseResult(t));
    if (const double fx = cartera::TradeExchangePart(t); fx != 0.0) m_exchange.Sub(fx);
    m_guarantees.Sub(t.guarantee * t.entryRate);
    m_invested.Sub(t.guarantee * t.entryRate);
    m_invested.Sub((t.entryPrice + t.entryCommission) * t.contracts.ToDouble() * t.entryRate);
}

void TradeList::push_back(CNegocioC t) {
    m_edits.Inserted(m_size);
    Count(t);
    if (m_chunks.empty() || m_chunks.back().size() >= kFilled) {
        m_starts.push_back(m_size);
        m_chunks.push_back(NewChunk());
        m_moved.push_back(0);
    }
    t.entryPosition -= m_moved.back();
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
        m_moved.insert(m_moved.begin() + static_cast<long>(c) + 1, m_moved[c]);
        if (k >= kChunk / 2) {
            ++c;
            k -= kChunk / 2;
        }
    }
    Chunk& chunk = m_chunks[c];
    t.entryPosition -= m_moved[c];
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
        m_moved.erase(m_moved.begin() + static_cast<long>(c));
    }
}

template <class Below>
size_t TradeList::FirstChunkNotBelow(Below below) const {
    size_t lo = 0, hi = m_chunks.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (below(Entry(mid, m_chunks[mid].size() - 1)))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

template <class Below>
size_t TradeList::Partition(Below below) const {
    const size_t c = FirstChunkNotBelow(below);
    if (c == m_chunks.size()) return m_size;
    const Chunk& chunk = m_chunks[c];
    const uint32_t moved = m_moved[c];
    auto at = std::partition_point(chunk.begin(), chunk.end(), [&](const CNegocioC& t) {
        return below(t.entryPosition + moved);
    });
    return m_starts[c] + static_cast<size_t>(at - chunk.begin());
}

size_t TradeList::LowerBoundEntry(uint32_t place) const {
    return Partition([place](uint32_t entry) { return entry < place; });
}

size_t TradeList::UpperBoundEntry(uint32_t place) const {
    return Partition([place](uint32_t entry) { return entry <= place; });
}

uint32_t TradeList::EntryAt(size_t i) const {
    auto [c, k] = Locate(i);
    return Entry(c, k);
}

void TradeList::Settle(size_t c) {
    if (m_moved[c] == 0) return;
    for (CNegocioC& t : m_chunks[c]) t.entryPosition += m_moved[c];
    m_moved[c] = 0;
}

size_t TradeList::LowerBoundEntryFrom(uint32_t place, size_t from) const {
    if (from >= m_size) return m_size;
    auto [c, k] = Locate(from);
    for (; c < m_chunks.size() && Entry(c, m_chunks[c].size() - 1) < place; ++c) k = 0;
    if (c == m_chunks.size()) return m_size;
    // Galloping up from k: the place sought is most often a little way on.
    const Chunk& chunk = m_chunks[c];
    size_t lo = k, hi = chunk.size() - 1;  // the chunk's last is not below place
    for (size_t step = 1; k + step < chunk.size(); step *= 2) {
        if (Entry(c, k + step - 1) >= place) {
            hi = k + step - 1;
            break;
        }
        lo = k + step;
    }
    const uint32_t moved = m_moved[c];
    auto at = std::partition_point(
        chunk.begin() + static_cast<long>(lo), chunk.begin() + static_cast<long>(hi),
        [&](const CNegocioC& t) { return t.entryPosition + moved < place; });
    return m_starts[c] + static_cast<size_t>(at - chunk.begin());
}

void TradeList::MoveEntries(uint32_t from, int delta) {
    // The chunks wholly before from keep their entries; the one from falls in is rewritten,
    // the ones after only note the move.
    size_t c = FirstChunkNotBelow([from](uint32_t entry) { return entry < from; });
    const auto by = static_cast<uint32_t>(delta);  // wraps: adding it subtracts a negative delta
    if (c < m_chunks.size() && Entry(c, 0) < from) {
        Settle(c);
        for (CNegocioC& t : m_chunks[c]) t.entryPosition += t.entryPosition >= from ? by : 0;
        ++c;
    }
    for (; c < m_chunks.size(); ++c) m_moved[c] += by;
}

void TradeList::ReplaceAtEntries(const std::vector<uint32_t>& places,
                                 const std::vector<CNegocioC>& fresh, SameFn same) {
    size_t f = 0, at = 0;
    for (const uint32_t place : places) {
        at = LowerBoundEntryFrom(place, at);
        size_t old = 0;
        while (at + old < m_size && EntryAt(at + old) == place) ++old;
        const size_t from = f;
        while (f < fresh.size() && fresh[f].entryPosition == place) ++f;
        const size_t now = f - from;
        for (size_t i = 0; i < std::min(old, now); ++i) {
            const CNegocioC& t = fresh[from + i];
            CNegocioC kept = (*this)[at + i];
            kept.entryPosition = place;
            if (!same(kept, t)) Edit(at + i, [&](CNegocioC& e) { e = t; });
        }
        for (size_t i = old; i < now; ++i) Insert(at + i, fresh[from + i]);
        for (size_t i = old; i > now; --i) Erase(at + i - 1);
    }
}

namespace cartera {

bool SameTrade(const CNegocioC& a, const CNegocioC& b) {
    // A field added to the trade must be compared here too.
    static_assert(sizeof(CNegocioC) == 192);
    auto same = [](double x, double y) {
        return std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(y);
    };
    return a.id == b.id && same(a.entryPrice, b.entryPrice) && same(a.exitPrice, b.exitPrice) &&
           same(a.profit, b.profit) && same(a.percentage, b.percentage) &&
           same(a.entryCommission, b.entryCommission) && same(a.exitCommission, b.exitCommission) &&
           same(a.pointValue, b.pointValue) && same(a.guarantee, b.guarantee) &&
           a.entryDate == b.entryDate && a.entryTime == b.entryTime && a.exitDate == b.exitDate &&
           a.exitTime == b.exitTime && a.contracts == b.contracts && a.remainder == b.remainder &&
           a.daysHeld == b.daysHeld && a.entryStoredWord == b.entryStoredWord &&
           a.exitStoredWord == b.exitStoredWord && a.entryCarriedWord == b.entryCarriedWord &&
           a.entryText == b.entryText && a.exitText == b.exitText && a.quoteCode == b.quoteCode &&
           a.entryGroup == b.entryGroup && a.exitGroup == b.exitGroup && a.symbol == b.symbol &&
           a.entryPosition == b.entryPosition && a.isLong == b.isLong &&
           a.entryInstrument == b.entryInstrument && a.exitClosing == b.exitClosing &&
           a.decimals == b.decimals && a.exitInstrument == b.exitInstrument &&
           a.revalue == b.revalue && same(a.entryRate, b.entryRate) &&
           same(a.exitRate, b.exitRate) && a.currency == b.currency;
}

}  // namespace cartera
