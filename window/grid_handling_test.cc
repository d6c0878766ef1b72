// The portfolio grids driven as a user drives them: mouse clicks on cells, headings and
// popup menus, and keys.
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "dialogs/entry_sheets.h"
#include "host/dates.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/test_support.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

class GridHandlingTest : public SheetsTest {
  protected:
    uint64_t IdOfType(CChildFrmCartera* frame, int type) {
        for (const COrderCartera& m : Movements(frame)->GetLedger()->GetOrders())
            if (m.type == type) return m.id;
        return kNoId;
    }
    // Hides (or shows) the column with heading id through the heading's popup menu.
    static void ToggleColumn(qt::GridView* view, int headingId) {
        ClickMenu(RightClickHeading(view, 0), {::LS(3470), "Columns", ::LS(headingId)});
    }
};

TEST_F(GridHandlingTest, RowsKeepTheirMovementWithTheFirstColumnHidden) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    ToggleColumn(view, 3381);
    ASSERT_TRUE(view->isColumnHidden(0));

    int amountCol = ColumnOf(*view->Grid(), 3386);
    int dividend = RowShowing(view, amountCol, "12.50");
    ASSERT_GE(dividend, 0);
    ClickMenu(RightClickCell(view, dividend, 2), {::LS(3459)});
    EXPECT_EQ(sheets.calls, std::vector<std::string>{"other 3460 - - " +
                                                     std::to_string(IdOfType(frame, kDividend))});
    // The real sheet, left with Esc, twice: the menu must not be freed under its handler.
    CEntrySheets entry;
    SetSheets(&entry);
    int closed = 0;
    for (int i = 0; i < 2; ++i) {
        auto* esc = new QTimer;
        QObject::connect(esc, &QTimer::timeout, [esc, &closed] {
            if (QWidget* sheet = QApplication::activeModalWidget()) {
                esc->stop();
                esc->deleteLater();
                ++closed;
                QTest::keyClick(sheet, Qt::Key_Escape);
            }
        });
        esc->start(10);
        ClickMenu(RightClickCell(view, RowShowing(view, amountCol, "12.50"), 2), {::LS(3459)});
    }
    EXPECT_EQ(closed, 2);
    SetSheets(&sheets);
    m_answer = 6;  // Yes
    ClickCell(view, RowShowing(view, amountCol, "12.50"), 2);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(IdOfType(frame, kDividend), kNoId);
    EXPECT_EQ(Movements(frame)->GetLedger()->GetOrders().size(), 3u);

    // The open trades follow the ticks with their first column hidden too.
    frame->GetTabWnd()->setCurrentIndex(1);
    qt::GridView* open = OpenTrades(frame)->GetGridWindow();
    ToggleColumn(open, 3381);
    ASSERT_TRUE(open->isColumnHidden(0));
    int priceCol = ColumnOf(*open->Grid(), 3431);
    CMensajePelvo tick("BBVA.MC");
    tick.AddValor(kTickLast, 10.25);
    m_market.Publish(tick);
    SendTimer(frame, CChildFrmCartera::kIdleTimer);
    EXPECT_GE(RowShowing(open, priceCol, "10.25"), 0);
}

TEST_F(GridHandlingTest, DeletingInASortedGridKeepsTheCursorOnTheNeighbourAndNamesTheMovement) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    int dateCol = ColumnOf(*view->Grid(), 3382);
    QHeaderView* heading = view->horizontalHeader();
    QTest::mouseClick(
        heading->viewport(), Qt::LeftButton, {},
        QPoint(heading->sectionViewportPosition(dateCol) + 10, heading->height() / 2));
    std::vector<std::string> before = ShownRowsText(view);
    ASSERT_EQ(before.size(), 4u);

    m_answer = 6;  // Yes
    ClickCell(view, 1, 2);
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].rfind(::LS(3404), 0), 0u) << m_messages[0];
    EXPECT_THAT(m_messages[0], HasSubstr("B  09/02/2026  BBVA.MC  50"));
    std::vector<std::string> after = ShownRowsText(view);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), 1);
    EXPECT_EQ(view->currentIndex().row(), 1);
    EXPECT_EQ(after[1], before[2]);

    // Delete from the popup menu asks the same, and its neighbour is the new last row.
    ClickMenu(RightClickCell(view, 2, 2), {::LS(3403)});
    EXPECT_EQ(ShownRows(view), 2);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), 1);
}

