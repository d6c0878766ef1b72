#pragma once
// The grid control, headless. A CUGCtrl is a table of rows x columns of CUGCell values plus
// one heading row, addressed with any negative row number. Rows are numbered from 0 in
// display order. A renderer (the Qt widget) reads the grid, paints it and forwards the
// user's input as the virtual events below; the portfolio grids and the command-line tool
// use the same grid with no renderer at all.
//
// Table grids (CBaseGrid and CGridTabla, host/grid/table_grid.h) add a header list
// (CMultiHdrData): the grid has exactly one column per header entry, in list order, and a
// column's position is its index in the list (moving a column reorders the list). Hidden
// entries stay grid columns; they are only marked hidden for the renderer (IsColHidden).
//
// Each row carries the 64-bit id of the record it shows in its cells (CUGCell::SetID64,
// slot 0), so commands on a row find the record again.
//
// A grid either stores its rows' cells (the default) or renders them on demand from a row
// source (SetRowSource): it then holds only the display order, one record index per row,
// and the source formats a cell when it is read. Rendered cells are kept in a small cache of
// rows, dropped on RedrawAll, RedrawRow (that row), a change of rows, columns or order; a
// cell written to an on-demand row changes the rendered copy only, until it is dropped.
//
// What the observer (IGridObserver) hears:
//   - RedrawAll() -> GridRedrawAll(); RedrawRow(r) -> GridRedrawRow(r), for that row only.
//   - Column and geometry changes (column count, widths, hidden marks, row heights, heading
//     and scroll bar sizes, SetNumberRows/SetNumberCols with redraw != 0) ->
//     GridStructureChanged(), once per call.
//   - GotoCell, SelectRow and the navigation keys -> GridCurrentCellChanged().
// Cell writes, AppendRow, DeleteRow, Limpiar(0) and SortBy tell nothing: code that fills or
// reorders a grid ends with one RedrawAll().
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/grid/cell.h"
#include "host/grid/cell_rows.h"
#include "host/grid/grid_types.h"
#include "host/grid/menu.h"

// What a renderer registers to learn what must be repainted. Calls arrive on the thread
// that changed the grid (the user-interface thread).
class IGridObserver {
  public:
    virtual ~IGridObserver() = default;
    // Everything may have changed, the number of rows included.
    virtual void GridRedrawAll() = 0;
    // Only this row's cells changed.
    virtual void GridRedrawRow(int row) = 0;
    // Columns or geometry changed; relayout and repaint everything.
    virtual void GridStructureChanged() = 0;
    // The current cell moved; repaint the focus and scroll to it.
    virtual void GridCurrentCellChanged() {}
};

// Formats the cells of an on-demand grid from the records it shows.
class IGridRowSource {
  public:
    virtual ~IGridRowSource() = default;
    // Writes into the fresh *cell what column col shows at display row row for record
    // record. The record may be gone (a change the grid has not been refilled for yet):
    // then the cell may be left blank.
    virtual void RenderCell(int col, int row, uint32_t record, CUGCell* cell) = 0;
};

class CUGCtrl {
  public:
    // Prints the grid; installed by the GUI. Its result is Imprimir's.
    using PrintHandler = std::function<int(CUGCtrl&)>;

    CUGCtrl();
    virtual ~CUGCtrl();
    // How many grids this process has created: shows which commands need none.
    static uint64_t Created();
    CUGCtrl(const CUGCtrl&) = delete;
    CUGCtrl& operator=(const CUGCtrl&) = delete;

    // --- Window ---------------------------------------------------------------------------
    // Records the window's place and runs OnStart() once. Non-zero on success; 0 when the
    // grid was already created. parent is opaque to the grid (the renderer's widget, a view).
    int CreateGrid(const RECT& rect, void* parent, int id);
    // The same for a grid that takes a dialog control's place.
    int AttachGrid(void* parent, int controlId);
    bool IsCreated() const { return m_created; }
    void* GetParentWindow() const { return m_parent; }
    int GetControlId() const { return m_controlId; }
    const RECT& GetWindowRect() const { return m_windowRect; }
    void MoveWindow(const RECT& rect) { m_windowRect = rect; }

    // --- Renderer hooks -------------------------------------------------------------------
    // Not owned; null detaches. One observer per grid.
    void SetObserver(IGridObserver* observer) { m_observer = observer; }
    IGridObserver* GetObserver() const { return m_observer; }
    void SetPrintHandler(PrintHandler handler) { m_print = std::move(handler); }
    // What the installed print handler returns; 0 without one.
    int Imprimir();

