#include "host/qt/grid_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QTest>

#include "host/qt/grid_model.h"
#include "testing/test_qt.h"

namespace cartera::qt {
namespace {

using testing::HeadingClick;
using testing::MenuCall;
using testing::RecordingGrid;

class GridViewTest : public ::testing::Test {
  protected:
    GridViewTest() {
        grid.Create();
        grid.Fill(30);
        view = std::make_unique<GridView>(&grid);
        view->resize(420, 300);
        view->show();
    }

    QHeaderView* Heading() const { return view->horizontalHeader(); }
    QPoint CellCentre(int row, int col) const {
        return view->visualRect(view->model()->index(row, col)).center();
    }

    RecordingGrid grid;
    std::unique_ptr<GridView> view;
};

TEST_F(GridViewTest, ColumnsFollowTheGridAndTheUsersChangesGoBack) {
    EXPECT_EQ(Heading()->sectionSize(3), 80);
    EXPECT_TRUE(view->isColumnHidden(2));  // "Group" is hidden in the header list
    EXPECT_FALSE(view->isColumnHidden(1));

    grid.ShowHeaderColumn(3390, 1);
    EXPECT_FALSE(view->isColumnHidden(2));
    grid.ShowHeaderColumn(3381, 0);
    EXPECT_TRUE(view->isColumnHidden(0));

    Heading()->resizeSection(1, 150);  // as a drag on the heading's edge does
    EXPECT_EQ(std::pair(grid.GetHeader().GetWidth(3384), grid.GetColWidth(1)), std::pair(150, 150));

    Heading()->moveSection(3, 1);  // as a drag of the heading does
    EXPECT_EQ(grid.GetHeader().GetColID(1), 3385);
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Contracts");
    // The grid moved the column; the heading bar keeps showing the grid's order.
    EXPECT_EQ(std::pair(Heading()->visualIndex(3), Heading()->sectionSize(1)), std::pair(3, 80));
}

// A row the grid gives no height is left out, and comes back with one.
TEST_F(GridViewTest, ARowOfHeightZeroIsLeftOutUntilItHasAHeight) {
    grid.SetRowHeight(2, 0);
    grid.SetRowHeight(3, 7);
    grid.RedrawAll();
    EXPECT_TRUE(view->isRowHidden(2));
    EXPECT_EQ(std::pair(view->isRowHidden(3), view->rowHeight(3)), std::pair(false, 7));
    grid.SetRowHeight(2, 12);
    grid.RedrawAll();
    EXPECT_EQ(std::pair(view->isRowHidden(2), view->rowHeight(2)), std::pair(false, 12));
}

TEST_F(GridViewTest, HeadingClicksKeysAndTheCurrentCellReachTheGrid) {
    const int left = Heading()->sectionViewportPosition(1), width = Heading()->sectionSize(1);
    QTest::mouseClick(Heading()->viewport(), Qt::LeftButton, {}, QPoint(left + width / 2, 5));
    EXPECT_EQ(grid.clicks, (std::vector<HeadingClick>{{1, -1, 1}, {1, -1, 0}}));

    // A press on a section's edge starts a resize, not a click.
    grid.clicks.clear();
    QTest::mouseClick(Heading()->viewport(), Qt::LeftButton, {}, QPoint(left + width - 1, 5));
    EXPECT_TRUE(grid.clicks.empty());

    grid.GotoCell(1, 2);
    for (Qt::Key key :
         {Qt::Key_Delete, Qt::Key_Return, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_F5})
        QTest::keyClick(view.get(), key);
    EXPECT_EQ(grid.keys, (std::vector<unsigned>{46, 13, 40, 36, 35, 116}));

    // The current cell is kept in step both ways, and framed by the grid.
    grid.GotoCell(1, 7);
    EXPECT_EQ(view->currentIndex(), view->model()->index(7, 1));
    EXPECT_TRUE(view->selectionModel()->isRowSelected(7, QModelIndex()));

    // The grid moves its cursor on an arrow key; the view follows without moving it twice.
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(std::pair(grid.GetCurrentRow(), view->currentIndex().row()), std::pair(8, 8));

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CellCentre(4, 3));
    EXPECT_EQ(std::pair(grid.GetCurrentRow(), grid.GetCurrentCol()), std::pair(4, 3));

    // A refill keeps the grid's cursor row, and the view shows it again.
    grid.Fill(30);
    EXPECT_EQ(view->currentIndex().row(), 4);

    // The grid draws the focus rectangle, around the current cell.
    grid.focusRects.clear();
    view->grab();
    ASSERT_FALSE(grid.focusRects.empty());
    const RECT& asked = grid.focusRects.back();
    EXPECT_EQ(QRect(QPoint(asked.left, asked.top), QPoint(asked.right - 1, asked.bottom - 1)),
              view->visualRect(view->model()->index(4, 3)));
}

TEST_F(GridViewTest, RightClickBuildsTheGridsMenuAndReportsTheChoiceUnlessDeclined) {
    QPoint at = CellCentre(3, 1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    ASSERT_EQ(grid.menu.size(), 1u);
    EXPECT_EQ(grid.menu[0], (MenuCall{1, 3, UG_GRID, 0}));
    EXPECT_EQ(grid.GetCurrentRow(), 3);  // the clicked row became current

    QMenu* menu = view->ActiveContextMenu();
    ASSERT_NE(menu, nullptr);
    QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 6);  // the grid's four, then the view's own Fit columns
    EXPECT_EQ(actions[5]->text().toStdString(), CGridTabla::FitColumnsText());
    EXPECT_EQ(actions[0]->text(), "Buy");
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_FALSE(actions[2]->isEnabled());  // OnCommandUpdateUI greys "Sell"
    ASSERT_NE(actions[3]->menu(), nullptr);
    QAction* shown = actions[3]->menu()->actions().value(0);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isChecked());

    actions[0]->trigger();
    shown->trigger();
    EXPECT_EQ(grid.menu.size(), 1u) << "the commands run once the menu has returned";
    QApplication::processEvents();
    EXPECT_EQ(grid.menu.back(), (MenuCall{1, 3, UG_GRID, RecordingGrid::kChecked}));
    EXPECT_EQ(grid.menu[1], (MenuCall{1, 3, UG_GRID, RecordingGrid::kBuy}));
    menu->close();

    // No menu when the grid declines (asked), or has its menu off (not even asked).
    grid.showMenu = 0;
    EXPECT_EQ(view->OpenContextMenu(0, 0, UG_GRID, QPoint()), nullptr);
    grid.showMenu = 1;
    grid.EnableMenu(0);
    EXPECT_EQ(view->OpenContextMenu(0, 0, UG_GRID, QPoint()), nullptr);
    EXPECT_EQ(grid.menu.size(), 4u);
}

}  // namespace
}  // namespace cartera::qt
