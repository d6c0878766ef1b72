// Corporate actions of a Flex statement written for these tests, imported into a ledger.
#include "statements/actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "model/sistema.h"
#include "statements/detect.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"

namespace cartera::statements {
namespace {

using FlexActionsTest = testing::LedgerTest;

// flex_actions.xml: a buy of ABC, a 4 for 1 split, a sell, a 1 for 10 reverse split paying
// cash in lieu of 0.4 shares (its rows out, in and in cash, and a cancelled one), an ISIN
// change (a new conid, so ABC@1 becomes ABC@2), the last sell, and a spin-off without its
// share of cost. Every closing trade gives the statement's own realized result.
TEST_F(FlexActionsTest, SplitsCashInLieuAndAnIsinChangeKeepTheBrokersRealizedResult) {
    std::istringstream in(TestData("ib-flex-xml/flex_actions.xml"));
    const Statement s = ReadStatement(in, "ib-flex-xml");
    CSistemaCartera ledger{ctx};
    const ImportOptions options{"U1111111", "USD"};
    const ImportPlan plan = PlanImport(s, ledger, options);
    ledger.AddOrders(plan.added);
    EXPECT_EQ(PlanImport(s, ledger, options).skipped, plan.added.size()) << "nothing twice";
    std::vector<std::pair<int32_t, std::string>> actions;
    for (const COrderCartera& m : plan.added)
        if (m.IsAction()) actions.emplace_back(m.type, m.quoteCode + " " + m.terms);
    EXPECT_EQ(actions,
              (std::vector<std::pair<int32_t, std::string>>{
                  {kSplit, "ABC@1 4:1"}, {kSplit, "ABC@1 1:10"}, {kRename, "ABC@1 to=ABC@2"}}));
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_NE(plan.notes[0].text.find("spin-off"), std::string::npos);

    std::map<int32_t, double> ours, theirs;  // by the day each trade closed
    for (const CNegocioC& t : ledger.GetClosedTrades()) ours[t.exitDate] += t.profit;
    for (const StatementRow& r : s.rows) theirs[r.date] += r.realized;
    EXPECT_EQ(ours.size(), 3u);
    for (const auto& [date, profit] : ours) EXPECT_NEAR(profit, theirs[date], 0.005) << date;
    EXPECT_TRUE(ledger.GetOpenTrades().empty());
}

// Trading 212's 1:4 reverse split as its two rows: the 29.80478 shares of three buys (10.5
// at 80, 12.30478 at 81, 7 at 82) out, 7.451195 in.
TEST_F(FlexActionsTest, Trading212SplitRowsKeepEachLotsDateAndCost) {
    const std::string text = TestData("trading212/split.csv");
    const Statement s = Read("trading212", text);
    ASSERT_EQ(s.rows.size(), 4u);
    EXPECT_EQ(s.rows[3].ratio, "1:4");  // 7.451195 : 29.80478 = 7451195 : 29804780 = 1 : 4
    CSistemaCartera ledger{ctx};
    ledger.AddOrders(PlanImport(s, ledger, {}).added);
    Quantity held;
    std::vector<std::string> lots;
    for (const CNegocioC& t : ledger.GetOpenTrades()) {
        held += t.contracts;
        lots.push_back(
            IsoDate(t.entryDate) + " " + t.contracts.Text() + " " +
            ExactNumberText(std::round(t.entryPrice * t.contracts.ToDouble() * 1e6) / 1e6));
    }
    EXPECT_EQ(held.Text(), "7.451195");
    // A quarter of each lot's shares at four times its price: 10.5 / 4 = 2.625 at 320 still
    // cost 840, 12.30478 / 4 = 3.076195 at 324 cost 12.30478 x 81 = 996.68718.
    EXPECT_EQ(lots,
              (std::vector<std::string>{"2024-01-03 2.625 840", "2024-01-10 3.076195 996.68718",
                                        "2024-01-17 1.75 574"}));
    // A split row without its other half is a note.
    const Statement half = Read("trading212", text.substr(0, text.rfind("Stock split open")));
    EXPECT_EQ(half.rows.size(), 3u);
    ASSERT_EQ(half.notes.size(), 1u);
    EXPECT_EQ(half.notes[0].line, 5u);
}

// DEGIRO's 2 for 1 split as its two account lines, 10 shares out and 20 in (every language
// reads alike: broker_csv_test.cc).
TEST(DegiroActions, ASplitsTwoAccountLinesAreOneSplit) {
    const Statement s = Read("degiro", TestData("degiro/account_en.csv"));
    std::vector<std::string> splits;
    for (const StatementRow& r : s.rows)
        if (r.kind == RowKind::action) splits.push_back(r.security + " " + r.ratio);
    EXPECT_EQ(splits, std::vector<std::string>{"US0378331005 2:1"});
}

}  // namespace
}  // namespace cartera::statements
