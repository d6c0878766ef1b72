#include "grids/grid_cartera.h"

#include <gtest/gtest.h>

#include <tuple>

#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class MovementsGridTest : public GridsTest {
  protected:
    int Add(COrderCartera m) {
        ledger.AddOrder(std::move(m));
        movements.FillGrid();
        return movements.GetNumberRows() - 1;
    }
    std::string Total(int row) { return Text(movements, 3395, row); }
    COLORREF TotalColor(int row) { return TextColor(movements, 3395, row); }
};

// The buy's whole row is in the text table's test; here each type's letter, signed total and
// colour, and the movement's id in every written cell.
TEST_F(MovementsGridTest, EachTypeShowsItsLetterAndTotalAndEveryCellTheId) {
    struct Case {
        COrderCartera movement;
        const char* letter;
        const char* total;
        COLORREF color;
    };
    const Case cases[] = {{Exec(false, "ACME", 10, 5.0, 0.1), "S", "49.00", kText},
                          {Cash(kDividend, 3, 2.5), "DI", "7.50", kText},
                          {Cash(kExpense, 3, 2.5), "EX", "7.50", kRed},
                          {Cash(kImposition, 3, 2.5), "IM", "7.50", kText},
                          {Cash(kDeposit, 3, 2.5), "DEP", "7.50", kText},
                          {Cash(kRefund, 3, 2.5), "RE", "7.50", kRed},
                          {Action(kSplit, "ACME", "4:1"), "SPL", "0.00", kText},
                          {Cash(13, 2, 4.0), "", "8.00", kText},  // a type of no movement
                          {Cash(kExpense, 1, -1234.5), "EX", "-1,234.50", kRed}};
    for (const Case& c : cases) {
        int row = Add(c.movement);
        EXPECT_EQ(std::tuple(Text(movements, 3381, row), HasText(movements, 3381, row), Total(row),
                             TotalColor(row)),
                  std::tuple(c.letter, true, c.total, c.color))
            << row;
        for (int col = 0; col < 8; ++col)
            EXPECT_EQ(movements.PeekCell(col, row)->GetID64(0), ledger.GetOrders()[row].id);
        EXPECT_EQ(movements.GetRowID(row), ledger.GetOrders()[row].id);
    }
    SetLanguage(Language::de);
    movements.FillGrid();
    EXPECT_EQ(Total(8) + " " + Text(movements, 3381, 8), "-1.234,50 AU");
    COrderCartera m;
    m.balance = -2.0;
    EXPECT_EQ(movements.CellText(3401, m, nullptr), "-2,00");
}

// An action's row says what it did where an execution's says how many: a split new for old.
TEST_F(MovementsGridTest, AnActionShowsItsTermsAsItsContracts) {
    for (auto [type, terms, shown] : {std::tuple{kSplit, "4:1", "4:1"},
                                      {kSplit, "1:10", "1:10"},
                                      {kRename, "to=ACME2", "\u2192 ACME2"},
                                      {kSpinOff, "1:4 to=SPIN cost=0.2", "1:4 \u2192 SPIN"}})
        EXPECT_EQ(Text(movements, 3385, Add(Action(type, "ACME", terms))), shown) << terms;
    SetLanguage(Language::de);
    EXPECT_EQ(Text(movements, 3385, Add(Action(kSplit, "ACME", "1.5:1"))), "1,5:1");
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
    EXPECT_EQ(box.questions[0].text.rfind("Do you want to delete the selected row?", 0), 0u);
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
