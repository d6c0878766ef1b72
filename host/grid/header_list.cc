#include "host/grid/header_list.h"

#include <algorithm>

#include "host/grid/grid_types.h"

int CMultiHdrData::AddFromResourceId(int stringId, int width, int visible, int alignment,
                                     int icon) {
    if (Find(stringId)) return -1;
    m_columns.push_back({stringId, std::max(width, 0), visible ? 1 : 0, alignment, icon});
    return GetCount() - 1;
}

int CMultiHdrData::GetColID(int index) const {
    if (index < 0 || index >= GetCount()) return -1;
    return m_columns[index].id;
}

int CMultiHdrData::GetVisible(int id) const {
    const Column* c = Find(id);
    return c ? c->visible : 0;
}

int CMultiHdrData::GetAlignment(int id) const {
    const Column* c = Find(id);
    return c ? c->alignment : UG_ALIGNLEFT;
}

int CMultiHdrData::GetPosition(int id) const {
    const Column* c = Find(id);
    return c ? static_cast<int>(c - m_columns.data()) : -1;
}

int CMultiHdrData::GetWidth(int id) const {
    const Column* c = Find(id);
    return c ? c->width : 0;
}

int CMultiHdrData::GetIcon(int id) const {
    const Column* c = Find(id);
    return c ? c->icon : 0;
}

int CMultiHdrData::GetVisibleCount() const {
    return static_cast<int>(std::count_if(m_columns.begin(), m_columns.end(),
                                          [](const Column& c) { return c.visible; }));
}

bool CMultiHdrData::SetVisible(int id, int visible) {
    Column* c = Find(id);
    if (!c) return false;
    c->visible = visible ? 1 : 0;
    return true;
}

bool CMultiHdrData::SetWidth(int id, int width) {
    Column* c = Find(id);
    if (!c) return false;
    c->width = std::max(width, 0);
    return true;
}

bool CMultiHdrData::MoveColumn(int fromIndex, int toIndex) {
    int n = GetCount();
    if (fromIndex < 0 || fromIndex >= n || toIndex < 0 || toIndex >= n) return false;
    auto first = m_columns.begin();
    if (fromIndex < toIndex)
        std::rotate(first + fromIndex, first + fromIndex + 1, first + toIndex + 1);
    else if (fromIndex > toIndex)
        std::rotate(first + toIndex, first + fromIndex, first + fromIndex + 1);
    return true;
}

CMultiHdrData::Column* CMultiHdrData::Find(int id) {
    for (Column& c : m_columns)
        if (c.id == id) return &c;
    return nullptr;
}

const CMultiHdrData::Column* CMultiHdrData::Find(int id) const {
    return const_cast<CMultiHdrData*>(this)->Find(id);
}