TEST_F(GridHandlingTest, PageKeysMoveAWindowOfRowsAndAWheelNotchScrollsThree) {
    std::vector<COrderCartera> many;
    for (int i = 0; i < 80; ++i) many.push_back(Cash(kDeposit, 1, 100 + i, DateNumber(2026, 1, 1)));
    CChildFrmCartera* frame = OpenSample(many);
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    int page = view->Grid()->PageRows();
    ASSERT_GT(page, 5);
    ClickCell(view, 0, 1);
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), page);
    QTest::keyClick(view, Qt::Key_PageDown);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), page);

    QTest::keyClick(view, Qt::Key_Home);
    QApplication::setWheelScrollLines(1);  // as some desktops set it
    QPoint at = view->viewport()->rect().center();
    QWheelEvent notch(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &notch);
    EXPECT_EQ(view->rowAt(0), 3);
    QApplication::setWheelScrollLines(3);
}

TEST_F(GridHandlingTest, ColumnsHiddenFromTheMenuComeBack) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    int group = ColumnOf(*view->Grid(), 3390);
    int width = view->columnWidth(group);
    ToggleColumn(view, 3390);
    ASSERT_TRUE(view->isColumnHidden(group));
    ToggleColumn(view, 3390);
    EXPECT_FALSE(view->isColumnHidden(group));
    EXPECT_EQ(view->columnWidth(group), width);
    EXPECT_FALSE(view->Grid()->IsColHidden(group));
}

// Whether every number (a right-aligned cell) of col fits its column without "…".
bool ShowsWhole(qt::GridView* view, int col) {
    for (int row = 0; row < ShownRows(view); ++row) {
        QModelIndex index = view->model()->index(row, col);
        bool number = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight;
        if (number && view->sizeHintForIndex(index).width() > view->columnWidth(col)) return false;
    }
    return true;
}

TEST_F(GridHandlingTest, LongNumbersAreFittedByTheHeadingEdgeAndWhenTheGridFills) {
    int d = DateNumber(2026, 2, 9);
    CChildFrmCartera* frame = OpenSample({Cash(kImposition, 1, 5000, d)});
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    int total = ColumnOf(*view->Grid(), 3395);
    QHeaderView* heading = view->horizontalHeader();
    heading->resizeSection(total, 20);  // the user's hand
    ASSERT_FALSE(ShowsWhole(view, total));

    // A double click on the heading's right edge fits the column, as the user's own width.
    QPoint edge(heading->sectionViewportPosition(total) + heading->sectionSize(total) - 1,
                heading->height() / 2);
    QTest::mouseDClick(heading->viewport(), Qt::LeftButton, {}, edge);
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_GT(view->columnWidth(total), 20);
    EXPECT_EQ(view->Grid()->GetColWidth(total), view->columnWidth(total));
    EXPECT_EQ(Movements(frame)->GetGridCartera()->GetSortCol(), -1);  // no heading click

    // Narrowed by hand again, the column widens for the numbers of the next fill, while the
    // layout keeps the hand's width.
    heading->resizeSection(total, 20);
    Movements(frame)->GetLedger()->AddOrder(Cash(kImposition, 1, 123456789.25, d));
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_EQ(view->Grid()->GetColWidth(total), 20);
    for (int col = 0; col < view->model()->columnCount(); ++col) {
        if (!view->isColumnHidden(col)) {
            EXPECT_TRUE(ShowsWhole(view, col)) << col;
        }
    }
    // "Fit columns" from the menu fits it too, as the user's own width.
    heading->resizeSection(total, 20);
    ClickMenu(RightClickCell(view, 0, 1), {"Fit columns"});
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_EQ(view->Grid()->GetColWidth(total), view->columnWidth(total));

    QDir dir(QStringLiteral(CARTERA_SCREENSHOT_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    EXPECT_TRUE(frame->grab().save(dir.filePath(QStringLiteral("grid-long-numbers-fitted.png"))));
}

}  // namespace
}  // namespace cartera::window::testing
