#pragma once
// One grid cell: its text, colours, alignment, cell type and the record ids it carries.
#include <cstdint>
#include <string>
#include <string_view>

#include "host/grid/grid_types.h"

// A plain copyable value. The grid stores cells by value and hands out copies through
// GetCell; change a copy and write it back with SetCell. A property that was never set
// reports its default (black text on white, left aligned, type 0) and IsPropertySet tells
// the renderer to use the grid's own colour instead.
class CUGCell {
  public:
    // Id slots per cell; the portfolio uses slot 0.
    static constexpr int kIdSlots = 2;

    CUGCell() = default;

    // Back to a fresh cell: no text, no properties, ids 0. The text keeps its buffer.
    void ClearAll() {
        m_text.clear();
        m_attr = Attributes();
    }

    // Setting the text, even an empty one, marks UGCELL_TEXT_SET.
    void SetText(std::string_view text);
    const std::string& GetText() const { return m_text; }
    // Removes the text and its mark.
    void ClearText();

    void SetTextColor(COLORREF color) {
        m_attr.textColor = color;
        m_attr.properties |= UGCELL_TEXTCOLOR_SET;
    }
    COLORREF GetTextColor() const { return m_attr.textColor; }
    void SetBackColor(COLORREF color) {
        m_attr.backColor = color;
        m_attr.properties |= UGCELL_BACKCOLOR_SET;
    }
    COLORREF GetBackColor() const { return m_attr.backColor; }
    // UG_ALIGNLEFT, UG_ALIGNRIGHT or UG_ALIGNCENTER.
    void SetAlignment(int alignment) {
        m_attr.alignment = static_cast<uint8_t>(alignment);
        m_attr.properties |= UGCELL_ALIGNMENT_SET;
    }
    int GetAlignment() const { return m_attr.alignment; }
    // An index returned by CUGCtrl::AddCellType (0 = plain text). The index and the
    // extended type are kept in 16 bits.
    void SetCellType(int index) {
        m_attr.cellType = static_cast<int16_t>(index);
        m_attr.properties |= UGCELL_CELLTYPE_SET;
    }
    int GetCellType() const { return m_attr.cellType; }
    void SetCellTypeEx(int extended) {
        m_attr.cellTypeEx = static_cast<int16_t>(extended);
        m_attr.properties |= UGCELL_CELLTYPEEX_SET;
    }
    int GetCellTypeEx() const { return m_attr.cellTypeEx; }

    // Non-zero when every UGCELL_* bit in flags has been set on this cell.
    int IsPropertySet(int flags) const { return (m_attr.properties & flags) == flags ? 1 : 0; }

    // The 64-bit id in a slot. A slot outside 0..kIdSlots-1 is ignored on writing and
    // reads as 0.
    void SetID64(int slot, uint64_t id) {
        if (slot >= 0 && slot < kIdSlots) m_attr.ids[slot] = id;
    }
    uint64_t GetID64(int slot) const { return slot >= 0 && slot < kIdSlots ? m_attr.ids[slot] : 0; }

  private:
    // Everything but the text, so that ClearAll resets it in one assignment.
    struct Attributes {
        COLORREF textColor = RGB(0, 0, 0);
        COLORREF backColor = RGB(255, 255, 255);
        int16_t cellType = UGCT_NORMAL;
        int16_t cellTypeEx = 0;
        uint16_t properties = 0;
        uint8_t alignment = UG_ALIGNLEFT;
        uint64_t ids[kIdSlots] = {};
    };

    std::string m_text;
    Attributes m_attr;
};

// The host's id-carrying cell is the cell itself: every CUGCell has the id slots, so
// `CUGCell cell; grid.GetCell(c, r, &cell); cell.SetID64(0, id); grid.SetCell(c, r, &cell);`
// needs no cast, and CTamo_Cell::SetID64 names the same member.
using CTamo_Cell = CUGCell;
