#include "model/demo.h"

#include <fstream>
#include <set>

#include "commissions/comisiones.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_hooks.h"
#include "testing/test_support.h"

namespace cartera::testing {
namespace {

// A temporary home folder, where the demo portfolio and the schedules are written.
class DemoPortfolioTest : public HooksTest {
  protected:
    std::string Build(const std::string& name) {
        std::string path = hooks.Home() + "/" + name + PortfolioExtension();
        EXPECT_EQ(BuildDemoPortfolio(path).message(), "");
        return path;
    }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(DemoPortfolioTest, HoldsEveryKindOfMovementAndTrade) {
    std::string path = Build("demo");
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    ASSERT_EQ(doc.Load(path).message(), "");

    std::set<int32_t> types;
    for (const auto& m : ledger.GetOrders()) types.insert(m.type);
    EXPECT_EQ(types, (std::set<int32_t>{0, 1, 2, 3, 4, 5, 6}));

    // A gain and a loss among the closed trades, a long and a short among the open ones.
    std::set<std::pair<bool, bool>> closed, open;  // (long, gain)
    for (const CNegocioC& t : ledger.GetClosedTrades()) closed.insert({true, t.profit > 0});
    for (const CNegocioC& t : ledger.GetOpenTrades()) open.insert({t.isLong != 0, true});
    EXPECT_EQ(std::pair(closed.size(), open.size()), std::pair(size_t{2}, size_t{2}));
    EXPECT_DOUBLE_EQ(ledger.GetDividendos(), 120.0);

    // Buys and sells are priced by the schedule and store the commission as displayed: Inditex,
    // 60 x 36.40 = 2184 in the first bracket: 0.25% = 5.46 (over the minimum 4), brokerage
    // 0.05% = 1.092 (over 1), so 6.552, shown as 6.55.
    const COrderCartera* inditex = nullptr;
    for (const auto& m : ledger.GetOrders())
        if (m.quoteCode == "ITX.MC" && m.type == kBuy) inditex = &m;
    ASSERT_NE(inditex, nullptr);
    EXPECT_EQ(inditex->schedule, kDemoSchedule);
    EXPECT_DOUBLE_EQ(inditex->commission * 60, 6.55);
}

TEST_F(DemoPortfolioTest, IsReproducibleAndReplacesOnlyItsSchedule) {
    CAdmComisiones adm;
    stComision other = Bracket("Mine", 4, 0, 100);
    other.isDefault = 1;
    adm.Add(other);
    ASSERT_TRUE(adm.Save().ok());

    EXPECT_EQ(Bytes(Build("one")), Bytes(Build("two")));

    adm.Load();
    CArrayComisiones brackets;
    adm.GetBrackets(kDemoSchedule, 4, brackets);
    EXPECT_EQ(brackets.size(), 3u);  // built twice, still one schedule
    EXPECT_EQ(adm.GetDefaultName(4), kDemoSchedule);
    EXPECT_TRUE(adm.Exists("Mine", 4));
    for (size_t i = 1; i < brackets.size(); ++i) EXPECT_GT(brackets[i].from, brackets[i - 1].to);
    EXPECT_FALSE(BuildDemoPortfolio(hooks.Home() + "/missing/folder/demo.cartera").ok());
}

}  // namespace
}  // namespace cartera::testing
