#include "model/journal.h"

#include <algorithm>
#include <unordered_set>

namespace cartera {

void Journal::PassId(uint64_t id) {
    if (id != kNoId && id <= UINT32_MAX) m_lastId = std::max(m_lastId, static_cast<uint32_t>(id));
}

void Journal::BuildIndex() const {
    if (m_indexValid) return;
    m_idIndex.clear();
    m_idIndex.reserve(m_orders.size());
    for (uint32_t i = 0; i < m_orders.size(); ++i) m_idIndex.emplace(m_orders[i].id, i);
    m_indexValid = true;
}

size_t Journal::Find(uint64_t id) const {
    if (m_idsAscending < 0) {
        m_idsAscending = static_cast<int8_t>(std::is_sorted(
            m_orders.begin(), m_orders.end(),
            [](const COrderCartera& a, const COrderCartera& b) { return a.id < b.id; }));
    }
    if (m_idsAscending) {  // the first movement with the id, without an index
        auto it = std::lower_bound(m_orders.begin(), m_orders.end(), id,
                                   [](const COrderCartera& m, uint64_t v) { return m.id < v; });
        return it != m_orders.end() && it->id == id ? static_cast<size_t>(it - m_orders.begin())
                                                    : SIZE_MAX;
    }
    BuildIndex();
    auto it = m_idIndex.find(id);
    return it == m_idIndex.end() ? SIZE_MAX : it->second;
}

void Journal::NoteAppended() {
    const size_t place = m_orders.size() - 1;
    if (m_idsAscending > 0 && place > 0 && m_orders[place].id < m_orders[place - 1].id)
        m_idsAscending = 0;
    if (m_indexValid) m_idIndex.emplace(m_orders[place].id, place);
}

void Journal::Append(const COrderCartera& m) {
    m_edits.Inserted(m_orders.size());
    m_orders.push_back(m);
    NoteAppended();
}

void Journal::Insert(size_t place, const COrderCartera& m) {
    if (place >= m_orders.size()) return Append(m);
    const uint64_t id = m.id;
    m_orders.insert(m_orders.begin() + static_cast<long>(place), m);
    m_edits.Inserted(place);
    // Ids that go up along the journal still do when the movement fits between its
    // neighbours, as the undo of a delete puts it back; else look-ups learn the order anew.
    const bool fits = m_idsAscending > 0 && (place == 0 || m_orders[place - 1].id < id) &&
                      m_orders[place + 1].id > id;
    if (fits)
        m_indexValid = false;
    else
        Invalidate();
}

void Journal::Erase(size_t place) {
    const uint64_t id = m_orders[place].id;
    m_orders.erase(m_orders.begin() + static_cast<long>(place));
    m_edits.Erased(place);
    // Ascending ids stay ascending and need no index; else the index follows the places
    // that moved back, and the id leads to its next copy, if any.
    if (m_idsAscending > 0) {
        m_indexValid = false;
    } else if (m_indexValid) {
        auto it = m_idIndex.find(id);
        const bool first = it != m_idIndex.end() && it->second == place;
        if (first) m_idIndex.erase(it);
        for (auto& [key, at] : m_idIndex)
            if (at > place) --at;
        if (!first) return;  // a later copy went: the id still leads to its first
        for (size_t j = place; j < m_orders.size(); ++j) {
            if (m_orders[j].id == id) {
                m_idIndex.emplace(id, static_cast<uint32_t>(j));
                break;
            }
        }
    }
}

void Journal::Modify(size_t place, const COrderCartera& m) {
    if (m_orders[place].id != m.id) Invalidate();
    m_orders[place] = m;
    m_edits.Edited(place);
}

void Journal::RemoveIds(const std::vector<uint64_t>& ids,
                        const std::function<void(size_t, const COrderCartera&)>& gone) {
    std::unordered_set<uint64_t> wanted(ids.begin(), ids.end());
    size_t kept = 0;
    for (size_t i = 0; i < m_orders.size(); ++i) {
        COrderCartera& m = m_orders[i];
        if (wanted.erase(m.id)) {  // the first movement with the id goes
            gone(i, m);
            m_edits.Erased(kept);  // the ones before it are gone already
            continue;
        }
        if (kept != i) m_orders[kept] = m;
        ++kept;
    }
    m_orders.resize(kept);
    m_indexValid = false;  // ascending ids stay ascending
}

void Journal::Reset(CArrayOrders orders) {
    m_orders = std::move(orders);
    m_edits.Reset();
    Invalidate();
}

CArrayOrders& Journal::TakeBatch(CArrayOrders batch) {
    Reset(std::move(batch));
    return m_orders;
}

}  // namespace cartera
