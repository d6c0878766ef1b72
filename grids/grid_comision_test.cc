#include "grids/grid_comision.h"

#include <gtest/gtest.h>

#include "host/strings.h"
#include "testing/test_support.h"

namespace {

// A row of the grid: only the bounds and the royalty are shown.
stComision Row(double from, double to, double royalty) {
    stComision b = cartera::testing::Bracket("ignored", 4, from, to, -1, -1, royalty);
    b.commissionPct = 9;
    return b;
}

class BracketGridTest : public ::testing::Test {
  protected:
    BracketGridTest() {
        cartera::SetLanguage(cartera::Language::en);
        grid.CreateGrid(RECT{}, nullptr, 1);
    }
    CGridComision grid;
};

TEST_F(BracketGridTest, ValuesPassThroughTwoDecimals) {
    grid.AddBracketRow(Row(1000.456, 1000000, 2));
    grid.AddBracketRow(Row(0, 0.004, -1.5));
    EXPECT_EQ(
        grid.QuickGetText(0, 0) + " " + grid.QuickGetText(1, 0) + " " + grid.QuickGetText(2, 0),
        "1000.46 1000000.00 2.00");
    EXPECT_EQ(grid.QuickGetText(1, 1) + " " + grid.QuickGetText(2, 1), "0.00 -1.50");

    grid.QuickSetText(2, 1, "abc");
    CArrayComisiones read;
    read.push_back(stComision{});  // appended to, not replaced
    grid.ReadBracketRows(read);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_DOUBLE_EQ(read[2].royalty, 0);
    stComision fresh;
    fresh.from = 1000.46;
    fresh.to = 1000000;
    fresh.royalty = 2;
    EXPECT_EQ(read[1], fresh);

    // The content follows the column id, not the position.
    grid.MoveHeaderColumn(2, 0);
    grid.Clear();
    grid.AddBracketRow(Row(1, 2, 3));
    EXPECT_EQ(grid.QuickGetText(0, 0), "3.00");
    CArrayComisiones again;
    grid.ReadBracketRows(again);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(std::pair(again[0].from, again[0].royalty), std::pair(1.0, 3.0));
}

TEST_F(BracketGridTest, RemovingRows) {
    grid.RemoveCurrentRow();  // nothing current: nothing removed
    for (int i = 0; i < 3; ++i) grid.AddBracketRow(Row(i, i + 1, 0));
    grid.RemoveCurrentRow();
    EXPECT_EQ(grid.GetNumberRows(), 3);

    grid.SelectRow(2);  // the last of three
    grid.RemoveCurrentRow();
    EXPECT_EQ(grid.GetNumberRows(), 2);
    EXPECT_EQ(grid.GetCurrentRow(), 1);
    EXPECT_EQ(grid.QuickGetText(0, 1), "1.00");

    grid.SelectRow(0);  // a middle row: the next one takes its place
    grid.RemoveCurrentRow();
    EXPECT_EQ(grid.GetNumberRows(), 1);
    EXPECT_EQ(grid.GetCurrentRow(), 0);
    EXPECT_EQ(grid.QuickGetText(0, 0), "1.00");

    grid.RemoveCurrentRow();  // the only row
    EXPECT_EQ(grid.GetNumberRows(), 0);
    EXPECT_EQ(grid.GetCurrentRow(), -1);
    CArrayComisiones read;
    grid.ReadBracketRows(read);
    EXPECT_TRUE(read.empty());
}

}  // namespace
