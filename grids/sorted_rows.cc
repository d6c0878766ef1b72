#include "grids/sorted_rows.h"

#include <algorithm>
#include <utility>

namespace cartera {

void SortedRows::Keep(const By& by, std::vector<int> order, const EditLog* edits) {
    m_valid = edits != nullptr;
    m_by = by;
    m_order = m_valid ? std::move(order) : std::vector<int>();
    if (m_valid) m_mark = edits->Now();
}

const std::vector<int>* SortedRows::Follow(const By& by, const EditLog* edits, size_t count,
                                           const CellKeyReader& key) {
    auto drop = [this]() -> const std::vector<int>* {
        m_valid = false;
        m_order = std::vector<int>();
        return nullptr;
    };
    const EditLog::Edit* first = nullptr;
    size_t n = 0;
    if (!m_valid || !(by == m_by) || !edits || !edits->Since(m_mark, &first, &n)) return drop();
    std::vector<uint32_t> fresh, dropped;
    if (!Translate(first, n, &fresh, &dropped) ||
        m_order.size() - dropped.size() + fresh.size() != count)
        return drop();
    // Beyond an eighth of the rows new, sorting them all costs about the same.
    if (fresh.size() > 64 && fresh.size() * 8 > count) return drop();
    std::vector<Fresh> keys(fresh.size());
    for (size_t i = 0; i < fresh.size(); ++i) {
        keys[i].record = fresh[i];
        if (!key(fresh[i], &keys[i].key)) return drop();
    }
    std::sort(keys.begin(), keys.end(), [this](const Fresh& a, const Fresh& b) {
        return Less(a.key, a.record, b.key, b.record);
    });
    Compact(fresh, dropped);
    if (!Merge(keys, key)) return drop();
    m_mark = edits->Now();
    return &m_order;
}

// The edits replayed on two short lists: the places now holding records put in or changed,
// and the old records taken out or changed. The j-th record kept in place is the j-th old
// record not dropped and sits at the j-th place not fresh.
bool SortedRows::Translate(const EditLog::Edit* edits, size_t count, std::vector<uint32_t>* fresh,
                           std::vector<uint32_t>* dropped) const {
    size_t size = m_order.size();
    auto dropOldAt = [&](uint32_t place) {
        auto fresher = std::lower_bound(fresh->begin(), fresh->end(), place) - fresh->begin();
        uint32_t old = place - static_cast<uint32_t>(fresher);
        for (uint32_t d : *dropped) {
            if (d > old) break;
            ++old;
        }
        dropped->insert(std::upper_bound(dropped->begin(), dropped->end(), old), old);
    };
    for (size_t e = 0; e < count; ++e) {
        const uint32_t place = edits[e].place;
        auto at = std::lower_bound(fresh->begin(), fresh->end(), place);
        const bool isFresh = at != fresh->end() && *at == place;
        if (place > size || (place == size && edits[e].kind != EditLog::kInsert)) return false;
        switch (edits[e].kind) {
            case EditLog::kInsert:
                for (auto it = at; it != fresh->end(); ++it) ++*it;
                fresh->insert(at, place);
                ++size;
                break;
            case EditLog::kErase:
                if (isFresh)
                    fresh->erase(at);
                else
                    dropOldAt(place);
                for (at = std::lower_bound(fresh->begin(), fresh->end(), place); at != fresh->end();
                     ++at)
                    --*at;
                --size;
                break;
            case EditLog::kEdit:
                if (isFresh) break;
                dropOldAt(place);
                fresh->insert(std::lower_bound(fresh->begin(), fresh->end(), place), place);
                break;
        }
    }
    return true;
}

// Takes the dropped records out of the order and renumbers the others as the edited list
// numbers them, keeping their order.
void SortedRows::Compact(const std::vector<uint32_t>& fresh, const std::vector<uint32_t>& dropped) {
    if (fresh.empty() && dropped.empty()) return;
    std::vector<uint32_t> keptBefore(fresh.size());  // kept records before each fresh place
    for (size_t j = 0; j < fresh.size(); ++j) keptBefore[j] = fresh[j] - static_cast<uint32_t>(j);
    const uint32_t firstDrop = dropped.empty() ? UINT32_MAX : dropped.front();
    const uint32_t firstFresh = keptBefore.empty() ? UINT32_MAX : keptBefore.front();
    size_t out = 0;
    for (int record : m_order) {
        auto old = static_cast<uint32_t>(record);
        if (old >= firstDrop || old >= firstFresh) {
            if (std::binary_search(dropped.begin(), dropped.end(), old)) continue;
            auto rank =
                old - static_cast<uint32_t>(std::lower_bound(dropped.begin(), dropped.end(), old) -
                                            dropped.begin());
            old = rank + static_cast<uint32_t>(
                             std::upper_bound(keptBefore.begin(), keptBefore.end(), rank) -
                             keptBefore.begin());
        }
        m_order[out++] = static_cast<int>(old);
    }
    m_order.resize(out);
}

// Puts the fresh records (sorted) into the order, from the last: each moves the kept records
// that go after it once.
bool SortedRows::Merge(std::vector<Fresh>& fresh, const CellKeyReader& key) {
    size_t end = m_order.size();
    m_order.resize(end + fresh.size());
    size_t write = m_order.size();
    CellKey probe;
    for (size_t f = fresh.size(); f-- > 0;) {
        const Fresh& item = fresh[f];
        size_t lo = 0, hi = end;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            const auto record = static_cast<uint32_t>(m_order[mid]);
            if (!key(record, &probe)) return false;
            if (Less(probe, record, item.key, item.record))
                lo = mid + 1;
            else
                hi = mid;
        }
        const auto from = m_order.begin();
        std::move_backward(from + static_cast<long>(lo), from + static_cast<long>(end),
                           from + static_cast<long>(write));
        write -= end - lo;
        m_order[--write] = static_cast<int>(item.record);
        end = lo;
    }
    return true;
}

bool SortedRows::Less(const CellKey& a, uint32_t ra, const CellKey& b, uint32_t rb) const {
    const CellKey* x = &a;
    const CellKey* y = &b;
    if (m_by.descending) std::swap(x, y);
    int c = 0;
    if (m_by.byText)
        c = x->text.compare(y->text);
    else
        c = x->value < y->value ? -1 : (x->value > y->value ? 1 : 0);
    return c != 0 ? c < 0 : ra < rb;
}

}  // namespace cartera
