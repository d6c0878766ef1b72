#include "host/grid/cell.h"

// A grid of 100,000 rows by 16 columns holds 1.6 million cells.
static_assert(sizeof(CUGCell) <= 64, "keep cells compact");

void CUGCell::SetText(std::string_view text) {
    m_text.assign(text.data(), text.size());
    m_attr.properties |= UGCELL_TEXT_SET;
}

void CUGCell::ClearText() {
    m_text.clear();
    m_attr.properties &= ~UGCELL_TEXT_SET;
}
