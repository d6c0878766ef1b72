#include "host/qt/grid_view.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

#include "host/grid/table_grid.h"
#include "host/qt/grid_model.h"

namespace cartera::qt {

namespace {

// The grid's focus rectangle, painted as a dotted frame just inside the cell.
class PainterDC : public CDC {
  public:
    PainterDC(QPainter* painter, const QColor& color) : m_painter(painter), m_color(color) {}
    void DrawFocusRect(const RECT& rect) override {
        m_painter->save();
        m_painter->setPen(QPen(m_color, 1, Qt::DotLine));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(
            QRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1));
        m_painter->restore();
    }

  private:
    QPainter* m_painter;
    QColor m_color;
};

}  // namespace

// Paints cells without the style's focus frame and lets the grid draw its own on the
// current cell.
class GridView::FocusDelegate : public QStyledItemDelegate {
  public:
    explicit FocusDelegate(GridView* view) : QStyledItemDelegate(view), m_view(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        opt.state &= ~QStyle::State_HasFocus;
        if (!m_view->SelectionShown()) opt.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, opt, index);
        if (index != m_view->currentIndex() || !m_view->Grid() || !m_view->SelectionShown()) return;
        RECT rect;
        rect.left = option.rect.left();
        rect.top = option.rect.top();
        rect.right = option.rect.right() + 1;
        rect.bottom = option.rect.bottom() + 1;
        PainterDC dc(painter, option.palette.color(QPalette::HighlightedText));
        m_view->Grid()->OnDrawFocusRect(&dc, &rect);
    }

  private:
    GridView* m_view;
};

// A heading bar whose height (or width) is the grid's and which reports presses and
// releases on its sections that are neither resizes nor moves.
class GridView::Header : public QHeaderView {
  public:
    using Handler = std::function<void(int section, const QPoint& pos, bool press)>;

    Header(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent) {}

    void SetThickness(int thickness) {
        if (thickness == m_thickness) return;
        m_thickness = thickness;
        updateGeometry();
    }
    void SetHandler(Handler handler) { m_handler = std::move(handler); }

    QSize sizeHint() const override {
        QSize size = QHeaderView::sizeHint();
        if (m_thickness > 0) {
            if (orientation() == Qt::Horizontal)
                size.setHeight(m_thickness);
            else
                size.setWidth(m_thickness);
        }
        return size;
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        QPoint pos = event->position().toPoint();
        int at = orientation() == Qt::Horizontal ? pos.x() : pos.y();
        bool grip = NearGrip(at);
        QHeaderView::mousePressEvent(event);
        m_pressed = -1;
        m_dragged = false;
        if (event->button() != Qt::LeftButton || grip) return;
        m_pressed = logicalIndexAt(pos);
        m_pressPos = pos;
        if (m_pressed >= 0 && m_handler) m_handler(m_pressed, pos, true);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        QPoint pos = event->position().toPoint();
        if (m_pressed >= 0 && (pos - m_pressPos).manhattanLength() >= 4) m_dragged = true;
        QHeaderView::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QPoint pos = event->position().toPoint();
        QHeaderView::mouseReleaseEvent(event);
        int pressed = m_pressed;
        m_pressed = -1;
        if (event->button() != Qt::LeftButton || pressed < 0 || m_dragged) return;
        if (logicalIndexAt(pos) == pressed && m_handler) m_handler(pressed, pos, false);
    }

  private:
    // Whether a press at this position grabs a section edge (a resize, not a click).
    bool NearGrip(int at) const {
        int visual = visualIndexAt(at);
        if (visual < 0) return false;
        int logical = logicalIndex(visual);
        int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        int start = sectionViewportPosition(logical);
        if (at > start + sectionSize(logical) - grip)
            return sectionResizeMode(logical) == Interactive;
        if (at < start + grip) {
            for (int v = visual - 1; v >= 0; --v) {
                int previous = logicalIndex(v);
                if (!isSectionHidden(previous)) return sectionResizeMode(previous) == Interactive;
            }
        }
        return false;
    }

