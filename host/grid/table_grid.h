#pragma once
// Table grids: a cell grid whose columns follow a header list (see host/grid/grid_control.h
// for the model), with sort state, colour settings, a saved layout and a default menu.
#include <string>

#include "host/grid/grid_control.h"
#include "host/grid/header_list.h"

class CArchive;
class CMenu;

class CBaseGrid : public CUGCtrl {
  public:
    CBaseGrid() = default;

    // Base set-up: registers the sort-arrow cell type. Derived grids call it first.
    void OnStart() override;
    // Brings the grid's columns in line with the header list: one grid column per entry,
    // heading text LS(id), the entry's width and alignment, hidden entries marked hidden,
    // the sort arrow on the sort column's heading and on no other. Tells the observer once.
    virtual void OnModifyHeader();
    // Whether a command of the grid's menu is enabled (1) or greyed (0).
    virtual int OnCommandUpdateUI(int id) { return 1; }

    // Removes all rows. A non-zero flag also redraws the grid; 0 tells the observer nothing.
    void Limpiar(int flag);

    CMultiHdrData& GetHeader() { return m_header; }
    const CMultiHdrData& GetHeader() const { return m_header; }

    // What the user does to the columns; each keeps header and grid in step through
    // OnModifyHeader (so derived grids refill). Hiding the last visible column is refused.
    // Each returns false when nothing changed.
    bool ShowHeaderColumn(int id, int visible);
    // Moves the column with its cells; the sort column follows its column.
    bool MoveHeaderColumn(int fromIndex, int toIndex);
    // A new width needs no refill: header and grid widths change, the observer is told.
    bool ResizeHeaderColumn(int index, int width);

    // The sort state: column index (-1 = none) and direction (non-zero = ascending).
    int GetSortCol() const { return m_sortCol; }
    void SetSortCol(int col) { m_sortCol = col; }
    int IsSortAscending() const { return m_sortAscending; }
    void SetSortAscending(int ascending) { m_sortAscending = ascending ? 1 : 0; }

    // The sort-arrow type and its index in this grid (registered on first use).
    CUGSortArrowType* GetSortArrowType() { return &m_sortArrow; }
    int GetSortArrowIndex() { return AddCellType(&m_sortArrow); }

    // The four colour settings. Cells without colours of their own are painted with the
    // text and background colours; the current row with the highlight colours.
    void SetGridTextColor(COLORREF color) { m_textColor = color; }
    COLORREF GetGridTextColor() const { return m_textColor; }
    void SetGridBackColor(COLORREF color) { m_backColor = color; }
    COLORREF GetGridBackColor() const { return m_backColor; }
    void SetHighlightTextColor(COLORREF color) { m_highlightTextColor = color; }
    COLORREF GetHighlightTextColor() const { return m_highlightTextColor; }
    void SetHighlightBackColor(COLORREF color) { m_highlightBackColor = color; }
    COLORREF GetHighlightBackColor() const { return m_highlightBackColor; }

  protected:
    CMultiHdrData m_header;

  private:
    CUGSortArrowType m_sortArrow;
    int m_sortCol = -1;
    int m_sortAscending = 1;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_backColor = RGB(255, 255, 255);
    COLORREF m_highlightTextColor = RGB(255, 255, 255);
    COLORREF m_highlightBackColor = RGB(0, 64, 128);
};

class CGridTabla : public CBaseGrid {
  public:
    // Ids of the default menu's commands; the range 7000-7199 is the grid's own.
    static constexpr int kMenuSortAscending = 7000;
    static constexpr int kMenuSortDescending = 7001;
    static constexpr int kMenuColumnFirst = 7100;  // + header index, up to 7199
    static constexpr int kMenuColumnLast = 7199;

    // Format byte of the saved layout.
    static constexpr uint8_t kLayoutCaptions = 1;  // old: heading captions, no sort state
    static constexpr uint8_t kLayoutIds = 2;

    CGridTabla() = default;

    // The text of the renderer's "fit the columns to their contents" item, in the interface
    // language. Only the renderer can measure texts, so the item is its own.
    static std::string FitColumnsText();

    // Stores the header list (id, width, visible, alignment per column, in list order) and
    // the sort state, or loads them. Loading merges with the grid's columns: saved columns
    // first, in saved order, with saved width and visibility (alignment and icon stay the
    // grid's); saved ids the grid lacks are dropped; the grid's columns missing from the
    // layout follow with their defaults. The sort column is kept by id, so it survives
    // reordering. Loading does not call OnModifyHeader; the caller does once its own data
    // is read. Throws CArchiveException for a truncated or malformed layout, leaving the
    // header and sort state as they were.
    virtual void Serialize(CArchive& ar);
    // The column id of a caption saved by the old layout format; -1 drops the column.
    // The default matches the current heading texts of the grid's own columns.
    virtual int String2Id_OldFormat(const std::string& caption);

    // Appends the default commands to menu (not owned): "Sort ascending" and "Sort
    // descending" by column col when QueryInfoItem(col, row, UGINFO_MENU_SORT) is non-zero
    // and col is a column; a "Columns" submenu with one checked-when-visible item per header
    // column when QueryInfoItem(col, row, UGINFO_MENU_COLUMNS) is non-zero.
    void CreateDefaultMenu(CMenu* menu, int col, int row);
    // Builds the default menu alone; non-zero when it has items.
    int OnMenuStart(int col, int row, int section) override;
    // Runs the default commands: the sort commands make col the sort column in that
    // direction (ApplySort, then RedrawAll); a column item toggles that column's visibility
    // through ShowHeaderColumn. Other ids are ignored.
    void OnMenuCommand(int col, int row, int section, int item) override;

    // Sorts by the sort state and puts the arrow on the sort column's heading; nothing when
    // the sort column is not a column. Derived grids that must do more after a sort (row
    // colours) override it.
    virtual void ApplySort();

  private:
    void LoadLayout(CArchive& ar);
};
