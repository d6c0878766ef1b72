// Corporate actions of a Flex statement written for these tests, imported into a ledger.
#include "statements/actions.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace cartera::statements
