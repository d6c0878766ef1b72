#include "host/qt/grid_model.h"

#include <QBrush>

#include "host/grid/table_grid.h"

namespace cartera::qt {

QColor ColorFromRef(COLORREF color) {
    return QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
}

COLORREF RefFromColor(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

Qt::Alignment AlignmentFromGrid(int alignment) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (alignment & UG_ALIGNCENTER)
        horizontal = Qt::AlignHCenter;
    else if (alignment & UG_ALIGNRIGHT)
        horizontal = Qt::AlignRight;
    return horizontal | Qt::AlignVCenter;
}

GridModel::GridModel(CUGCtrl* grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_table(dynamic_cast<CBaseGrid*>(grid)) {
    if (m_grid) {
        m_grid->SetObserver(this);
        m_rows = m_grid->GetNumberRows();
        m_cols = m_grid->GetNumberCols();
    }
}

GridModel::~GridModel() {
    if (m_grid && m_grid->GetObserver() == this) m_grid->SetObserver(nullptr);
}

void GridModel::Detach() {
    beginResetModel();
    if (m_grid && m_grid->GetObserver() == this) m_grid->SetObserver(nullptr);
    m_grid = nullptr;
    m_table = nullptr;
    m_rows = m_cols = 0;
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!m_grid || !index.isValid()) return {};
    // Rows the grid dropped before telling us read as empty cells until the redraw.
    const CUGCell* cell = m_grid->PeekCell(index.column(), index.row());
    if (!cell) return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(cell->GetText());
        case Qt::ForegroundRole:
            if (cell->IsPropertySet(UGCELL_TEXTCOLOR_SET))
                return QBrush(ColorFromRef(cell->GetTextColor()));
            if (m_table) return QBrush(ColorFromRef(m_table->GetGridTextColor()));
            return {};
        case Qt::BackgroundRole:
            if (cell->IsPropertySet(UGCELL_BACKCOLOR_SET))
                return QBrush(ColorFromRef(cell->GetBackColor()));
            if (m_table) return QBrush(ColorFromRef(m_table->GetGridBackColor()));
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentFromGrid(cell->GetAlignment()));
        case RecordIdRole:
            return QVariant::fromValue(static_cast<qulonglong>(cell->GetID64(0)));
        case Qt::ToolTipRole: {
            std::string tip = m_grid->CellTip(index.column(), index.row());
            return tip.empty() ? QVariant() : QVariant(QString::fromStdString(tip));
        }
        default:
            return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!m_grid) return {};
    if (orientation == Qt::Vertical) {
        if (section < 0 || section >= m_rows) return {};
        if (role == Qt::DisplayRole) return section + 1;
        return {};
    }
    const CUGCell* cell = m_grid->PeekCell(section, -1);
    if (section < 0 || section >= m_cols || !cell) return {};
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(cell->GetText());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentFromGrid(cell->GetAlignment()));
        case SortArrowRole: {
            const CUGCellType* type = m_grid->GetCellTypeObject(cell->GetCellType());
            if (!type || type->GetKind() != CUGCellType::kSortArrow) return 0;
            if (cell->GetCellTypeEx() & UGCT_SORTARROWDOWN) return 2;
            if (cell->GetCellTypeEx() & UGCT_SORTARROWUP) return 1;
            return 0;
        }
        default:
            return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

int GridModel::SortArrowColumn(bool* ascending) const {
    for (int col = 0; col < m_cols; ++col) {
        int arrow = headerData(col, Qt::Horizontal, SortArrowRole).toInt();
        if (arrow == 0) continue;
        if (ascending) *ascending = arrow == 1;
        return col;
    }
    return -1;
}

bool GridModel::SyncCounts() {
    int rows = m_grid ? m_grid->GetNumberRows() : 0;
    int cols = m_grid ? m_grid->GetNumberCols() : 0;
    if (rows == m_rows && cols == m_cols) return false;
    // The grid tells us after the fact, so the reset brackets nothing; the counts the model
    // reports still change only inside it.
    beginResetModel();
    m_rows = rows;
    m_cols = cols;
    endResetModel();
    return true;
}

void GridModel::EmitAllChanged() {
    if (m_cols > 0) emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    if (m_rows > 0 && m_cols > 0) emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1));
}

void GridModel::GridRedrawAll() {
    if (!SyncCounts()) {
        // Same size: rows may have been sorted or refilled in place.
        emit layoutAboutToBeChanged();
        emit layoutChanged();
        EmitAllChanged();
    }
    emit redrawnAll();
}

void GridModel::GridRedrawRow(int row) {
    if (m_grid && m_grid->GetNumberRows() != m_rows) {
        // Rows were added or removed without a redraw of the whole grid; the row numbers
        // the model knows no longer hold.
        GridRedrawAll();
        return;
    }
    if (row < 0 || row >= m_rows || m_cols == 0) return;
    emit dataChanged(index(row, 0), index(row, m_cols - 1));
}

void GridModel::GridStructureChanged() {
    if (!SyncCounts()) EmitAllChanged();
    emit structureChanged();
}

void GridModel::GridCurrentCellChanged() {
    if (!m_grid) return;
    emit currentCellChanged(m_grid->GetCurrentCol(), m_grid->GetCurrentRow());
}

}  // namespace cartera::qt