    int m_thickness = 0;
    Handler m_handler;
    int m_pressed = -1;
    QPoint m_pressPos;
    bool m_dragged = false;
};

GridView::GridView(CUGCtrl* grid, QWidget* parent)
    : QTableView(parent), m_grid(grid), m_model(new GridModel(grid, this)) {
    m_header = new Header(Qt::Horizontal, this);
    setHorizontalHeader(m_header);
    auto* side = new Header(Qt::Vertical, this);
    setVerticalHeader(side);
    setModel(m_model);
    setItemDelegate(new FocusDelegate(this));

    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);

    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setMinimumSectionSize(1);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setStretchLastSection(false);
    m_header->setSectionsMovable(m_model->TableGrid() != nullptr);
    m_header->setContextMenuPolicy(Qt::CustomContextMenu);
    m_header->SetHandler(
        [this](int col, const QPoint& pos, bool press) { OnHeadingPressed(col, pos, press); });
    side->setSectionsClickable(false);
    side->setMinimumSectionSize(1);
    side->setSectionResizeMode(QHeaderView::Fixed);
    side->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(m_header, &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& pos) { OnHeadingContextMenu(pos); });
    connect(side, &QHeaderView::customContextMenuRequested, this, [this, side](const QPoint& pos) {
        OpenContextMenu(-1, side->logicalIndexAt(pos), UG_SIDEHEADING, side->mapToGlobal(pos));
    });
    connect(m_header, &QHeaderView::sectionResized, this, &GridView::OnSectionResized);
    connect(m_header, &QHeaderView::sectionMoved, this, &GridView::OnSectionMoved);
    connect(m_model, &GridModel::structureChanged, this, &GridView::ApplyGridLayout);
    // A refill or a sort ends in a redraw of everything, after which the selection is the
    // grid's: the rows that show the records selected before.
    connect(m_model, &GridModel::modelAboutToBeReset, this, [this] {
        m_applying = true;
        m_syncing = true;
    });
    connect(m_model, &GridModel::modelReset, this, [this] {
        ApplyGridLayout();
        SyncSelectionFromGrid();
        WidenForNumbers();
    });
    connect(m_model, &GridModel::redrawnAll, this, [this] {
        ApplyRowHeights();
        ApplySortArrow();
        SyncSelectionFromGrid();
        WidenForNumbers();
        viewport()->update();
    });
    connect(m_model, &GridModel::currentCellChanged, this, &GridView::SyncCurrentFromGrid);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_grid || m_syncing) return;
        std::vector<int> rows;
        for (const QModelIndex& index : selectionModel()->selectedRows())
            rows.push_back(index.row());
        m_grid->SetSelectedRows(std::move(rows));
    });

    ApplyGridLayout();
}

GridView::~GridView() {
    // The grid must not reach the model once the view is going away.
    if (m_grid && m_grid->GetObserver() == m_model) m_grid->SetObserver(nullptr);
}

void GridView::ApplyGridLayout() {
    m_applying = true;
    if (m_grid) {
        int top = m_grid->GetTH_Height();
        m_header->setVisible(top > 0);
        m_header->SetThickness(top);
        int side = m_grid->GetSH_Width();
        verticalHeader()->setVisible(side > 0);
        static_cast<Header*>(verticalHeader())->SetThickness(side);
        setVerticalScrollBarPolicy(m_grid->GetVS_Width() > 0 ? Qt::ScrollBarAsNeeded
                                                             : Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(m_grid->GetHS_Height() > 0 ? Qt::ScrollBarAsNeeded
                                                                : Qt::ScrollBarAlwaysOff);
        int cols = m_model->columnCount();
        for (int col = 0; col < cols; ++col) {
            // Shown before sized: a hidden section ignores its new size and would come
            // back 0 pixels wide.
            bool hidden = m_grid->IsColHidden(col) != 0;
            setColumnHidden(col, hidden);
            if (!hidden)
                m_header->resizeSection(col, std::max(m_grid->GetColWidth(col), Widened(col)));
        }
        if (CBaseGrid* table = m_model->TableGrid()) {
            QPalette pal = palette();
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                pal.setColor(group, QPalette::Highlight,
                             ColorFromRef(table->GetHighlightBackColor()));
                pal.setColor(group, QPalette::HighlightedText,
                             ColorFromRef(table->GetHighlightTextColor()));
            }
            setPalette(pal);
        }
    }
    ApplyRowHeights();
    ApplySortArrow();
    m_applying = false;
    if (m_grid) SyncCurrentFromGrid(m_grid->GetCurrentCol(), m_grid->GetCurrentRow());
}

