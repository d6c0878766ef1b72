// The currency columns of the list grids: out of the way until a row is in another currency.
#include <gtest/gtest.h>

#include "grids/column_ids.h"
#include "host/archive.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class CurrencyColumnsTest : public GridsTest {
  protected:
    CurrencyColumnsTest() { ledger.SetCurrency("EUR"); }
    // A dollar execution at the rate given.
    void AddUsd(bool buy, double price, double rate) {
        COrderCartera m = Exec(buy, "AAPL", 10, price);
        m.currency = PooledText("USD");
        m.rate = rate;
        ledger.AddOrder(m);
        for (CGridQBase* grid : std::initializer_list<CGridQBase*>{&movements, &open, &closed})
            grid->FillGrid();
    }
    static bool Shown(const CBaseGrid& grid, int id) { return grid.GetHeader().GetVisible(id); }
};

// Bought 10 at 100 dollars at 0.90 euros, sold at 110 at 0.95: 100 dollars gained are 95
// euros at the exit rate, and the dollars paid gained 50 euros while held.
TEST_F(CurrencyColumnsTest, HiddenWhileAllIsInEurosShownWithTheResultInEurosOnceNot) {
    ledger.AddOrder(Exec(true, "SAN", 5, 4.0));
    movements.FillGrid();
    EXPECT_FALSE(Shown(movements, column::kCurrency));
    EXPECT_FALSE(Shown(movements, column::kRate));

    AddUsd(true, 100, 0.90);
    EXPECT_EQ(Text(movements, column::kCurrency, 0) + " " + Text(movements, column::kCurrency, 1),
              "EUR USD");
    EXPECT_EQ(Text(movements, column::kRate, 1), "0.9000");
    ledger.AddOrder(Action(kSplit, "SAN", "2:1", 20001));  // moves shares, no money
    movements.FillGrid();
    EXPECT_EQ(Text(movements, column::kCurrency, 2) + Text(movements, column::kRate, 2), "");
    EXPECT_EQ(Text(open, column::kEntryRate, 1), "0.9000");
    EXPECT_FALSE(Shown(closed, column::kCurrency));  // nothing closed in dollars yet

    AddUsd(false, 110, 0.95);
    ASSERT_EQ(closed.GetNumberRows(), 1);
    EXPECT_EQ(Text(closed, column::kProfit, 0), "100.00");
    EXPECT_EQ(Text(closed, column::kPricePart, 0), "95.00");
    EXPECT_EQ(Text(closed, column::kExchangePart, 0), "50.00");
    EXPECT_EQ(Text(closed, column::kBaseProfit, 0), "145.00");
}

// Hidden by hand, a column stays hidden, in this grid and in the layout saved and read back.
TEST_F(CurrencyColumnsTest, AColumnHiddenByHandStaysHiddenThroughASavedLayout) {
    AddUsd(true, 100, 0.90);
    ASSERT_TRUE(Shown(movements, column::kCurrency));
    movements.OnMenuCommand(0, 0, UG_GRID,
                            CGridTabla::kMenuColumnFirst + Col(movements, column::kCurrency));
    AddUsd(true, 101, 0.91);
    EXPECT_FALSE(Shown(movements, column::kCurrency));
    EXPECT_TRUE(Shown(movements, column::kRate));

    std::string bytes;
    CArchive out(&bytes);
    movements.Serialize(out);
    CGridCartera loaded;
    loaded.CreateGrid(RECT{}, nullptr, 123);
    loaded.SetLedger(&ledger);
    CArchive in{std::string_view(bytes)};
    loaded.Serialize(in);
    EXPECT_FALSE(Shown(loaded, column::kCurrency));
    EXPECT_TRUE(Shown(loaded, column::kRate));
}

}  // namespace
}  // namespace cartera::testing
