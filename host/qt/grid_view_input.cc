// The grid view's input: keys, the wheel, heading clicks, context menus and copying.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "host/grid/table_grid.h"
#include "host/qt/grid_model.h"
#include "host/qt/grid_view.h"

namespace cartera::qt {

unsigned VirtualKeyFromQt(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<unsigned>(key);  // same codes in both systems
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112u + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return kVkPageUp;
        case Qt::Key_PageDown:
            return kVkPageDown;
        case Qt::Key_End:
            return kVkEnd;
        case Qt::Key_Home:
            return kVkHome;
        case Qt::Key_Left:
            return kVkLeft;
        case Qt::Key_Up:
            return kVkUp;
        case Qt::Key_Right:
            return kVkRight;
        case Qt::Key_Down:
            return kVkDown;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return kVkDelete;
        case Qt::Key_Menu:
            return 93;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        default:
            return 0;
    }
}

QMenu* BuildQMenu(const CMenu& menu, QWidget* parent, const std::function<void(int)>& chosen,
                  const std::function<bool(int)>& enabled) {
    auto* qmenu = new QMenu(parent);
    for (const CMenu::Item& item : menu.Items()) {
        if (item.separator) {
            qmenu->addSeparator();
        } else if (item.submenu) {
            QMenu* sub = BuildQMenu(*item.submenu, qmenu, chosen, enabled);
            sub->setTitle(QString::fromStdString(item.text));
            qmenu->addMenu(sub);
        } else {
            QAction* action = qmenu->addAction(QString::fromStdString(item.text));
            int id = item.id;
            action->setData(id);
            if (item.checked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (enabled) action->setEnabled(enabled(id));
            if (chosen)
                QObject::connect(action, &QAction::triggered, qmenu, [chosen, id] { chosen(id); });
        }
    }
    return qmenu;
}

QString GridView::SelectedRowsText() const {
    QList<int> rows;
    if (selectionModel())
        for (const QModelIndex& index : selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) return QString();
    QStringList lines;
    QStringList headings;
    for (int visual = 0; visual < horizontalHeader()->count(); ++visual) {
        int col = horizontalHeader()->logicalIndex(visual);
        if (!isColumnHidden(col)) headings << m_model->headerData(col, Qt::Horizontal).toString();
    }
    lines << headings.join(QLatin1Char('\t'));
    for (int row : rows) {
        QStringList cells;
        for (int visual = 0; visual < horizontalHeader()->count(); ++visual) {
            int col = horizontalHeader()->logicalIndex(visual);
            if (!isColumnHidden(col)) cells << m_model->index(row, col).data().toString();
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void GridView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        QString text = SelectedRowsText();
        if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
        event->accept();
        return;
    }
    unsigned key = VirtualKeyFromQt(event->key());
    // Keys with Ctrl or Alt are the window's (tab switching, menus), not the grid's.
    bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!m_grid || key == 0 || key == 9 || command) {
        QTableView::keyPressEvent(event);
        return;
    }
    // The grid does its own navigation; the table view's would move the cursor twice.
    // With Shift the rows it passes over join the selection.
    if ((event->modifiers() & Qt::ShiftModifier) && m_anchorRow >= 0 &&
        m_anchorRow < m_model->rowCount())
        m_extendFrom = m_anchorRow;
    m_grid->OnKeyDown(&key, 0);
    m_extendFrom = -1;
    event->accept();
}

void GridView::wheelEvent(QWheelEvent* event) {
    // Three rows a notch, whatever the desktop's line setting (some set one).
    constexpr int kRowsPerNotch = 3;
    m_wheelRest += event->angleDelta().y();
    int notches = m_wheelRest / 120;
    if (notches == 0 || verticalScrollMode() != ScrollPerItem) {
        if (verticalScrollMode() != ScrollPerItem) QTableView::wheelEvent(event);
        event->accept();
        return;
    }
    m_wheelRest -= notches * 120;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() - notches * kRowsPerNotch);
    event->accept();
}

void GridView::OnHeadingPressed(int col, const QPoint& pos, bool press) {
    if (!m_grid) return;
    RECT rect;
    rect.left = horizontalHeader()->sectionViewportPosition(col);
    rect.right = rect.left + horizontalHeader()->sectionSize(col);
    rect.bottom = horizontalHeader()->height();
    POINT point;
    point.x = pos.x();
    point.y = pos.y();
    m_grid->OnTH_LClicked(col, -1, press ? 1 : 0, &rect, &point, 0);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_grid) return;
    QPoint pos = event->pos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        pos = visualRect(currentIndex()).center();
    int col = columnAt(pos.x());
    int row = rowAt(pos.y());
    // The commands of the menu act on the current row, so a right click on a row makes it
    // current first.
    if (col >= 0 && row >= 0 && (row != m_grid->GetCurrentRow() || col != m_grid->GetCurrentCol()))
        m_grid->GotoCell(col, row);
    if (OpenContextMenu(col, row, UG_GRID, viewport()->mapToGlobal(pos))) event->accept();
}

void GridView::OnHeadingContextMenu(const QPoint& pos) {
    OpenContextMenu(horizontalHeader()->logicalIndexAt(pos), -1, UG_TOPHEADING,
                    horizontalHeader()->mapToGlobal(pos));
}

QMenu* GridView::OpenContextMenu(int col, int row, int section, const QPoint& globalPos) {
    if (!m_grid || !m_grid->IsMenuEnabled()) return nullptr;
    if (m_grid->OnMenuStart(col, row, section) == 0) return nullptr;
    const CMenu* menu = m_grid->GetPopupMenu();
    if (!menu || menu->GetItemCount() == 0) return nullptr;
    if (m_menu) m_menu->close();
    std::function<bool(int)> enabled;
    if (CBaseGrid* table = m_model->TableGrid())
        enabled = [table](int id) { return table->OnCommandUpdateUI(id) != 0; };
    // A command may open a modal sheet, whose event loop would delete the menu while the
    // menu's own key or mouse handler is still on the stack; so the chosen command runs
    // from the view's event queue, after the menu has returned (and not at all once the
    // view is gone).
    QMenu* qmenu = BuildQMenu(
        *menu, this,
        [this, col, row, section](int id) {
            QMetaObject::invokeMethod(
                this,
                [this, col, row, section, id] {
                    if (m_grid) m_grid->OnMenuCommand(col, row, section, id);
                },
                Qt::QueuedConnection);
        },
        enabled);
    if (dynamic_cast<CGridTabla*>(m_grid)) {
        qmenu->addSeparator();
        connect(qmenu->addAction(QString::fromStdString(CGridTabla::FitColumnsText())),
                &QAction::triggered, this, &GridView::FitColumns, Qt::QueuedConnection);
    }
    // Deleted once shown and hidden again; a chosen command runs after that.
    connect(qmenu, &QMenu::aboutToHide, qmenu, &QObject::deleteLater);
    m_menu = qmenu;
    qmenu->popup(globalPos);
    return qmenu;
}

}  // namespace cartera::qt
