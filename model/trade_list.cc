#include "model/trade_list.h"

#include <algorithm>
#include <stdexcept>

std::pair<size_t, size_t> TradeList::Locate(size_t i) const {
    const size_t c =
        static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), i) -
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
    Count(t);
    if (m_chunks.empty() || m_chunks.back().size() >= kChunk) {
        m_starts.push_back(m_size);
        m_chunks.emplace_back().reserve(kChunk);
    }
    m_chunks.back().push_back(std::move(t));
    ++m_size;
}

void TradeList::Insert(size_t i, CNegocioC t) {
    if (i >= m_size) {
        push_back(std::move(t));
        return;
    }
    Count(t);
    auto [c, k] = Locate(i);
    std::vector<CNegocioC>& chunk = m_chunks[c];
    chunk.insert(chunk.begin() + static_cast<long>(k), std::move(t));
    ++m_size;
    for (size_t d = c + 1; d < m_starts.size(); ++d) ++m_starts[d];
    if (chunk.size() >= 2 * kChunk) {  // the back half becomes a chunk of its own
        std::vector<CNegocioC> half(std::make_move_iterator(chunk.begin() + kChunk),
                                    std::make_move_iterator(chunk.end()));
        chunk.resize(kChunk);
        m_chunks.insert(m_chunks.begin() + static_cast<long>(c) + 1, std::move(half));
        m_starts.insert(m_starts.begin() + static_cast<long>(c) + 1, m_starts[c] + kChunk);
    }
}

void TradeList::Erase(size_t i) {
    auto [c, k] = Locate(i);
    std::vector<CNegocioC>& chunk = m_chunks[c];
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
                                      [&](const std::vector<CNegocioC>& c) { return below(c.back()); });
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