    // --- Size -----------------------------------------------------------------------------
    // Counts below 0 count as 0. New cells are fresh; cut cells are lost. UG_SUCCESS.
    int SetNumberCols(int cols, int redraw = 1);
    int SetNumberRows(int rows, int redraw = 1);
    int GetNumberCols() const { return m_store.Cols(); }
    int GetNumberRows() const {
        return m_source ? static_cast<int>(m_order.size()) : m_store.Rows();
    }
    // Not owned; null goes back to stored cells. Either way the grid drops its rows. On
    // demand, SetNumberRows and AppendRow add rows showing the records numbered as the rows.
    void SetRowSource(IGridRowSource* source);
    bool IsOnDemand() const { return m_source != nullptr; }
    // The record index row shows on demand, the row itself with stored cells; 0 out of range.
    uint32_t GetRowRecord(int row) const;
    // Add one fresh row at the end; tell the observer nothing. UG_SUCCESS.
    int AppendRow();
    int AppendRowSin() { return AppendRow(); }
    // Removes a row; the rows below move up. UG_ERROR when row is out of range.
    int DeleteRow(int row);

    // --- Cells ----------------------------------------------------------------------------
    // A negative row means the heading row. Both give UG_ERROR (and change nothing) for a
    // column or row out of range or a null cell.
    int GetCell(int col, int row, CUGCell* cell) const;
    int SetCell(int col, int row, const CUGCell* cell);
    // The cell without a copy, for painting; null when out of range. On demand, valid until
    // the next read of another row's cell or the next change of the grid.
    const CUGCell* PeekCell(int col, int row) const { return CellAt(col, row); }

    int QuickSetText(int col, int row, std::string_view text);
    // Exactly the text set; empty when none or out of range.
    std::string QuickGetText(int col, int row) const;
    int QuickSetTextColor(int col, int row, COLORREF color);
    int QuickSetBackColor(int col, int row, COLORREF color);
    int QuickSetAlignment(int col, int row, int alignment);
    int QuickSetCellType(int col, int row, int index);
    int QuickSetCellTypeEx(int col, int row, int extended);

    // --- Geometry (pixels) ----------------------------------------------------------------
    int SetColWidth(int col, int width);
    int GetColWidth(int col) const;  // 0 out of range
    // A hidden column keeps its cells and width; the renderer skips it.
    int SetColHidden(int col, int hidden);
    int IsColHidden(int col) const;
    int SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;  // the default height unless set; 0 out of range
    void SetDefRowHeight(int height);
    int GetDefRowHeight() const { return m_defRowHeight; }
    void SetSH_Width(int width);  // side heading; 0 = no row headings
    int GetSH_Width() const { return m_sideHeadingWidth; }
    void SetTH_Height(int height);  // top heading; 0 = no column headings
    int GetTH_Height() const { return m_topHeadingHeight; }
    void SetVS_Width(int width);  // vertical scroll bar; 0 = none
    int GetVS_Width() const { return m_vScrollWidth; }
    void SetHS_Height(int height);  // horizontal scroll bar; 0 = none
    int GetHS_Height() const { return m_hScrollHeight; }
    void SetVScrollMode(int mode) { m_vScrollMode = mode; }  // UG_SCROLL*
    int GetVScrollMode() const { return m_vScrollMode; }
    void SetHScrollMode(int mode) { m_hScrollMode = mode; }
    int GetHScrollMode() const { return m_hScrollMode; }
    // Tells the renderer to recompute the layout from the sizes above.
    void AdjustComponentSizes() { NotifyStructureChanged(); }

    // --- Options --------------------------------------------------------------------------
    void EnableMenu(int enable) { m_menuEnabled = enable != 0; }
    int IsMenuEnabled() const { return m_menuEnabled; }
    void EnableCellOverLap(int enable) { m_cellOverlap = enable != 0; }
    int IsCellOverLapEnabled() const { return m_cellOverlap; }
    void EnableExcelBorders(int enable) { m_excelBorders = enable != 0; }
    int AreExcelBordersEnabled() const { return m_excelBorders; }
    void SetMultiSelectMode(int mode) { m_multiSelect = mode; }
    int GetMultiSelectMode() const { return m_multiSelect; }