void GridView::ApplyRowHeights() {
    if (!m_grid) return;
    bool wasApplying = m_applying;
    m_applying = true;
    QHeaderView* side = verticalHeader();
    int rows = m_model->rowCount();
    int def = m_grid->GetDefRowHeight();
    side->setDefaultSectionSize(def);
    for (int row : m_customRows)
        if (row < rows) side->resizeSection(row, def);
    m_customRows.clear();
    for (int row : m_hiddenRows)
        if (row < rows) setRowHidden(row, false);
    m_hiddenRows.clear();
    // A grid's rows almost all have the default height; only the others are sized. A row of
    // height 0 is left out, as the printout leaves it (a header cannot size a row to 0).
    for (int row = 0; row < rows; ++row) {
        int height = m_grid->GetRowHeight(row);
        if (height == 0) {
            setRowHidden(row, true);
            m_hiddenRows.push_back(row);
            continue;
        }
        if (height == def || height < 0) continue;
        side->resizeSection(row, height);
        m_customRows.push_back(row);
    }
    m_applying = wasApplying;
}

void GridView::ApplySortArrow() {
    bool ascending = true;
    int col = m_model->SortArrowColumn(&ascending);
    m_header->setSortIndicatorShown(col >= 0);
    // The heading bar draws Qt's ascending order as an arrow pointing down; desktop users
    // read an arrow pointing up as ascending, so the bar is given the other order.
    if (col >= 0)
        m_header->setSortIndicator(col, ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void GridView::SetSelectionShown(bool shown) {
    m_selectionShown = shown;
    viewport()->update();
}

void GridView::SyncCurrentFromGrid(int col, int row) {
    if (!selectionModel()) return;
    bool wasApplying = m_applying;
    m_applying = true;
    if (row < 0 || row >= m_model->rowCount() || m_model->columnCount() == 0) {
        selectionModel()->clear();
    } else {
        QModelIndex index = m_model->index(row, std::clamp(col, 0, m_model->columnCount() - 1));
        if (m_extendFrom >= 0) {
            // Shift with a key that moves the cursor: the rows from the anchor to it.
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            QItemSelection rows(m_model->index(std::min(m_extendFrom, row), 0),
                                m_model->index(std::max(m_extendFrom, row), 0));
            selectionModel()->select(
                rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (index != currentIndex() || !selectionModel()->hasSelection()) {
            // A selection the user made around the current row stays.
            selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_anchorRow = row;
        }
        scrollTo(index);
    }
    m_applying = wasApplying;
}

void GridView::SyncSelectionFromGrid() {
    m_syncing = true;
    if (m_grid && selectionModel()) {
        const bool wasApplying = std::exchange(m_applying, true);
        const int row = m_grid->GetCurrentRow();
        std::vector<int> rows = m_grid->GetSelectedRows();
        std::vector<int> shown;
        for (const QModelIndex& index : selectionModel()->selectedRows())
            shown.push_back(index.row());
        std::sort(shown.begin(), shown.end());
        const bool moved = row < 0 ? currentIndex().isValid() : currentIndex().row() != row;
        if (rows != shown || moved) {
            QItemSelection selection;
            for (int r : rows)
                if (r < m_model->rowCount())
                    selection.select(m_model->index(r, 0), m_model->index(r, 0));
            selectionModel()->select(
                selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            if (row >= 0 && row < m_model->rowCount() && m_model->columnCount() > 0) {
                QModelIndex index = m_model->index(
                    row, std::clamp(m_grid->GetCurrentCol(), 0, m_model->columnCount() - 1));
                selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
                m_anchorRow = row;
                scrollTo(index);
            } else {
                selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            }
        }
        m_applying = wasApplying;
    }
    m_syncing = false;
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_applying || !m_grid || !current.isValid()) return;
    if (!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)) m_anchorRow = current.row();
    if (current.row() == m_grid->GetCurrentRow() && current.column() == m_grid->GetCurrentCol())
        return;
    m_grid->GotoCell(current.column(), current.row());
}

void GridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    SyncWindowRect();
}

void GridView::moveEvent(QMoveEvent* event) {
    QTableView::moveEvent(event);
    SyncWindowRect();
}

void GridView::SyncWindowRect() {
    if (!m_grid) return;
    RECT rect;
    rect.left = x();
    rect.top = y();
    rect.right = x() + width();
    rect.bottom = y() + height();
    m_grid->MoveWindow(rect);
}

void GridView::FitColumns() {
    for (int col = 0; col < m_model->columnCount(); ++col) {
        if (isColumnHidden(col)) continue;
        int width = std::max(sizeHintForColumn(col), m_header->sectionSizeHint(col));
        if (width > 0) m_header->resizeSection(col, width);  // the grid hears it as a resize
    }
}

void GridView::OnSectionResized(int logical, int oldSize, int newSize) {
    // Hiding a section reports it resized to 0; the user can only make it 1 pixel or more.
    if (m_applying || !m_grid || newSize <= 0 || m_header->isSectionHidden(logical)) return;
    if (static_cast<size_t>(logical) < m_widened.size()) m_widened[logical] = 0;  // the hand wins
    if (CBaseGrid* table = m_model->TableGrid())
        table->ResizeHeaderColumn(logical, newSize);
    else
        m_grid->SetColWidth(logical, newSize);
}

int GridView::Widened(int col) const {
    return col >= 0 && static_cast<size_t>(col) < m_widened.size() ? m_widened[col] : 0;
}

void GridView::WidenForNumbers() {
    if (!m_grid) return;
    int cols = m_model->columnCount();
    m_widened.assign(static_cast<size_t>(cols), 0);
    // Only the rows on screen are measured (at least a first screenful before the view has
    // its size), so a fill costs the same at any number of rows.
    constexpr int kMinRows = 100;
    int first = std::max(0, rowAt(0));
    int screen = viewport()->height() / std::max(1, m_grid->GetDefRowHeight()) + 1;
    int last = std::min(m_model->rowCount() - 1, first + std::max(kMinRows, screen) - 1);
    bool wasApplying = std::exchange(m_applying, true);
    for (int col = 0; col < cols; ++col) {
        if (isColumnHidden(col)) continue;
        // The heading whole, in any language (the French "Redevance" too).
        int needed = m_header->isHidden() ? 0 : m_header->sectionSizeHint(col);
        for (int row = first; row <= last; ++row) {
            QModelIndex index = m_model->index(row, col);
            auto alignment = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            if (alignment & Qt::AlignRight)
                needed = std::max(needed, sizeHintForIndex(index).width() + (showGrid() ? 1 : 0));
        }
        // The grid's width, or wider for the heading and numbers; a column widened at the
        // last fill goes back to the grid's width when they no longer need more.
        int shown = std::max(m_grid->GetColWidth(col), needed);
        if (needed > m_grid->GetColWidth(col)) m_widened[static_cast<size_t>(col)] = needed;
        if (shown != columnWidth(col)) m_header->resizeSection(col, shown);
    }
    m_applying = wasApplying;
}

void GridView::OnSectionMoved(int logical, int oldVisual, int newVisual) {
    if (m_applying) return;
    // The heading bar keeps the grid's order; the grid moves the column and its cells.
    m_applying = true;
    m_header->moveSection(newVisual, oldVisual);
    m_applying = false;
    if (CBaseGrid* table = m_model->TableGrid()) table->MoveHeaderColumn(oldVisual, newVisual);
}

}  // namespace cartera::qt
