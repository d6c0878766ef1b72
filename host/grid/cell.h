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

    // Back to a fresh cell: no text, no properties, ids 0.
    void ClearAll() { *this = CUGCell(); }

    // Setting the text, even an empty one, marks UGCELL_TEXT_SET.
    void SetText(std::string_view text);
    const std::string& GetText() const { return m_text; }
    // Removes the text and its mark.
    void ClearText();

    void SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_textColor; }
    void SetBackColor(COLORREF color);
    COLORREF GetBackColor() const { return m_backColor; }
    // UG_ALIGNLEFT, UG_ALIGNRIGHT or UG_ALIGNCENTER.
    void SetAlignment(int alignment);
    int GetAlignment() const { return m_alignment; }
    // An index returned by CUGCtrl::AddCellType (0 = plain text). The index and the
    // extended type are kept in 16 bits.
    void SetCellType(int index);
    int GetCellType() const { return m_cellType; }
    void SetCellTypeEx(int extended);
    int GetCellTypeEx() const { return m_cellTypeEx; }

    // Non-zero when every UGCELL_* bit in flags has been set on this cell.
    int IsPropertySet(int flags) const { return (m_properties & flags) == flags ? 1 : 0; }

    // The 64-bit id in a slot. A slot outside 0..kIdSlots-1 is ignored on writing and
    // reads as 0.
    void SetID64(int slot, uint64_t id);
    uint64_t GetID64(int slot) const;

  private:
    std::string m_text;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_backColor = RGB(255, 255, 255);
    int16_t m_cellType = UGCT_NORMAL;
    int16_t m_cellTypeEx = 0;
    uint16_t m_properties = 0;
    uint8_t m_alignment = UG_ALIGNLEFT;
    uint64_t m_ids[kIdSlots] = {};
};

// The host's id-carrying cell is the cell itself: every CUGCell has the id slots, so
// `CUGCell cell; grid.GetCell(c, r, &cell); cell.SetID64(0, id); grid.SetCell(c, r, &cell);`
// needs no cast, and CTamo_Cell::SetID64 names the same member.
using CTamo_Cell = CUGCell;
