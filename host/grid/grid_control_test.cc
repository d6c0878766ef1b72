#include "host/grid/grid_control.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "testing/test_support.h"

namespace {

using cartera::testing::RecordingObserver;

// Sorts column cells as integers and records the flags it was handed.
class NumberGrid : public CUGCtrl {
  public:
    int OnSortEvaluate(CUGCell* first, CUGCell* second, int flags) override {
        seenFlags |= flags;
        if (flags & UG_SORT_DESCENDING) std::swap(first, second);
        return std::atoi(first->GetText().c_str()) - std::atoi(second->GetText().c_str());
    }
    void OnStart() override { ++starts; }
    int seenFlags = 0;
    int starts = 0;
};

class GridControlTest : public ::testing::Test {
  protected:
    void SetUp() override { grid.SetObserver(&observer); }

    // Appends rows whose column 0 holds value and whose id slot 0 holds the row's number.
    void AddRows(const std::vector<int>& values) {
        for (int v : values) {
            grid.AppendRow();
            int row = grid.GetNumberRows() - 1;
            CUGCell cell;
            ASSERT_EQ(grid.GetCell(0, row, &cell), UG_SUCCESS);
            cell.SetText(std::to_string(v));
            cell.SetID64(0, row);
            ASSERT_EQ(grid.SetCell(0, row, &cell), UG_SUCCESS);
            grid.QuickSetText(1, row, "r" + std::to_string(row));
        }
    }
    std::vector<uint64_t> RowIds() {
        std::vector<uint64_t> ids;
        for (int r = 0; r < grid.GetNumberRows(); ++r)
            ids.push_back(grid.PeekCell(0, r)->GetID64(0));
        return ids;
    }

