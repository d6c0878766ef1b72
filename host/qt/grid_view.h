#pragma once
// The widget that shows a grid control and feeds the user's input back to it.
//
// What the view takes from the grid: column widths and hidden marks, the default and each
// row's height, the side heading (width 0 = no row headings), the top heading (height 0 =
// no column headings), the scroll bars (size 0 = never shown), the sort arrow on the
// heading whose cell has the sort-arrow type (extended type 16 ascending, 32 descending),
// the current cell, and a table grid's colours (its highlight colours for the current row).
//
// The focus rectangle is the grid's to draw: when painting the current cell the view calls
// the grid's virtual OnDrawFocusRect(dc, rect) with a CDC that paints on the view. The
// base grid draws a dotted rectangle through it; a grid that overrides OnDrawFocusRect with
// nothing shows none. The style's own focus frame is never drawn.
//
// What the grid hears: a click on a cell -> GotoCell; a left press on a column heading ->
// OnTH_LClicked(col, -1, 1, ...), its release over the same heading -> (col, -1, 0, ...)
// (not when the press began a column resize or move); each key press -> OnKeyDown with its
// Windows virtual-key code; a right click -> OnMenuStart(col, row, section) and, when the
// grid's menu is enabled and OnMenuStart answers non-zero, a popup built from
// GetPopupMenu() whose chosen item goes to OnMenuCommand; a column resized by the user ->
// CBaseGrid::ResizeHeaderColumn (SetColWidth for a plain grid); a column dragged to
// another place -> CBaseGrid::MoveHeaderColumn (plain grids do not move columns); a double
// click on a heading's right edge fits the column to its texts, as the user's own resize.
//
// Numbers are never cut off: when the grid fills, a column too narrow for the numbers on
// screen is shown wider without changing the grid's width for it.
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

#include "host/grid/grid_control.h"

namespace cartera::qt {

class GridModel;

// Windows virtual-key code of a Qt key; 0 for keys without one.
unsigned VirtualKeyFromQt(int qtKey);

// Builds a Qt menu from a grid menu: separators, submenus and checked items. Each command's
// QAction carries its id as data (int) and calls chosen(id) when triggered. enabled(id)
// greys the commands it answers false for (all are enabled without it). The menu belongs
// to parent.
QMenu* BuildQMenu(const CMenu& menu, QWidget* parent, const std::function<void(int)>& chosen,
                  const std::function<bool(int)>& enabled = {});

class GridView : public QTableView {
    Q_OBJECT

  public:
    // grid is not owned and must outlive the view. The view owns its GridModel, which
    // becomes the grid's observer.
    explicit GridView(CUGCtrl* grid, QWidget* parent = nullptr);
    ~GridView() override;

    CUGCtrl* Grid() const { return m_grid; }
    GridModel* Model() const { return m_model; }

    // Re-reads widths, hidden marks, heights, headings, scroll bars and the sort arrow. Runs
    // by itself on the grid's notifications.
    void ApplyGridLayout();

    // Opens the context menu for (col, row, section) at globalPos, as a right click does.
    // Returns the popup shown (deleted after it hides), or null when none is shown. The
    // chosen command runs from the event loop once the menu has returned.
    QMenu* OpenContextMenu(int col, int row, int section, const QPoint& globalPos);
    // The selected rows as the user sees them, under a line of their headings: shown
    // columns in shown order, cells separated by tabs, a line per row. Ctrl+C puts it on
    // the clipboard. Rows are selected with Shift/Ctrl-click, Shift+arrows and Ctrl+A.
    QString SelectedRowsText() const;
    // Sizes every shown column to its heading and texts, as the user's own resize would
    // (a table grid keeps the widths in its layout). The context menu's last item.
    void FitColumns();
    // The popup the last right click opened while it is still open.
    QMenu* ActiveContextMenu() const { return m_menu; }
    // Whether the selected rows and the current cell's frame are drawn (the default). A
    // table that is read, not worked in, shows every cell in its own colours.
    void SetSelectionShown(bool shown);
    bool SelectionShown() const { return m_selectionShown; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A notch of the wheel scrolls three rows.
    void wheelEvent(QWheelEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Keeps the grid's window rectangle (CUGCtrl::GetWindowRect) on the widget's geometry.
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    class FocusDelegate;
    class Header;

    void ApplyRowHeights();
    void SyncWindowRect();
    void ApplySortArrow();
    void SyncCurrentFromGrid(int col, int row);
    // Shows the grid's current row and selected rows, when they differ from what is shown.
    void SyncSelectionFromGrid();
    void OnHeadingPressed(int col, const QPoint& pos, bool press);
    void OnHeadingContextMenu(const QPoint& pos);
    void OnSectionResized(int logical, int oldSize, int newSize);
    void OnSectionMoved(int logical, int oldVisual, int newVisual);
    // Widens, on screen only, the shown columns too narrow for their heading or for the
    // numbers (right-aligned cells) of the rows on screen: a width the grid gives is a
    // minimum, and its layout keeps it. Runs on each fill.
    void WidenForNumbers();
    // The width a column was widened to at the last fill; 0 when it was not, or when the
    // user has sized it since.
    int Widened(int col) const;

    CUGCtrl* m_grid;
    GridModel* m_model;
    Header* m_header;
    QPointer<QMenu> m_menu;
    bool m_selectionShown = true;
    std::vector<int> m_customRows;  // rows given a height other than the default
    std::vector<int> m_hiddenRows;  // rows of height 0
    std::vector<int> m_widened;     // by column: see Widened
    bool m_applying = false;        // the view is following the grid: do not echo back
    bool m_syncing = false;         // showing the grid's selection: do not report it back
    int m_wheelRest = 0;            // wheel turn short of a notch, in eighths of a degree
    int m_anchorRow = -1;           // where a selection with Shift starts
    int m_extendFrom = -1;          // while a key with Shift moves the cursor: the anchor
};

}  // namespace cartera::qt
