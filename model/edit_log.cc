#include "model/edit_log.h"

namespace cartera {

void EditLog::Add(size_t place, Kind kind) {
    if (place > UINT32_MAX) {
        Reset();
        return;
    }
    if (m_edits.size() >= kMaxEdits) {
        m_edits.erase(m_edits.begin(), m_edits.begin() + kMaxEdits / 2);
        m_forgotten += kMaxEdits / 2;
    }
    m_edits.push_back({static_cast<uint32_t>(place), kind});
    if (kind != kEdit && !m_folded.empty()) m_folded.clear();  // the places after it move
}

void EditLog::Edited(size_t place) {
    if (place <= UINT32_MAX && m_folded.count(static_cast<uint32_t>(place)) != 0) return;
    Add(place, kEdit);
    m_folded.insert(static_cast<uint32_t>(place));
}

void EditLog::Reset() {
    m_epoch = NextEpoch();
    m_edits.clear();
    m_forgotten = 0;
    if (!m_folded.empty()) m_folded.clear();
}

EditLog::Mark EditLog::Now() const {
    if (!m_folded.empty()) m_folded.clear();
    return {m_epoch, m_forgotten + m_edits.size()};
}

bool EditLog::Since(Mark mark, const Edit** first, size_t* count) const {
    if (mark.epoch != m_epoch || mark.at < m_forgotten || mark.at - m_forgotten > m_edits.size())
        return false;
    *first = m_edits.data() + (mark.at - m_forgotten);
    *count = m_edits.size() - (mark.at - m_forgotten);
    return true;
}

}  // namespace cartera
