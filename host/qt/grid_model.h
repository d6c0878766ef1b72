#pragma once
// A Qt item model over a grid control. It copies no cells: data() reads the grid's stored
// cell on demand, so a grid of any size costs the model nothing but its row and column
// counts. The model is the grid's IGridObserver and turns the grid's notifications into
// model signals; the counts it reports change only with those notifications.
#include <QAbstractTableModel>
#include <QColor>

#include "host/grid/grid_control.h"

class CBaseGrid;

namespace cartera::qt {

// 0x00BBGGRR to a Qt colour and back.
QColor ColorFromRef(COLORREF color);
COLORREF RefFromColor(const QColor& color);
// UG_ALIGN* to Qt alignment (vertically centred) and back.
Qt::Alignment AlignmentFromGrid(int alignment);

class GridModel : public QAbstractTableModel, public IGridObserver {
    Q_OBJECT

  public:
    // Extra roles.
    enum Role {
        // The cell's 64-bit record id of slot 0, as qulonglong.
        RecordIdRole = Qt::UserRole + 1,
        // On the horizontal heading: 0 no sort arrow, 1 ascending (extended type 16),
        // 2 descending (extended type 32).
        SortArrowRole,
    };

    // grid is not owned and must outlive the model or be released with Detach(). The model
    // becomes the grid's observer (replacing any other).
    explicit GridModel(CUGCtrl* grid, QObject* parent = nullptr);
    ~GridModel() override;

    // Stops observing; the model then reports no rows and no columns.
    void Detach();
    CUGCtrl* Grid() const { return m_grid; }
    // The grid as a table grid (header list, colours); null for a plain cell grid.
    CBaseGrid* TableGrid() const { return m_table; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display: the cell text. Foreground/Background: the cell's colour, else a table grid's
    // text/background colour, else none. TextAlignment: the cell's alignment.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Horizontal: the heading row's text and alignment, and SortArrowRole. Vertical: the
    // row number from 1.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The heading column that carries the sort arrow, or -1; *ascending tells its direction.
    int SortArrowColumn(bool* ascending) const;

    // IGridObserver.
    void GridRedrawAll() override;
    void GridRedrawRow(int row) override;
    void GridStructureChanged() override;
    void GridCurrentCellChanged() override;

  signals:
    // Column widths, hidden marks, row heights or heading/scroll bar sizes may have changed.
    void structureChanged();
    // The grid's current cell moved (row and column -1 when there is none).
    void currentCellChanged(int col, int row);
    // Every cell may have changed (after a redraw of the whole grid).
    void redrawnAll();

  private:
    // Re-reads the counts; a reset when they changed. True when it reset.
    bool SyncCounts();
    void EmitAllChanged();

    CUGCtrl* m_grid;
    CBaseGrid* m_table;
    int m_rows = 0;
    int m_cols = 0;
};

}  // namespace cartera::qt
