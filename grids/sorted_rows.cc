#include "grids/sorted_rows.h"

#include <algorithm>
#include <utility>

namespace cartera {

void SortedRows::Keep(const By& by, std::vector<int> order, std::vector<double> values,
                      std::vector<std::string> texts, const EditLog* edits) {
    m_valid = edits != nullptr && (by.byText ? texts.size() : values.size()) == order.size();
    m_by = by;
    m_order = m_valid ? std::move(order) : std::vector<int>();
    m_values = m_valid ? std::move(values) : std::vector<double>();
    m_texts = m_valid ? std::move(texts) : std::vector<std::string>();
    if (m_valid) m_mark = edits->Now();
}

const std::vector<int>* SortedRows::Follow(const By& by, const EditLog* edits, size_t count,
                                           const CellKeyReader& key) {
    auto drop = [this]() -> const std::vector<int>* {
        m_valid = false;
        m_order = std::vector<int>();
        m_values = std::vector<double>();
        m_texts = std::vector<std::string>();
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
    Merge(keys);
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
        // The rank-th old record not dropped yet: below dropped[j] lie dropped[j] - j of them.
        const uint32_t rank = place - static_cast<uint32_t>(fresher);
        size_t lo = 0, hi = dropped->size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if ((*dropped)[mid] - mid <= rank)
                lo = mid + 1;
            else
                hi = mid;
        }
        const auto old = rank + static_cast<uint32_t>(lo);
        dropped->insert(dropped->begin() + static_cast<long>(lo), old);
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
// numbers them, keeping their order (and their keys beside them).
void SortedRows::Compact(const std::vector<uint32_t>& fresh, const std::vector<uint32_t>& dropped) {
    if (fresh.empty() && dropped.empty()) return;
    // What each old record from the first one that moves becomes (UINT32_MAX when dropped):
    // for a few edits counted, for many read from a table made in one pass.
    const uint32_t firstDrop = dropped.empty() ? UINT32_MAX : dropped.front();
    const uint32_t firstFresh = fresh.empty() ? UINT32_MAX : fresh.front();
    const uint32_t from = std::min(firstDrop, firstFresh);
    const bool few = fresh.size() + dropped.size() <= 8;
    std::vector<uint32_t> keptBefore(few ? fresh.size() : 0);  // kept records before each
    for (size_t j = 0; j < keptBefore.size(); ++j)
        keptBefore[j] = fresh[j] - static_cast<uint32_t>(j);
    std::vector<uint32_t> renumbered(!few && from < m_order.size() ? m_order.size() - from : 0);
    size_t d = 0, f = 0;
    for (uint32_t old = from; old < renumbered.size() + from; ++old) {
        if (d < dropped.size() && dropped[d] == old) {
            renumbered[old - from] = UINT32_MAX;
            ++d;
            continue;
        }
        // The kept record of this rank sits after every fresh place up to its own.
        const auto rank = static_cast<uint32_t>(old - d);
        while (f < fresh.size() && fresh[f] - f <= rank) ++f;
        renumbered[old - from] = rank + static_cast<uint32_t>(f);
    }
    auto renumber = [&](uint32_t old) {
        if (!few) return renumbered[old - from];
        uint32_t rank = old;
        for (const uint32_t gone : dropped) {
            if (gone == old) return UINT32_MAX;
            rank -= gone < old ? 1 : 0;
        }
        uint32_t now = rank;
        for (const uint32_t before : keptBefore) now += before <= rank ? 1 : 0;
        return now;
    };
    size_t out = 0;
    const bool byText = m_by.byText;
    for (size_t i = 0; i < m_order.size(); ++i) {
        auto record = static_cast<uint32_t>(m_order[i]);
        if (record >= from) {
            record = renumber(record);
            if (record == UINT32_MAX) continue;
        }
        m_order[out] = static_cast<int>(record);
        if (out != i && byText)  // a text moved onto itself would be lost
            m_texts[out] = std::move(m_texts[i]);
        else if (out != i)
            m_values[out] = m_values[i];
        ++out;
    }
    m_order.resize(out);
    (byText ? m_texts.resize(out) : m_values.resize(out));
}

// Puts the fresh records (sorted) into the order, from the last: each moves the kept records
// that go after it once.
void SortedRows::Merge(std::vector<Fresh>& fresh) {
    const bool byText = m_by.byText;
    size_t end = m_order.size();
    const size_t size = end + fresh.size();
    m_order.resize(size);
    (byText ? m_texts.resize(size) : m_values.resize(size));
    size_t write = size;
    auto move = [&](size_t lo, size_t hi, size_t to) {  // [lo, hi) to end at to
        const long l = static_cast<long>(lo), h = static_cast<long>(hi), t = static_cast<long>(to);
        std::move_backward(m_order.begin() + l, m_order.begin() + h, m_order.begin() + t);
        if (byText)
            std::move_backward(m_texts.begin() + l, m_texts.begin() + h, m_texts.begin() + t);
        else
            std::move_backward(m_values.begin() + l, m_values.begin() + h, m_values.begin() + t);
    };
    for (size_t f = fresh.size(); f-- > 0;) {
        Fresh& item = fresh[f];
        // Galloping down from the end: the next place is near the last one, in memory too.
        size_t lo = 0, hi = end;
        for (size_t step = 1; step <= end; step *= 2) {
            if (KeptBefore(end - step, item.key, item.record)) {
                lo = end - step + 1;
                break;
            }
            hi = end - step;
        }
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (KeptBefore(mid, item.key, item.record))
                lo = mid + 1;
            else
                hi = mid;
        }
        move(lo, end, write);
        write -= end - lo;
        m_order[--write] = static_cast<int>(item.record);
        if (byText)
            m_texts[write] = std::move(item.key.text);
        else
            m_values[write] = item.key.value;
        end = lo;
    }
}

bool SortedRows::KeptBefore(size_t i, const CellKey& a, uint32_t ra) const {
    const int c = m_by.byText ? m_texts[i].compare(a.text) : Compare(m_values[i], a.value);
    return Before(c, static_cast<uint32_t>(m_order[i]), ra);
}

bool SortedRows::Less(const CellKey& a, uint32_t ra, const CellKey& b, uint32_t rb) const {
    return Before(m_by.byText ? a.text.compare(b.text) : Compare(a.value, b.value), ra, rb);
}

// Whether a record whose key compares c (negative, zero, positive) with another's goes
// before it in the order's direction; ties go by record.
bool SortedRows::Before(int c, uint32_t ra, uint32_t rb) const {
    if (m_by.descending) c = -c;
    return c != 0 ? c < 0 : ra < rb;
}

int SortedRows::Compare(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

}  // namespace cartera
