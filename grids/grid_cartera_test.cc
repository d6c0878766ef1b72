#include "grids/grid_cartera.h"

#include <gtest/gtest.h>

#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class MovementsGridTest : public GridsTest {
  protected:
    // Adds m and refills the movements grid; returns the row of the new movement.
    int Add(COrderCartera m) {
        ledger.AddOrder(std::move(m));
        movements.FillGrid();
        return movements.GetNumberRows() - 1;
    }
    std::string Total(int row) { return Text(movements, 3395, row); }
    COLORREF TotalColor(int row) { return TextColor(movements, 3395, row); }
};

TEST_F(MovementsGridTest, BuyAndSellRows) {
    int buy = Add(Exec(true, "ACME", 10, 5.0, 0.1));
    int sell = Add(Exec(false, "ACME", 10, 5.0, 0.1));
    // The buy's whole row is in the text table's test; the sell's commission is subtracted.
    EXPECT_EQ(Text(movements, 3381, sell), "S");
    EXPECT_EQ(Total(sell), "49.00");
    EXPECT_EQ(TotalColor(sell), kText);
    // Every written cell carries the movement's id.
    for (int col = 0; col < 8; ++col) {
        EXPECT_EQ(movements.PeekCell(col, buy)->GetID64(0), ledger.GetOrders()[0].id);
        EXPECT_EQ(movements.PeekCell(col, sell)->GetID64(0), ledger.GetOrders()[1].id);
    }
    EXPECT_EQ(movements.GetRowID(sell), 2u);
}

TEST_F(MovementsGridTest, CashMovementRows) {
    struct Case {
        int32_t type;
        const char* letter;
        COLORREF color;
    };
    const Case cases[] = {{kDividend, "DI", kText},
                          {kExpense, "EX", kRed},
                          {kImposition, "IM", kText},
                          {kDeposit, "DEP", kText},
                          {kRefund, "RE", kRed}};
    for (const Case& c : cases) {
        int row = Add(Cash(c.type, 3, 2.5));
        EXPECT_EQ(Text(movements, 3381, row), c.letter);
        EXPECT_EQ(Total(row), "7.50") << c.letter;
        EXPECT_EQ(TotalColor(row), c.color) << c.letter;
    }
    // A type outside 0..6: no letter, contracts x price.
    int odd = Add(Cash(9, 2, 4.0));
    EXPECT_EQ(Text(movements, 3381, odd), "");
    EXPECT_TRUE(HasText(movements, 3381, odd));
    EXPECT_EQ(Total(odd), "8.00");
    EXPECT_EQ(TotalColor(odd), kText);
}

TEST_F(MovementsGridTest, NegativeTotalsShowOneMinus) {
    int row = Add(Cash(kExpense, 1, -1234.5));
    EXPECT_EQ(Total(row), "-1,234.50");
    SetLanguage(Language::de);
    movements.FillGrid();
    EXPECT_EQ(Total(row), "-1.234,50");
    EXPECT_EQ(Text(movements, 3381, row), "AU");
    COrderCartera m;
    m.balance = -2.0;
    EXPECT_EQ(movements.CellText(3401, m, nullptr), "-2,00");
}

TEST_F(MovementsGridTest, HiddenColumnsGetNoTextUntilShown) {
    COrderCartera m = Exec(true, "ACME", 2, 10.0);
    m.guarantee = 7;
    m.time = TimeNumber(9, 30, 5);
    int row = Add(m);
    for (int id : {3388, 3389, 3383}) EXPECT_FALSE(HasText(movements, id, row)) << id;
    EXPECT_TRUE(movements.ShowHeaderColumn(3383, 1));  // refills
    EXPECT_EQ(Text(movements, 3383, row), "09:30:05");
    EXPECT_FALSE(HasText(movements, 3388, row));
    movements.ShowHeaderColumn(3388, 1);
    EXPECT_EQ(Text(movements, 3388, row), "7.00");
    EXPECT_EQ(Text(movements, 3382, row), DateText(m.date));
}

TEST_F(MovementsGridTest, FillFollowsTheSortState) {
    Add(Exec(true, "B", 1, 30.0));
    Add(Exec(true, "A", 1, 10.0));
    Add(Exec(true, "C", 1, 20.0));
    movements.SetSortCol(Col(movements, 3395));
    movements.SetSortAscending(0);
    movements.FillGrid();
    EXPECT_EQ(Text(movements, 3384, 0) + Text(movements, 3384, 1) + Text(movements, 3384, 2),
              "BCA");
    EXPECT_EQ(movements.PeekCell(0, 1)->GetBackColor(), movements.GetGridBackColor());
    EXPECT_EQ(movements.PeekCell(0, 2)->GetBackColor(), movements.GetAlternateRowColor());
}

TEST_F(MovementsGridTest, DeleteFromTheKeyOrTheMenuAsksFirst) {
    AnsweringMessageBox box(IDNO);
    unsigned key = kVkDelete;
    movements.OnKeyDown(&key, 0);  // empty grid: nothing asked
    Add(Cash(kImposition, 1, 100));
    Add(Cash(kDeposit, 1, 5));
    Add(Cash(kDeposit, 1, 6));
    movements.OnKeyDown(&key, 0);  // no current row yet
    movements.DeleteMovementRow(-1, -1);
    EXPECT_TRUE(box.questions.empty());

    movements.GotoCell(2, 1);
    movements.OnKeyDown(&key, 0);
    ASSERT_EQ(box.questions.size(), 1u);
    EXPECT_EQ(box.questions[0].text.rfind("Do you want to delete the selected row ?", 0), 0u);
    EXPECT_EQ(box.questions[0].type, unsigned{MB_YESNO | MB_ICONQUESTION});
    EXPECT_EQ(ledger.GetOrders().size(), 3u);
    box.answer = IDYES;
    movements.OnKeyDown(&key, 0);
    ASSERT_EQ(ledger.GetOrders().size(), 2u);
    EXPECT_EQ(ledger.GetOrders()[1].price, 6.0);
    movements.FillGrid();  // no document here to refill it
    // Other keys still reach the host grid: Up moves the cursor.
    unsigned up = kVkUp;
    movements.OnKeyDown(&up, 0);
    EXPECT_EQ(movements.GetCurrentRow(), 0);

    // The menu: Modify goes to the view, Delete asks and deletes the row clicked.
    movements.OnMenuCommand(0, 1, UG_GRID, kMenuModify);
    EXPECT_EQ(view.calls, std::vector<std::string>{"modify 3"});
    movements.OnMenuCommand(0, 0, UG_GRID, kMenuDelete);
    EXPECT_EQ(box.questions.size(), 3u);
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    EXPECT_EQ(ledger.GetOrders()[0].id, 3u);
    movements.FillGrid();
    movements.OnMenuStart(0, 0, UG_GRID);
    EXPECT_NE(movements.GetPopupMenu()->FindItem(kMenuDelete), nullptr);
}

}  // namespace
}  // namespace cartera::testing
