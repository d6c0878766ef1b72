#include "host/qt/grid_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QSignalSpy>
#include <memory>

#include "testing/test_qt.h"

namespace cartera::qt {
namespace {

using testing::RecordingGrid;

class GridModelTest : public ::testing::Test {
  protected:
    GridModelTest() { grid.Create(); }
    RecordingGrid grid;
};

TEST_F(GridModelTest, StaysConsistentWhileTheGridIsFilledSortedRedrawnAndCut) {
    GridModel model(&grid);
    // The tester checks every signal and answer of the model, and aborts on the first wrong one.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    grid.Fill(40);
    EXPECT_EQ(std::pair(model.rowCount(), model.columnCount()), std::pair(40, 4));

    grid.SetSortCol(3);
    grid.SetSortAscending(0);
    grid.ApplySort();
    grid.RedrawAll();
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), "9");  // bytewise: "9" > "39"

    grid.QuickSetText(1, 5, "changed");
    grid.RedrawRow(5);
    grid.DeleteRow(7);
    grid.DeleteRow(0);
    // Until the grid says so the model keeps its row count; the dropped rows read empty.
    EXPECT_EQ(model.rowCount(), 40);
    EXPECT_FALSE(model.data(model.index(39, 0)).isValid());
    grid.RedrawAll();
    EXPECT_EQ(model.rowCount(), 38);
    EXPECT_EQ(model.data(model.index(4, 1)).toString(), "changed");

    grid.Limpiar(1);
    EXPECT_EQ(model.rowCount(), 0);
    grid.Fill(10);
    grid.ShowHeaderColumn(3390, 1);
    grid.MoveHeaderColumn(0, 3);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "Type");
}

// A row's redraw changes that row only; the roles follow the cells and the grid's colours,
// the sort arrow the heading's cell type.
TEST_F(GridModelTest, RowRedrawsRolesAndTheSortArrowFollowTheGrid) {
    grid.SetGridTextColor(RGB(0, 0, 139));
    grid.SetGridBackColor(RGB(196, 224, 255));
    grid.Fill(20);
    grid.QuickSetTextColor(1, 0, RGB(255, 0, 0));
    grid.QuickSetBackColor(1, 0, RGB(225, 245, 255));
    grid.QuickSetAlignment(0, 1, UG_ALIGNCENTER);
    GridModel model(&grid);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    grid.QuickSetText(2, 5, "new");
    grid.RedrawRow(5);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), model.index(5, 0));
    EXPECT_EQ(changed[0][1].value<QModelIndex>(), model.index(5, 3));
    EXPECT_EQ(reset.count(), 0);

    auto colour = [&](int row, int role) {
        return model.data(model.index(row, 1), role).value<QBrush>().color();
    };
    EXPECT_EQ(colour(0, Qt::ForegroundRole), QColor(255, 0, 0));
    EXPECT_EQ(colour(0, Qt::BackgroundRole), QColor(225, 245, 255));
    // Cells without colours of their own take the grid's.
    EXPECT_EQ(colour(1, Qt::ForegroundRole), QColor(0, 0, 139));
    EXPECT_EQ(colour(1, Qt::BackgroundRole), QColor(196, 224, 255));
    auto alignment = [&](int row, int col) {
        return model.data(model.index(row, col), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(1, 0), Qt::AlignHCenter);
    EXPECT_EQ(alignment(1, 3), Qt::AlignRight);

    // A row appended without a full redraw cannot be told by number: the model resets.
    grid.AppendRow();
    grid.RedrawRow(20);
    EXPECT_EQ(std::pair(reset.count(), model.rowCount()), std::pair(qsizetype{1}, 21));

    bool ascending = false;
    EXPECT_EQ(model.SortArrowColumn(&ascending), -1);
    grid.SetSortCol(1);
    grid.SetSortAscending(1);
    grid.ApplySort();
    grid.RedrawAll();
    EXPECT_TRUE(model.SortArrowColumn(&ascending) == 1 && ascending);
    grid.SetSortAscending(0);
    grid.ApplySort();
    EXPECT_TRUE(model.SortArrowColumn(&ascending) == 1 && !ascending);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, GridModel::SortArrowRole).toInt(), 2);
    // An extended type alone is not an arrow: the cell type must be the sort arrow.
    grid.QuickSetCellType(1, -1, UGCT_NORMAL);
    EXPECT_EQ(model.SortArrowColumn(&ascending), -1);
}

// A model detached, then one destroyed, leaves the grid without an observer; a detached
// model's end does not touch the model that followed it.
TEST_F(GridModelTest, DetachesFromTheGridWhenToldOrDestroyed) {
    grid.Fill(4);
    auto model = std::make_unique<GridModel>(&grid);
    EXPECT_EQ(grid.GetObserver(), model.get());
    model->Detach();
    EXPECT_TRUE(grid.GetObserver() == nullptr && model->rowCount() == 0);
    grid.RedrawAll();  // reaches no one
    model = std::make_unique<GridModel>(&grid);
    EXPECT_TRUE(grid.GetObserver() == model.get() && model->rowCount() == 4);
    model.reset();
    EXPECT_EQ(grid.GetObserver(), nullptr);
}

}  // namespace
}  // namespace cartera::qt
