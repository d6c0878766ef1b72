#include "grids/grid_valoracion.h"

#include <gtest/gtest.h>

#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

constexpr COLORREF kValue = RGB(0, 0, 139);

class ValuationGridTest : public LedgerTest {
  protected:
    ValuationGridTest() {
        grid.CreateGrid(RECT{}, nullptr, 123);
        grid.SetLedger(&ledger);
        ledger.AddView(&grid);
        grid.Refresh();
    }
    std::string Amount(int row) { return grid.QuickGetText(2, row); }
    std::string Percent(int row) { return grid.QuickGetText(4, row); }

    CSistemaCartera ledger{ctx};
    CGridValoracion grid;
};

// Impositions 1000, expenses 10, a closed gain of 110 (capital 1100) and 100 shares held at
// 6 (invested 600) now quoted 6.5 (open profit 50).
TEST_F(ValuationGridTest, WorkedExample) {
    ledger.AddOrder(Cash(kImposition, 1, 1000));
    ledger.AddOrder(Cash(kExpense, 1, 10));
    ledger.AddOrder(Exec(true, "DONE", 10, 10.0));
    ledger.AddOrder(Exec(false, "DONE", 10, 21.0));
    ledger.AddOrder(Exec(true, "HELD", 100, 6.0));
    Tick("HELD", 6.5);
    EXPECT_EQ(Amount(11), "0.00");  // the tick alone redraws nothing
    ledger.DoIdle();

    // Row, amount and percentage ("" where the row has none).
    for (auto [row, amount, percent] :
         {std::tuple{1, "1,000.00", ""}, std::tuple{4, "10.00", ""},
          std::tuple{7, "110.00", "11.00 %"}, std::tuple{8, "1,100.00", ""},
          std::tuple{9, "600.00", "54.55 %"}, std::tuple{10, "500.00", "45.45 %"},
          std::tuple{11, "50.00", "5.00 %"}, std::tuple{12, "650.00", ""},
          std::tuple{13, "1,150.00", ""}, std::tuple{15, "160.00", "16.00 %"}}) {
        EXPECT_EQ(Amount(row), amount) << row;
        EXPECT_EQ(Percent(row), percent) << row;
    }
    EXPECT_EQ(grid.PeekCell(2, 15)->GetTextColor(), kValue);
}

TEST_F(ValuationGridTest, ZeroDivisorsAndNegativeAmounts) {
    ledger.AddOrder(Cash(kImposition, 1, 100));
    ledger.AddOrder(Cash(kRefund, 1, 100));
    ledger.AddOrder(Cash(kDividend, 4, 2.5));
    // Net contributions 0: rows 7, 11 and 15 show no percentage, a dash.
    EXPECT_EQ(Amount(7), "10.00");
    for (int row : {7, 11, 15}) EXPECT_EQ(Percent(row), "\u2013") << row;
    EXPECT_EQ(Percent(9) + " " + Percent(10), "0.00 % 100.00 %");

    ledger.AddOrder(Cash(kRefund, 1, 30));  // capital 10 - 30, more taken out than put in
    EXPECT_EQ(Amount(8), "-20.00");
    EXPECT_EQ(grid.PeekCell(2, 8)->GetTextColor(), kValue);
    EXPECT_EQ(Percent(7) + " " + Percent(9) + " " + Percent(10), "\u2013 \u2013 \u2013");
    ledger.AddOrder(Cash(kDeposit, 1, 20));  // capital 0
    EXPECT_EQ(Amount(8) + " " + Percent(9) + " " + Percent(10), "0.00 \u2013 \u2013");
}

// Dollars bought at 0.90 euros and sold at 0.95: the 1,000 dollars paid gained 50 euros.
TEST_F(ValuationGridTest, NamesTheCurrencyAndShowsWhatTheRatesDidOnceAMovementIsInAnother) {
    ledger.SetCurrency("EUR");
    ledger.AddOrder(Exec(true, "SAN", 5, 4.0));
    EXPECT_EQ(grid.QuickGetText(2, 0), "Amount (EUR)");
    EXPECT_EQ(grid.GetRowHeight(CGridValoracion::kExchangeRow), 0);
    const int height = grid.GetPreferredHeight();
    for (auto [buy, price, rate] : {std::tuple{true, 100.0, 0.90}, {false, 110.0, 0.95}}) {
        COrderCartera m = Exec(buy, "AAPL", 10, price);
        m.currency = PooledText("USD");
        m.rate = rate;
        ledger.AddOrder(m);
    }
    EXPECT_GT(grid.GetRowHeight(CGridValoracion::kExchangeRow), 2);
    EXPECT_EQ(grid.QuickGetText(0, CGridValoracion::kExchangeRow), "Of it, exchange rates");
    EXPECT_EQ(Amount(CGridValoracion::kExchangeRow), "50.00");
    // The cash in each currency, in it: 5 x 4 euros out; 1,000 dollars out, 1,100 in.
    const int cash = CGridValoracion::kFirstCashRow;
    EXPECT_EQ(grid.QuickGetText(0, cash) + " " + Amount(cash) + " " +
                  grid.QuickGetText(0, cash + 1) + " " + Amount(cash + 1),
              "Cash in EUR -20.00 Cash in USD 100.00");
    EXPECT_EQ(grid.GetRowHeight(cash + 2), 0);
    // The table needs room for the rows it now shows, and no more.
    EXPECT_EQ(grid.GetPreferredHeight() - height, grid.GetRowHeight(CGridValoracion::kExchangeRow) +
                                                      grid.GetRowHeight(cash) +
                                                      grid.GetRowHeight(cash + 1));
}

TEST_F(ValuationGridTest, OpenTradeRowsRedrawTheGrid) {
    RecordingObserver observer;
    grid.SetObserver(&observer);
    grid.UpdateCapitalRows();
    grid.UpdateOpenTradeRows();
    EXPECT_EQ(observer.redrawAll, 1);  // the open-trade rows only
    grid.SetObserver(nullptr);
    // Without a ledger nothing is read.
    CGridValoracion unlinked;
    unlinked.CreateGrid(RECT{}, nullptr, 1);
    unlinked.Refresh();
    EXPECT_EQ(unlinked.QuickGetText(2, 1), "");
}

}  // namespace
}  // namespace cartera::testing
