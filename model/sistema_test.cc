#include <fstream>
#include <set>
#include <tuple>

#include "commissions/comisiones.h"
#include "model/demo.h"
#include "model/portfolio_file.h"
#include "testing/test_hooks.h"
#include "testing/test_ledger.h"
#include "testing/test_support.h"

namespace cartera::testing {
namespace {

class SistemaTest : public LedgerTest {
  protected:
    void SetUp() override {
        ledger = std::make_unique<CSistemaCartera>(ctx);
        ledger->SetDocumento(&doc);
        ledger->AddView(&grids);
    }
    FakeDocument doc;
    RecordingView grids;
    std::unique_ptr<CSistemaCartera> ledger;
};

TEST_F(SistemaTest, IdsComeFromTheCounterAndEveryChangeSaves) {
    ledger->AddOrder(Cash(kImposition, 1, 10.0));
    ledger->AddOrder(Cash(kDeposit, 1, 20.0));
    ledger->AddOrder(Cash(kExpense, 1, 5.0));
    ASSERT_EQ(ledger->GetOrders().size(), 3u);
    EXPECT_EQ(ledger->GetOrders()[2].id + ledger->GetLastId(), 6u);
    ledger->DelOrder(2);
    ledger->AddOrder(Cash(kRefund, 1, 1.0));
    EXPECT_EQ(ledger->GetOrders().back().id, 4u);
    EXPECT_EQ(ledger->GetOrden(2), nullptr);
    EXPECT_EQ(ledger->GetOrden(4)->type, kRefund);
    COrderCartera copy;
    EXPECT_EQ(ledger->GetEntryOrder(3, copy), 1);
    EXPECT_EQ(copy.id, 3u);
    COrderCartera untouched;
    untouched.symbol = "keep";
    EXPECT_EQ(ledger->GetEntryOrder(99, untouched), 0);
    EXPECT_EQ(untouched.symbol, "keep");

    // Every change saves and updates the views once.
    EXPECT_EQ(std::tuple(doc.saves, doc.updates), std::tuple(5, 5));
    EXPECT_GE(grids.refreshes, 1);
    COrderCartera m = *ledger->GetOrden(1);
    m.price = 15.0;
    ledger->ModOrder(m);
    EXPECT_EQ(doc.saves, 6);
    EXPECT_DOUBLE_EQ(ledger->GetImposiciones(), 15.0);
    // An unknown id changes nothing at all on delete, but modify still recomputes and saves.
    int refreshes = grids.refreshes;
    ledger->DelOrder(77);
    EXPECT_EQ(std::tuple(doc.saves, grids.refreshes), std::tuple(6, refreshes));
    COrderCartera stranger = Cash(kDeposit, 1, 1.0);
    stranger.id = 77;
    ledger->ModOrder(stranger);
    EXPECT_EQ(doc.saves, 7);
    EXPECT_EQ(ledger->GetOrders().size(), 3u);
}

TEST_F(SistemaTest, RegistersOnlyExecutionsWithACode) {
    ledger->AddOrder(Exec(true, "ACME", 10, 1.0));
    ledger->AddOrder(Exec(false, "acme", 4, 1.0));
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "ACME"), 2);
    ledger->AddOrder(Cash(kDividend, 100, 0.5));
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "cash"), 0);
    ledger->RegisterAll();  // once more for every execution, ended again by UnregisterAll
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "ACME"), 4);
    ledger->UnregisterAll();
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "ACME"), 2);
    COrderCartera noCode = Exec(true, "", 1, 1.0);
    noCode.symbol = "Private Co";
    ledger->AddOrder(noCode);
    EXPECT_EQ(ledger->GetOrders().back().quoteCode, "Private Co");
    EXPECT_EQ(service.TotalRegistrations(ledger.get()), 2);
    ledger->DelOrder(1);
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "ACME"), 1);
    // Destruction ends what is left.
    ledger.reset();
    EXPECT_TRUE(service.RegisteredCodes().empty());
}

// A file may hold ids that go down or repeat: look-ups find the first movement with the id,
// before and after deletes, and a tick still finds its entry.
TEST_F(SistemaTest, LooksUpIdsThatGoDownOrRepeat) {
    CSistemaCartera source{ctx};
    for (double price : {1.0, 2.0, 3.0, 4.0, 5.0}) source.AddOrder(Exec(true, "X", 1, price));
    COrderCartera first = source.GetOrders()[0];
    first.id = 5;  // ids 5 2 3 4 5, as a file may hold them
    source.ReplayModify(0, first);
    std::string body;
    CArchive out(&body);
    source.Serialize(out);
    CArchive in{std::string_view(body)};
    ledger->Serialize(in);
    ledger->GenerarSistema();
    auto priceOf = [&](uint64_t id) { return ledger->GetOrden(id)->price; };
    EXPECT_EQ(std::pair(priceOf(5), priceOf(2)), std::pair(1.0, 2.0));
    ledger->DelOrder(5);
    EXPECT_EQ(std::pair(priceOf(5), priceOf(4)), std::pair(5.0, 4.0));
    ledger->DelOrder(2);
    EXPECT_EQ(priceOf(3), 3.0);
    EXPECT_EQ(ledger->GetOrden(1), nullptr);
    ASSERT_EQ(ledger->GetOpenTrades().size(), 3u);
    EXPECT_EQ(ledger->GetOpenTrades()[2].id, 5u);
}

