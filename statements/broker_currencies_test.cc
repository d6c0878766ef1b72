// Accounts in one currency holding shares in another, as the CSV brokers export them: each
// goes whole into one portfolio in the account's currency at the broker's own rates.
#include <gtest/gtest.h>

#include "model/exchange.h"
#include "model/sistema.h"
#include "model/trade.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"

namespace cartera::statements {
namespace {

class BrokerCurrenciesTest : public testing::LedgerTest {
  protected:
    // Imports the statement into a portfolio in `currency`: twice, the second adding nothing.
    void ImportWhole(const Statement& s, const char* currency) {
        ledger.SetCurrency(currency);
        ledger.AddOrders(PlanImport(s, ledger, {}).added);
        EXPECT_TRUE(PlanImport(s, ledger, {}).added.empty());
    }
    std::string Held() const {
        Quantity open;
        for (const CNegocioC& t : ledger.GetOpenTrades()) open += t.contracts;
        return open.Text();
    }
    double Cash(const std::string& currency) const {
        for (const CurrencyAmount& c : CashByCurrency(ledger.GetOrders(), ledger.GetCurrency()))
            if (c.currency == currency) return c.amount;
        return 0;
    }
    CSistemaCartera ledger{ctx};
};

// A GBP account: 2000 GBP paid in; 10 AAPL at 150 USD bought at 1.25 USD to the pound, its
// 1.80 GBP fee 2.25 USD, paid with 1201.80 GBP; 400 GBP converted into 508 USD for a fee of
// 0.60 GBP; a dividend of 10 x 0.204 USD net (0.36 withheld) paid out as 1.61 GBP; 4 sold
// at 180 USD at 1.20, fee 0.90 GBP (1.08 USD), for 599.10 GBP.
TEST_F(BrokerCurrenciesTest, Trading212PoundAccountWithDollarSharesGivesTheBrokersResult) {
    ImportWhole(Read("trading212", TestData("trading212/gbp_usd.csv")), "GBP");
    EXPECT_EQ(Held(), "6");
    ASSERT_EQ(ledger.GetClosedTrades().size(), 1u);
    // 4 x (180 - 0.27) USD / 1.20 - 4 x (150 + 0.225) USD / 1.25 = 599.10 - 480.72 = 118.38,
    // the broker's Result.
    EXPECT_NEAR(TradeBaseResult(ledger.GetClosedTrades()[0]), 118.38, 1e-9);
    // 2000 - 1201.80 - 400 - 0.60 + 1.61 + 599.10 pounds; the 508 dollars converted, every
    // other dollar spent as it came.
    EXPECT_NEAR(Cash("GBP"), 998.31, 1e-9);
    EXPECT_NEAR(Cash("USD"), 508, 1e-9);
}

// A EUR account: 5000 EUR paid in; 10 MSFT at 400 USD bought at 1.08 USD to the euro, the
// 4000 USD for 3703.70 EUR, costs 2.00 + 9.26 AutoFX EUR (12.1608 USD); 4 sold at 450 USD
// at 1.125, the 1800 USD for 1600 EUR, costs 2.00 + 4.00 EUR (6.75 USD).
TEST_F(BrokerCurrenciesTest, DegiroEuroAccountWithDollarSharesAndItsExchanges) {
    ImportWhole(Read("degiro", TestData("degiro/usd_trades.csv")), "EUR");
    ImportWhole(Read("degiro", TestData("degiro/usd_account.csv")), "EUR");
    EXPECT_EQ(Held(), "6");
    ASSERT_EQ(ledger.GetClosedTrades().size(), 1u);
    // (4 x 450 - 6.75) USD / 1.125 - 4/10 x (4000 USD / 1.08 + 11.26) = 1594.00 - 1485.98548.
    EXPECT_NEAR(TradeBaseResult(ledger.GetClosedTrades()[0]), 108.01452, 1e-5);
    // The broker's last balances: 5000 - 3703.70 - 11.26 + 1600 - 6.00 EUR, no dollars.
    EXPECT_NEAR(Cash("EUR"), 2879.04, 1e-9);
    EXPECT_NEAR(Cash("USD"), 0, 1e-9);
}

}  // namespace
}  // namespace cartera::statements