    // --- Current cell ---------------------------------------------------------------------
    // -1 when there is no current cell inside the grid. The position is kept across
    // Limpiar and refills, so a refilled grid keeps its cursor row.
    int GetCurrentCol() const;
    int GetCurrentRow() const;
    // UG_ERROR for a cell out of range.
    int GotoCell(int col, int row);
    // Makes row current, keeping the current column (column 0 when there is none).
    int SelectRow(int row);
    // The tip the renderer shows over a cell (why a value is muted); empty for none.
    virtual std::string CellTip(int col, int row) const { return {}; }
    // The rows the user selected, as the renderer reports them (Shift/Ctrl-click, Shift+
    // arrows, Ctrl+A). Forgotten when the rows are refilled or sorted.
    void SetSelectedRows(std::vector<int> rows) {
        m_selected = std::move(rows);
        OnSelectionMoved();
    }
    // Makes row current (-1: none) and rows the selected ones without telling the observer
    // or OnSelectionMoved: for a grid that keeps its selection through a refill and ends it
    // with RedrawAll, on which the renderer shows them.
    void PlaceSelection(int row, std::vector<int> rows);
    // The selected rows inside the grid, ascending; the current row alone when none is
    // selected; empty without a current row.
    std::vector<int> GetSelectedRows() const;

    // --- Cell types -----------------------------------------------------------------------
    // Registers a type (not owned; must outlive the grid) and returns its index, from 1 on;
    // the same object gets the same index again. -1 for null.
    int AddCellType(CUGCellType* type);
    // The type of an index; the plain-text type for 0; null when unknown.
    const CUGCellType* GetCellTypeObject(int index) const;

    // --- Sorting --------------------------------------------------------------------------
    // Reorders the rows by column col, stably, with mode UG_SORT_ASCENDING or
    // UG_SORT_DESCENDING. Row a goes before row b when OnSortEvaluate(cell of a, cell of b,
    // mode) is negative: the grid never swaps the cells itself, so OnSortEvaluate applies
    // the direction, and hands it copies of the cells taken for the sort. Row heights move
    // with their rows; the current cell keeps its position. UG_ERROR for a column out of
    // range or an unknown mode.
    int SortBy(int col, int mode = UG_SORT_ASCENDING);

    // --- Context menu ---------------------------------------------------------------------
    // The renderer, when the menu is enabled, calls OnMenuStart on a right click, shows
    // GetPopupMenu() when it answers non-zero and reports the chosen item to OnMenuCommand.
    int EmptyMenu();
    // An empty text appends a separator.
    int AddMenuItem(int id, std::string_view text);
    int AddMenuSeparator();
    // UG_ERROR when no top-level item has that id.
    int RemoveMenuItem(int id);
    CMenu* GetPopupMenu() { return &m_menu; }
    // UG_ERROR for a null menu.
    int AddMenuSubmenu(std::string_view text, std::unique_ptr<CMenu> menu);

    // --- Repainting -----------------------------------------------------------------------
    void RedrawAll();
    // Ignored for a row out of range.
    void RedrawRow(int row);

    // --- Events (the renderer and CreateGrid call these) ----------------------------------
    virtual void OnStart() {}
    // A click on the top heading: row is -1, updn 1 on press and 0 on release.
    virtual void OnTH_LClicked(int col, int row, int updn, RECT* rect, POINT* point,
                               int processed) {}
    // Every key press. Unless processed is non-zero, the arrows move the current cell,
    // Home/End go to the first/last row and Page Up/Down move by a window's rows.
    virtual void OnKeyDown(unsigned* vcKey, int processed);
    // The rows a page key moves: those the window shows, less one kept in sight; at least 1.
    int PageRows() const;
    // Builds the context menu for a right click on (col, row) in section (UG_GRID,
    // UG_TOPHEADING, ...; -1 for a column or row outside the cells); non-zero shows it. The
    // default shows the menu as it stands.
    virtual int OnMenuStart(int col, int row, int section) { return 1; }
    virtual void OnMenuCommand(int col, int row, int section, int item) {}
    // Draws the current cell's focus rectangle; override with nothing to show none.
    virtual void OnDrawFocusRect(CDC* dc, RECT* rect);
    // Questions the host asks the grid (UGINFO_* codes); 0 = no. text may be null.
    virtual int QueryInfoItem(int a, int b, int item, std::string* text) { return 0; }
    // The current cell or the selected rows moved: GotoCell, SelectRow, SetSelectedRows.
    virtual void OnSelectionMoved() {}
    // Negative when first goes before second in the direction of flags (UG_SORT_*). The
    // default compares the texts bytewise. Must answer the same for the same pair.
    virtual int OnSortEvaluate(CUGCell* first, CUGCell* second, int flags);

