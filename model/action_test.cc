#include "model/action.h"

#include <tuple>

#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

TEST(ActionTermsTest, ReadWhatTheyWriteAndRefuseRatiosOfNothing) {
    ActionTerms terms;
    ASSERT_TRUE(ParseRatio("0.3547:1", &terms.ratioNew, &terms.ratioOld, nullptr));
    terms.newCode = "NEW.MC";
    terms.costShare = Quantity::FromUnits(Quantity::kScale / 4);
    const std::string text = FormatTerms(kSpinOff, terms);
    EXPECT_EQ(text, "0.3547:1 to=NEW.MC cost=0.25");
    ActionTerms back;
    ASSERT_TRUE(ParseTerms(text, &back));
    EXPECT_EQ(FormatTerms(kSpinOff, back), text);
    EXPECT_EQ(FormatTerms(kRename, back), "to=NEW.MC");  // each kind writes what it reads
    std::string why;
    for (const char* bad : {"0:1", "4:-1", "4", "a:1", "4:1:2", "2000000000:1"})
        EXPECT_FALSE(ParseTerms(bad, &back, &why)) << bad;
    EXPECT_FALSE(ParseTerms("1:2 cost=1.5", &back, &why));
    EXPECT_EQ(why, "a cost share is a number from 0 to 1");
}

class ActionLedgerTest : public LedgerTest {
  protected:
    // The open lots as (code, contracts, entry date, cost with commission).
    using Lot = std::tuple<std::string, std::string, int32_t, double>;
    std::vector<Lot> Lots() const {
        std::vector<Lot> lots;
        for (const CNegocioC& t : ledger.GetOpenTrades())
            lots.emplace_back(t.quoteCode, t.contracts.Text(), t.entryDate,
                              (t.entryPrice + t.entryCommission) * t.contracts.ToDouble());
        return lots;
    }
    // Adds the action, then takes it back and puts it back as undo and redo do: the lots are
    // those before it, then those after again.
    void AddAndUndo(const COrderCartera& action, const std::vector<Lot>& after) {
        const std::vector<Lot> before = Lots();
        ledger.AddOrder(action);
        EXPECT_EQ(Lots(), after);
        const PlacedOrder added{ledger.GetOrders().size() - 1, ledger.GetOrders().back()};
        ledger.DelOrder(added.order.id);
        EXPECT_EQ(Lots(), before);
        ledger.InsertOrders({added});
        EXPECT_EQ(Lots(), after);
    }
    CSistemaCartera ledger{ctx};
};

TEST_F(ActionLedgerTest, SplitsKeepEachLotsDateAndCostAndLaterSellsMeetTheAdjustedLots) {
    ledger.AddOrder(Exec(true, "ACME", 10, 100.0, 0.5, 20001));
    ledger.AddOrder(Exec(false, "ACME", 4, 110.0, 0.0, 20002));
    ledger.AddOrder(Exec(true, "ACME", 10, 120.0, 0.0, 20003));
    AddAndUndo(Action(kSplit, "ACME", "4:1", 20004),
               {{"ACME", "24", 20001, 603.0}, {"ACME", "40", 20003, 1200.0}});
    ledger.AddOrder(Exec(false, "ACME", 30, 40.0, 0.0, 20005));
    const auto& closed = ledger.GetClosedTrades();
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_EQ(std::tuple(closed[0].contracts, closed[0].entryPrice), std::tuple(4, 100.0));
    EXPECT_EQ(std::tuple(closed[1].contracts, closed[1].entryPrice), std::tuple(24, 25.0));
    EXPECT_DOUBLE_EQ(closed[1].profit, (40.0 - 25.125) * 24);
    EXPECT_EQ(std::tuple(closed[2].contracts, closed[2].entryDate), std::tuple(6, 20003));
}

TEST_F(ActionLedgerTest, AReverseSplitSellsTheFractionPaidInCash) {
    ledger.AddOrder(Exec(true, "REV", 15, 10.0, 0.0, 20001));
    COrderCartera action = Action(kSplit, "REV", "1:10", 20002);
    action.contracts = Quantity::FromUnits(Quantity::kScale / 2);  // 1.5 new: 0.5 paid
    action.price = 120.0;                                          // per new share
    AddAndUndo(action, {{"REV", "1", 20001, 100.0}});
    ASSERT_EQ(ledger.GetClosedTrades().size(), 1u);
    const CNegocioC& cash = ledger.GetClosedTrades()[0];
    EXPECT_EQ(std::tuple(cash.contracts.Text(), cash.profit), std::tuple("0.5", 10.0));
}

TEST_F(ActionLedgerTest, RenamesAndMergersCarryTheLotsOnUnderTheNewCode) {
    ledger.AddOrder(Exec(true, "OLD", 10, 5.0, 0.0, 20001));
    AddAndUndo(Action(kRename, "OLD", "to=NEW", 20002), {{"NEW", "10", 20001, 50.0}});
    EXPECT_EQ(service.RegistrationCount(&ledger, "new"), 1) << "its ticks value the lots";
    AddAndUndo(Action(kMerger, "new", "1:2 to=BIG", 20003), {{"BIG", "5", 20001, 50.0}});
    ledger.AddOrder(Exec(false, "BIG", 5, 12.0, 0.0, 20004));
    ASSERT_EQ(ledger.GetClosedTrades().size(), 1u);
    EXPECT_DOUBLE_EQ(ledger.GetClosedTrades()[0].profit, 10.0);
    ledger.AddOrder(Exec(false, "OLD", 1, 5.0, 0.0, 20005));  // nothing of OLD is left
    EXPECT_EQ(ledger.GetOpenTrades()[0].isLong, 0);
}

TEST_F(ActionLedgerTest, StockDividendsAddSharesAtNoCostDatedTheAction) {
    ledger.AddOrder(Exec(true, "SD", 20, 10.0, 0.0, 20001));
    AddAndUndo(Action(kStockDividend, "SD", "1:20", 20002),
               {{"SD", "20", 20001, 200.0}, {"SD", "1", 20002, 0.0}});
    COrderCartera shares = Action(kStockDividend, "SD", "", 20003);
    shares.contracts = 3;
    ledger.AddOrder(shares);
    EXPECT_EQ(Lots().back(), Lot("SD", "3", 20003, 0.0));
}

TEST_F(ActionLedgerTest, SpinOffsGiveTheNewLotsTheirShareOfCostAndTheParentsDates) {
    ledger.AddOrder(Exec(true, "PAR", 10, 100.0, 0.0, 20001));
    ledger.AddOrder(Exec(true, "PAR", 4, 50.0, 0.0, 20002));
    AddAndUndo(Action(kSpinOff, "PAR", "1:2 to=KID cost=0.2", 20003), {{"PAR", "10", 20001, 800.0},
                                                                       {"PAR", "4", 20002, 160.0},
                                                                       {"KID", "5", 20001, 200.0},
                                                                       {"KID", "2", 20002, 40.0}});
    ledger.AddOrder(Exec(false, "KID", 6, 30.0, 0.0, 20004));
    EXPECT_EQ(Lots().back(), Lot("KID", "1", 20002, 20.0));
}

}  // namespace
}  // namespace cartera::testing
