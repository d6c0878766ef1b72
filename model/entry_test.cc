#include "model/entry.h"

#include <clocale>
#include <tuple>

#include "testing/test_ledger.h"
#include "text/number.h"

namespace cartera::testing {
namespace {

class EntryTest : public LedgerTest {
  protected:
    // A kind-4 schedule whose only cost is a fixed royalty.
    void AddSchedule(const std::string& name, double royalty, bool isDefault = false) {
        stComision b = Bracket(name, 4, 0, 1e9, -1, -1, royalty);
        b.isDefault = isDefault;
        ledger.GetAdmComisiones()->Add(b);
    }
    BuySellPage Page(bool buy, const std::string& contracts, const std::string& price) {
        BuySellPage p;
        p.buy = buy;
        p.code = "ACME";
        p.symbol = "Acme Corp";
        p.symbolDecimals = 3;
        p.contractsText = contracts;
        p.priceText = price;
        p.when = kNow;
        return p;
    }
    CSistemaCartera ledger{ctx};
};

TEST_F(EntryTest, BuyAndSellWithAScheduleStoreTheDisplayedCommission) {
    AddSchedule("Broker", 8.0);
    ledger.AddOrder(BuildCashMovement(kImposition, "Savings", 5000.0, kNow));
    BuySellPage page = Page(true, "100", "10.5");
    page.schedule = DefaultScheduleItem(*ledger.GetAdmComisiones());
    ASSERT_EQ(page.schedule, "Broker");
    BuySellAmounts shown = UpdateAmounts(*ledger.GetAdmComisiones(), page);
    EXPECT_EQ(shown.gross + " " + shown.commission + " " + shown.total, "1050.00 8.00 1058.00");
    auto m = BuildBuySell(ledger, page);
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(m->commission, 0.08);  // the shown 8.00 over 100 contracts
    EXPECT_EQ(std::tuple(m->decimals, m->balance), std::tuple(3, 5000.0));  // balance: capital
    EXPECT_EQ(m->date * 86400 + m->time, kNow);
    page.buy = false;
    EXPECT_EQ(UpdateAmounts(*ledger.GetAdmComisiones(), page).total, "1042.00");
    EXPECT_EQ(BuildBuySell(ledger, page)->type, kSell);

    // The commission stored is the one displayed.
    AddSchedule("Odd", 8.456);
    page = Page(true, "4", "10");
    page.schedule = "Odd";
    EXPECT_EQ(UpdateAmounts(*ledger.GetAdmComisiones(), page).commission, "8.46");
    EXPECT_DOUBLE_EQ(BuildBuySell(ledger, page)->commission, 8.46 / 4);
    // Without a schedule the typed commission stays.
    page.schedule.reset();
    page.commissionText = "3.5";
    EXPECT_EQ(UpdateAmounts(*ledger.GetAdmComisiones(), page).total, "43.50");
    m = BuildBuySell(ledger, page);
    EXPECT_EQ(m->schedule, "");
    EXPECT_DOUBLE_EQ(m->commission, 3.5 / 4);
    page.commissionText = "";
    EXPECT_EQ(BuildBuySell(ledger, page)->commission, 0.0);
}

TEST_F(EntryTest, ContractsOfNothingOrBeyondTheBoundsRecordNothing) {
    // Nor a number the box did not hold: never its first digits, never a cut or rounded value.
    for (const char* text : {"0", "-3", "x", "", "2,5", "3000000000", "2.5.1", "0.00000000001"})
        EXPECT_FALSE(BuildBuySell(ledger, Page(true, text, "10"))) << text;
    EXPECT_EQ(BuildBuySell(ledger, Page(true, "0.0000000001", "10"))->contracts.Text(),
              "0.0000000001");
    EXPECT_TRUE(BuildBuySell(ledger, Page(true, "1", "junk")));
    EXPECT_EQ(BuildBuySell(ledger, Page(true, "1", "junk"))->price, 0.0);
}

TEST_F(EntryTest, AnOrderBeyondThePositionItMeetsIsFound) {
    ledger.AddOrder(Exec(true, "ACME", 60, 10.0));
    ledger.AddOrder(Exec(false, "BETA", 30, 10.0));  // a short
    // code, buy, contracts, the contracts held it goes beyond (-1: it does not)
    for (auto [code, buy, contracts, held] :
         {std::tuple{"acme", false, 100, 60}, std::tuple{"ACME", false, 60, -1},
          std::tuple{"ACME", true, 100, -1}, std::tuple{"BETA", true, 45, 30},
          std::tuple{"BETA", false, 5, -1}, std::tuple{"NONE", false, 5, 0},
          std::tuple{"NONE", true, 5, -1}}) {
        auto over = FindOvershoot(ledger, code, buy, contracts);
        EXPECT_EQ(over ? over->held : -1, held) << code << buy << contracts;
        EXPECT_EQ(over ? over->opened : -1, over ? contracts - held : -1);
    }
}

TEST_F(EntryTest, BoxTextsReadTheSameUnderAnyProcessLocale) {
    // The workstation's toolkit runs the process under the user's locale.
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.utf8")) GTEST_SKIP() << "no German locale";
    EXPECT_EQ(FormatFixed(1058.456, 2), "1058.46");
    EXPECT_DOUBLE_EQ(ReadNumberPrefix(" +10.5x"), 10.5);
    EXPECT_EQ(ReadContracts("100 "), 100);
    EXPECT_EQ(ReadContracts("abc"), std::nullopt);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST_F(EntryTest, ScheduleSelectionUsesThePrefixRule) {
    EXPECT_FALSE(DefaultScheduleItem(*ledger.GetAdmComisiones()));
    AddSchedule("Broker 2", 1.0);
    AddSchedule("Broker", 1.0, true);
    AddSchedule("alpha", 1.0);
    auto items = ScheduleListItems(*ledger.GetAdmComisiones());
    EXPECT_EQ(items, (std::vector<std::string>{"alpha", "Broker", "Broker 2"}));
    EXPECT_EQ(DefaultScheduleItem(*ledger.GetAdmComisiones()), "Broker");
    EXPECT_EQ(SelectByPrefix(items, "broker"), "Broker");
    EXPECT_EQ(SelectByPrefix(items, "BROKER 2"), "Broker 2");
    EXPECT_EQ(SelectByPrefix(items, ""), "alpha");
    EXPECT_FALSE(SelectByPrefix(items, "Zeta"));
    ledger.GetAdmComisiones()->SetDefault("Nobody");
    EXPECT_EQ(DefaultScheduleItem(*ledger.GetAdmComisiones()), "alpha");
}

}  // namespace
}  // namespace cartera::testing