  protected:
    // Structure notifications between Begin and End are folded into one, sent at End.
    void BeginStructureChange() { ++m_structureDepth; }
    void EndStructureChange();
    void NotifyStructureChanged();
    // Moves column from to index to (cells, heading, width, hidden mark), the columns in
    // between shifting by one. UG_ERROR when either is out of range.
    int MoveCol(int from, int to);
    // Row i becomes the row that was at order[i] (a permutation of the rows), its height
    // with it; the current cell keeps its position. For grids that sort by keys of their own.
    void PermuteRows(const std::vector<int>& order);

  private:
    struct ColumnInfo {
        int width;
        bool hidden;
    };
    // A cached on-demand row: its cells, rendered one by one as they are first read.
    struct RenderedRow {
        int row = -1;
        std::vector<CUGCell> cells;
        std::vector<char> rendered;
    };
    static constexpr int kRenderedRows = 256;

    // The stored cell, the heading's for a negative row; null when out of range.
    CUGCell* CellAt(int col, int row);
    const CUGCell* CellAt(int col, int row) const {
        return const_cast<CUGCtrl*>(this)->CellAt(col, row);
    }
    void NotifyCurrentCellChanged();
    CUGCell* RenderedCell(int col, int row);
    // Drops every rendered row.
    void ForgetRendered();

    cartera::CellRows m_store;
    IGridRowSource* m_source = nullptr;
    std::vector<uint32_t> m_order;        // on demand: row -> record
    bool m_orderInRecords = true;         // m_order[row] == row for every row
    std::vector<RenderedRow> m_rendered;  // on demand: slot row % kRenderedRows
    std::vector<CUGCell> m_heading;
    std::vector<ColumnInfo> m_columns;
    std::vector<int> m_rowHeights;  // -1 = default height
    bool m_heightsSet = false;      // some row's height was set since the rows were emptied

    int m_curCol = -1;
    int m_curRow = -1;

    int m_defColWidth = 75;
    int m_defRowHeight = 20;
    int m_sideHeadingWidth = 30;
    int m_topHeadingHeight = 20;
    int m_vScrollWidth = 16;
    int m_hScrollHeight = 16;
    int m_vScrollMode = UG_SCROLLNORMAL;
    int m_hScrollMode = UG_SCROLLNORMAL;
    bool m_menuEnabled = false;
    bool m_cellOverlap = true;
    bool m_excelBorders = true;
    int m_multiSelect = 0;
    std::vector<int> m_selected;

    std::vector<CUGCellType*> m_cellTypes;  // index 0 is the plain-text type
    CUGCellType m_textType;
    CMenu m_menu;

    bool m_created = false;
    void* m_parent = nullptr;
    int m_controlId = 0;
    RECT m_windowRect;

    IGridObserver* m_observer = nullptr;
    PrintHandler m_print;
    int m_structureDepth = 0;
    bool m_structurePending = false;
};

// Filling a grid calls these once per cell or more, so they are inline.

inline CUGCell* CUGCtrl::CellAt(int col, int row) {
    if (col < 0 || col >= GetNumberCols() || row >= GetNumberRows()) return nullptr;
    if (m_source && row >= 0) return RenderedCell(col, row);
    return row < 0 ? &m_heading[static_cast<size_t>(col)] : m_store.Row(row) + col;
}

inline int CUGCtrl::GetCell(int col, int row, CUGCell* cell) const {
    const CUGCell* stored = CellAt(col, row);
    if (!stored || !cell) return UG_ERROR;
    *cell = *stored;
    return UG_SUCCESS;
}

inline int CUGCtrl::SetCell(int col, int row, const CUGCell* cell) {
    CUGCell* stored = CellAt(col, row);
    if (!stored || !cell) return UG_ERROR;
    *stored = *cell;
    return UG_SUCCESS;
}

inline int CUGCtrl::QuickSetTextColor(int col, int row, COLORREF color) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetTextColor(color);
    return UG_SUCCESS;
}

inline int CUGCtrl::QuickSetBackColor(int col, int row, COLORREF color) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetBackColor(color);
    return UG_SUCCESS;
}