    NumberGrid grid;
    RecordingObserver observer;
};

TEST_F(GridControlTest, CellsOutsideTheGridAreRefusedAndInsideKeepWhatWasWritten) {
    grid.SetNumberCols(3, 0);
    grid.SetNumberRows(2, 0);
    CUGCell cell;
    for (auto [col, row] : {std::pair{3, 0}, {0, 2}, {-1, 0}})
        EXPECT_NE(grid.GetCell(col, row, &cell), UG_SUCCESS) << col << " " << row;
    EXPECT_NE(grid.GetCell(0, 0, nullptr), UG_SUCCESS);
    EXPECT_NE(grid.SetCell(3, 1, &cell), UG_SUCCESS);
    EXPECT_NE(grid.QuickSetText(0, 5, "x"), UG_SUCCESS);
    EXPECT_EQ(grid.QuickGetText(7, 0), "");
    // A negative row is the heading row.
    EXPECT_EQ(grid.QuickSetText(2, -1, "Head"), UG_SUCCESS);
    EXPECT_EQ(grid.QuickGetText(2, -1) + "|" + grid.QuickGetText(2, 0), "Head|");

    ASSERT_EQ(grid.GetCell(1, 0, &cell), UG_SUCCESS);
    cell.SetText(" 1.234,50 € ");
    cell.SetTextColor(RGB(255, 0, 0));
    cell.SetID64(0, 0xFFFFFFFFFFFFFFFEull);
    cell.SetID64(CUGCell::kIdSlots, 5);  // ignored
    ASSERT_EQ(grid.SetCell(1, 0, &cell), UG_SUCCESS);
    CUGCell back;
    ASSERT_EQ(grid.GetCell(1, 0, &back), UG_SUCCESS);
    EXPECT_EQ(std::tuple(back.GetTextColor(), back.GetID64(0), back.GetID64(CUGCell::kIdSlots)),
              std::tuple(0x000000FFu, 0xFFFFFFFFFFFFFFFEull, uint64_t{0}));
    // Shrinking the columns keeps the cells that remain.
    grid.SetNumberCols(2, 0);
    EXPECT_EQ(grid.QuickGetText(1, 0), " 1.234,50 € ");
    grid.SetNumberCols(1, 0);
    EXPECT_EQ(grid.QuickGetText(1, 0), "");
}

TEST_F(GridControlTest, DeletingRowsKeepsTheCursorOnARow) {
    grid.SetNumberCols(2, 0);
    AddRows({0, 1, 2, 3});
    EXPECT_EQ(std::pair(grid.GetCurrentCol(), grid.GetCurrentRow()), std::pair(-1, -1));
    EXPECT_NE(grid.GotoCell(2, 0), UG_SUCCESS);
    ASSERT_EQ(grid.GotoCell(1, 2), UG_SUCCESS);

    // The row deleted, then the current row: still on the row with id 2, then on the row
    // before the current, last one, then on none.
    for (auto [row, current] : {std::pair{0, 1}, {2, 1}, {1, 0}, {0, -1}}) {
        ASSERT_EQ(grid.DeleteRow(row), UG_SUCCESS);
        EXPECT_EQ(grid.GetCurrentRow(), current) << row;
    }
    EXPECT_EQ(grid.GetCurrentCol(), -1);
    EXPECT_NE(grid.DeleteRow(0), UG_SUCCESS);

    // SelectRow keeps the cursor's column; a grid that never had one starts at column 0.
    AddRows({5, 6});
    EXPECT_EQ(grid.GetCurrentRow(), -1);
    ASSERT_EQ(grid.SelectRow(1), UG_SUCCESS);
    EXPECT_EQ(std::pair(grid.GetCurrentCol(), grid.GetCurrentRow()), std::pair(1, 1));
    CUGCtrl fresh;
    fresh.SetNumberCols(3, 0);
    fresh.SetNumberRows(2, 0);
    ASSERT_EQ(fresh.SelectRow(1), UG_SUCCESS);
    EXPECT_EQ(fresh.GetCurrentCol(), 0);
    // The cursor's place survives clearing and refilling.
    grid.SetNumberRows(0, 0);
    EXPECT_EQ(grid.GetCurrentRow(), -1);
    AddRows({7, 8});
    EXPECT_EQ(grid.GetCurrentRow(), 1);
}

TEST_F(GridControlTest, ArrowKeysMoveTheCurrentCellWithinTheGrid) {
    grid.SetNumberCols(2, 0);
    AddRows({0, 1, 2});
    // Key, already processed, the cell it leads to. From no cell Down lands on the first
    // row, then moves down; moves stop at the grid's edges.
    using Step = std::tuple<unsigned, int, int, int>;
    for (auto [key, processed, col, row] :
         {Step{cartera::kVkDown, 0, 0, 1}, Step{cartera::kVkEnd, 0, 0, 2},
          Step{cartera::kVkDown, 0, 0, 2}, Step{cartera::kVkRight, 0, 1, 2},
          Step{cartera::kVkRight, 0, 1, 2}, Step{cartera::kVkHome, 1, 1, 2},
          Step{cartera::kVkHome, 0, 1, 0}}) {
        grid.OnKeyDown(&key, processed);
        EXPECT_EQ(std::pair(grid.GetCurrentCol(), grid.GetCurrentRow()), std::pair(col, row));
    }
    EXPECT_EQ(observer.current, 4);  // one per actual move
}

TEST_F(GridControlTest, SortIsStableInBothDirectionsAndOnlyRedrawsAndStructureNotify) {
    grid.SetNumberCols(2, 0);
    AddRows({3, 1, 3, 2, 1});
    grid.SetRowHeight(4, 7);

    ASSERT_EQ(grid.SortBy(0, UG_SORT_ASCENDING), UG_SUCCESS);
    EXPECT_EQ(grid.seenFlags, UG_SORT_ASCENDING);
    EXPECT_EQ(RowIds(), (std::vector<uint64_t>{1, 4, 3, 0, 2}));
    // Whole rows move: the other column and the row height follow.
    EXPECT_EQ(std::tuple(grid.QuickGetText(1, 1), grid.GetRowHeight(1), grid.GetRowHeight(0)),
              std::tuple("r4", 7, grid.GetDefRowHeight()));

    grid.seenFlags = 0;
    ASSERT_EQ(grid.SortBy(0, UG_SORT_DESCENDING), UG_SUCCESS);
    EXPECT_EQ(grid.seenFlags, UG_SORT_DESCENDING);
    // Equal values keep the order they had before this sort.
    EXPECT_EQ(RowIds(), (std::vector<uint64_t>{0, 2, 3, 1, 4}));

    EXPECT_NE(grid.SortBy(2, UG_SORT_ASCENDING), UG_SUCCESS);
    EXPECT_NE(grid.SortBy(0, 3), UG_SUCCESS);
    EXPECT_EQ(RowIds(), (std::vector<uint64_t>{0, 2, 3, 1, 4}));

    // Only explicit redraws and structure changes notify.
    observer.Reset();
    AddRows(std::vector<int>(2000, 1));
    grid.QuickSetTextColor(0, 5, RGB(1, 2, 3));
    grid.SortBy(0, UG_SORT_DESCENDING);
    grid.DeleteRow(3);
    grid.SetNumberRows(0, 0);
    AddRows({1, 2, 3});
    EXPECT_EQ(observer.Total(), 0);

    grid.RedrawRow(2);
    grid.RedrawRow(3);  // no such row
    EXPECT_EQ(observer.rows, std::vector<int>{2});
    EXPECT_EQ(observer.Total(), 1);

    grid.RedrawAll();
    EXPECT_EQ(observer.redrawAll, 1);
    grid.SetNumberRows(10, 1);
    grid.SetColWidth(1, 120);
    EXPECT_EQ(std::pair(observer.structure, grid.GetColWidth(1)), std::pair(2, 120));
}

}  // namespace
