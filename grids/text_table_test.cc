#include "grids/text_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "grids/grid_valoracion.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class TextTableTest : public GridsTest {};

TEST_F(TextTableTest, ListGridWithHeadingsAlignmentAndColour) {
    ledger.AddOrder(Exec(true, "ACME", 10, 5.0, 0.1));
    ledger.AddOrder(Cash(kDeposit, 1, 1234.5));
    movements.FillGrid();
    std::string text = RenderGridText(movements);
    EXPECT_EQ(text,
              "Type  Symbol  Group  Date        Contracts     Price  Commissions     Total\n"
              "----  ------  -----  ----------  ---------  --------  -----------  --------\n"
              "B     ACME           04/10/2024         10      5.00         1.00     51.00\n"
              "DEP   cash           01/01/1970          1  1,234.50         0.00  1,234.50\n");
    std::string colored = RenderGridText(movements, GridTextOptions{true});
    EXPECT_NE(colored.find("\x1b[31m51.00\x1b[0m"), std::string::npos);
    EXPECT_EQ(colored.find("\x1b[31m1,234.50"), std::string::npos);  // a deposit is not red
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST_F(TextTableTest, ValuationTableHasNoHeadingsAndRulesForSeparators) {
    CGridValoracion valuation;
    valuation.CreateGrid(RECT{}, nullptr, 1);
    valuation.SetLedger(&ledger);
    ledger.AddOrder(Cash(kImposition, 1, 1000));
    valuation.Refresh();
    std::istringstream text(RenderGridText(valuation));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], "        Item           Amount      %");
    EXPECT_EQ(lines[1], "Capital Contribution  1,000.00");
    EXPECT_EQ(lines[6],
              std::string(20, '-') + "  " + std::string(8, '-') + "  " + std::string(8, '-'));
    EXPECT_EQ(lines[9], "Invested Capital          0.00    0.00 %");
    EXPECT_EQ(lines[14], lines[6]);
}

TEST(TextTablePlain, CountsCharactersNotBytes) {
    CUGCtrl grid;
    grid.SetNumberCols(2);
    grid.SetNumberRows(2);
    const char* cells[3][2] = {{"Name", "N"}, {"Größe", "1"}, {"x", "22"}};
    for (int row = -1; row < 2; ++row) {  // the headings, then two rows
        grid.QuickSetText(0, row, cells[row + 1][0]);
        grid.QuickSetText(1, row, cells[row + 1][1]);
        grid.QuickSetAlignment(1, row, UG_ALIGNRIGHT);
    }
    grid.SetColHidden(1, 0);
    EXPECT_EQ(RenderGridText(grid), "Name    N\n-----  --\nGröße   1\nx      22\n");
    grid.SetColHidden(1, 1);
    EXPECT_EQ(RenderGridText(grid), "Name\n-----\nGröße\nx\n");
    CUGCtrl empty;
    empty.SetTH_Height(0);
    EXPECT_EQ(RenderGridText(empty), "");
}

}  // namespace
}  // namespace cartera::testing