TEST_F(SistemaTest, TotalsFollowCashMovementsAndTrades) {
    EXPECT_EQ(ledger->GetCapital(), 0.0);
    ledger->AddOrder(Cash(kImposition, 1, 10000.0));
    ledger->AddOrder(Cash(kRefund, 1, 2500.0));
    ledger->AddOrder(Cash(kExpense, 1, 50.0));
    EXPECT_EQ(std::tuple(ledger->GetCapital(), ledger->GetImposiciones(), ledger->GetReintegros(),
                         ledger->GetGastos()),
              std::tuple(7450.0, 10000.0, 2500.0, 50.0));
    ledger->AddOrder(Cash(kDividend, 100, 0.5));
    EXPECT_EQ(std::tuple(ledger->GetDividendos(), ledger->GetGanCerradas(), ledger->GetCapital()),
              std::tuple(50.0, 50.0, 7500.0));
    COrderCartera buy = Exec(true, "X", 10, 20.0, 0.1);
    buy.guarantee = 3.0;
    EXPECT_DOUBLE_EQ(ledger->GetUltimoSaldo(buy), 7500.0);
    ledger->AddOrder(buy);
    EXPECT_DOUBLE_EQ(ledger->GetInvertido(), 3.0 + 201.0);
    EXPECT_DOUBLE_EQ(ledger->GetGarantias(), 3.0);
    EXPECT_DOUBLE_EQ(ledger->GetCapital(), 7500.0);  // open trades leave capital alone
    ledger->AddOrder(Exec(false, "X", 10, 25.0, 0.1));
    EXPECT_DOUBLE_EQ(ledger->GetGanCerradas(), 50.0 + 48.0);
    EXPECT_DOUBLE_EQ(ledger->GetCapital(), 7548.0);
    EXPECT_DOUBLE_EQ(ledger->GetInvertido(), 0.0);
    EXPECT_DOUBLE_EQ(ledger->GetUltimoSaldo(Cash(kDeposit, 2, 10.0)), 7568.0);
    EXPECT_DOUBLE_EQ(ledger->GetUltimoSaldo(Cash(kRefund, 2, 10.0)), 7528.0);
    COrderCartera div = Cash(kDividend, 10, 1.0);
    div.commission = 0.5;
    EXPECT_DOUBLE_EQ(ledger->GetUltimoSaldo(div), 7563.0);
}

TEST_F(SistemaTest, BatchAddsLikeSingleAddsWithOneSave) {
    std::vector<COrderCartera> batch;
    for (int i = 0; i < 2500; ++i)
        batch.push_back(Exec(i % 3 != 2, "B" + std::to_string(i % 4), 5, 10.0 + i % 7));
    batch.push_back(Cash(kImposition, 1, 100.0));
    CSistemaCartera single{ctx};
    for (const auto& m : batch) single.AddOrder(m);
    std::vector<size_t> progress;
    ledger->AddOrders(batch, [&](size_t n) { progress.push_back(n); });
    EXPECT_EQ(std::tuple(doc.saves, doc.updates), std::tuple(1, 1));
    EXPECT_EQ(progress, (std::vector<size_t>{1000, 2000, 2501}));
    EXPECT_EQ(ledger->GetLastId(), 2501u);
    EXPECT_EQ(
        std::tuple(ledger->GetClosedTrades().size(), ledger->GetCapital(),
                   ledger->GetGanAbiertas()),
        std::tuple(single.GetClosedTrades().size(), single.GetCapital(), single.GetGanAbiertas()));
    EXPECT_EQ(service.RegistrationCount(ledger.get(), "b1"), 625);
}

// A temporary home folder, where the demo portfolio and the schedules are written.
class DemoPortfolioTest : public HooksTest {
  protected:
    std::string Build(const std::string& name) {
        std::string path = hooks.Home() + "/" + name + PortfolioExtension();
        EXPECT_EQ(BuildDemoPortfolio(context, path).message(), "");
        return path;
    }
    Context context = hooks.Ctx();
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(DemoPortfolioTest, HoldsEveryKindOfMovementAndTrade) {
    std::string path = Build("demo");
    CSistemaCartera ledger{context};
    PortfolioDocument doc(&ledger, context.env);
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
    CAdmComisiones adm(context);
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
    EXPECT_FALSE(BuildDemoPortfolio(context, hooks.Home() + "/missing/folder/demo.cartera").ok());
}

}  // namespace
}  // namespace cartera::testing
