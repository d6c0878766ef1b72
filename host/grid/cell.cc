#include "host/grid/cell.h"

// A grid of 100,000 rows by 16 columns holds 1.6 million cells.
static_assert(sizeof(CUGCell) <= 64, "keep cells compact");

void CUGCell::SetText(std::string_view text) {
    m_text.assign(text.data(), text.size());
    m_properties |= UGCELL_TEXT_SET;
}

void CUGCell::ClearText() {
    m_text.clear();
    m_properties &= ~UGCELL_TEXT_SET;
}

void CUGCell::SetTextColor(COLORREF color) {
    m_textColor = color;
    m_properties |= UGCELL_TEXTCOLOR_SET;
}

void CUGCell::SetBackColor(COLORREF color) {
    m_backColor = color;
    m_properties |= UGCELL_BACKCOLOR_SET;
}

void CUGCell::SetAlignment(int alignment) {
    m_alignment = static_cast<uint8_t>(alignment);
    m_properties |= UGCELL_ALIGNMENT_SET;
}

void CUGCell::SetCellType(int index) {
    m_cellType = static_cast<int16_t>(index);
    m_properties |= UGCELL_CELLTYPE_SET;
}

void CUGCell::SetCellTypeEx(int extended) {
    m_cellTypeEx = static_cast<int16_t>(extended);
    m_properties |= UGCELL_CELLTYPEEX_SET;
}

void CUGCell::SetID64(int slot, uint64_t id) {
    if (slot >= 0 && slot < kIdSlots) m_ids[slot] = id;
}

uint64_t CUGCell::GetID64(int slot) const { return slot >= 0 && slot < kIdSlots ? m_ids[slot] : 0; }
