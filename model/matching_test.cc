#include <bit>
#include <cmath>
#include <memory>
#include <random>
#include <tuple>

#include "model/action.h"
#include "model/testing/literal_ledger.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

class MatchingTest : public LedgerTest {
  protected:
    void Add(const COrderCartera& m) { ledger.AddOrder(m); }
    CSistemaCartera ledger{ctx};
};

// A partial exit leaves the rest of the entry for the next; an oversized one opens a short.
TEST_F(MatchingTest, PartialFillsCloseTheEntryAndAnOversizedExitOpensAShort) {
    Add(Exec(true, "ACME", 10, 20.0));
    Add(Exec(false, "ACME", 4, 22.0));
    Add(Exec(false, "ACME", 9, 23.0));
    const auto& closed = ledger.GetClosedTrades();
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_TRUE(closed[0].id == 1u && closed[0].contracts == 4 && closed[0].remainder == 6);
    EXPECT_TRUE(closed[1].id == 1u && closed[1].contracts == 6 && closed[1].remainder == 3);
    EXPECT_EQ(std::tuple(closed[0].profit, closed[1].profit), std::tuple(8.0, 18.0));
    ASSERT_EQ(ledger.GetOpenTrades().size(), 1u);
    const CNegocioC& open = ledger.GetOpenTrades()[0];
    EXPECT_TRUE(open.isLong == 0 && open.contracts == 3 && open.id == 3u);  // the sell's rest
    // Fractions close exactly: 0.3 and 0.7 use up 1, with nothing left open; the entry
    // commission goes with each part.
    Add(Exec(true, "FRAC", 1, 10.0, 0.5));
    Add(Exec(false, "FRAC", Quantity::FromUnits(3'000'000'000), 11.0));
    Add(Exec(false, "FRAC", Quantity::FromUnits(7'000'000'000), 12.0));
    ASSERT_EQ(closed.size(), 4u);
    EXPECT_EQ(closed[2].remainder.Text(), "0.7");
    EXPECT_EQ(closed[3].remainder, Quantity());
    EXPECT_DOUBLE_EQ(closed[2].profit + closed[3].profit, 0.3 * 0.5 + 0.7 * 1.5);
    EXPECT_EQ(ledger.GetOpenTrades().size(), 1u);
}

TEST_F(MatchingTest, ShortsCodesCaseAndEntryOrder) {
    // A sell first opens a short that the later buy closes.
    Add(Exec(false, "SHRT", 5, 30.0));
    Add(Exec(true, "SHRT", 5, 25.0));
    // Codes compare without regard to case.
    Add(Exec(true, "MIXED", 10, 1.0));
    Add(Exec(false, "mixed", 10, 2.0));
    // A sell dated before its buy is still the buy's exit: entry order decides.
    Add(Exec(true, "LATE", 3, 10.0, 0.0, 20500));
    Add(Exec(false, "LATE", 3, 11.0, 0.0, 20400));
    const auto& closed = ledger.GetClosedTrades();
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_EQ(std::tuple(closed[0].isLong, closed[0].profit), std::tuple(0, 25.0));  // (30-25)x5
    EXPECT_EQ(std::tuple(closed[1].quoteCode, closed[1].contracts), std::tuple("MIXED", 10));
    EXPECT_EQ(closed[2].daysHeld, -100);
    EXPECT_TRUE(ledger.GetOpenTrades().empty());
}

TEST_F(MatchingTest, OpenTradesCashDeletionAndTheScheduledExitCommission) {
    Add(Cash(kImposition, 1, 1000.0));
    Add(Exec(true, "ONE", 10, 20.0, 0.1));
    Add(Cash(kExpense, 1, 5.0));
    Add(Exec(true, "ONE", 5, 21.0));
    ASSERT_EQ(ledger.GetOpenTrades().size(), 2u);
    EXPECT_EQ(std::tuple(ledger.GetOpenTrades()[0].id, ledger.GetOpenTrades()[1].id),
              std::tuple(2u, 4u));
    const CNegocioC& first = ledger.GetOpenTrades()[0];
    // Valued at its own price until a tick: r = -(Ce + Cx), percentage on price + Ce.
    EXPECT_EQ(std::tuple(first.exitPrice, first.profit), std::tuple(20.0, -2.0));
    EXPECT_DOUBLE_EQ(first.percentage, 100.0 * -0.2 / 20.1);
    EXPECT_EQ(std::tuple(first.exitDate, first.daysHeld), std::tuple(20792, 792));  // today
    EXPECT_TRUE(ledger.GetClosedTrades().empty());
    ledger.DelOrder(2);
    ledger.DelOrder(4);
    EXPECT_TRUE(ledger.GetOpenTrades().empty());

    // With a schedule the exit commission is the schedule's.
    stComision b = Bracket("Broker", 4, 0, 100000);
    b.commissionMin = 5.0;
    ledger.GetAdmComisiones()->Add(b);
    COrderCartera m = Exec(true, "SCH", 10, 20.0, 0.3);
    m.schedule = "Broker";
    Add(m);
    const CNegocioC& t = ledger.GetOpenTrades().at(0);
    EXPECT_DOUBLE_EQ(t.exitCommission, 0.5);  // 5 / 10 contracts
    EXPECT_DOUBLE_EQ(t.profit, -(0.3 + 0.5) * 10);
}

TEST_F(MatchingTest, ClosedTradePercentageDependsOnWhichSideWasLarger) {
    Add(Exec(true, "A", 20, 20.0, 0.1));
    Add(Exec(false, "A", 10, 22.0, 0.1));  // entry larger: divisor is the entry price
    Add(Exec(true, "B", 10, 20.0, 0.1));
    Add(Exec(false, "B", 10, 22.0, 0.1));  // not larger: divisor is price + commission
    Add(Exec(true, "Z", 10, 0.0));
    Add(Exec(false, "Z", 10, 1.0));
    const auto& closed = ledger.GetClosedTrades();
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_DOUBLE_EQ(closed[0].profit, 18.0);
    EXPECT_DOUBLE_EQ(closed[0].percentage, 9.0);
    EXPECT_DOUBLE_EQ(closed[1].percentage, 100.0 * 1.8 / 20.1);
    EXPECT_EQ(closed[2].percentage, 2147483647.0);
}

// The fast matching must give exactly what the straightforward rule gives, trade for trade and bit
// for bit, on journals full of the awkward cases.
// Every change is checked against the literal rule run over the whole journal: appends,
// deletes and modifies (of contracts, side, price and code, of executions and cash) match
// only the securities they touch; ticks and loading in between must not leave stale values.
// The totals, kept by difference as trades come and go, must have the very bits of the same
// journal matched and summed afresh (and be the literal rule's sums but for rounding). Every
// other journal holds fractions: tenths that add up to whole ones, some of ten places, and
// now and then a count beyond 64 bits of units. Every third journal holds corporate actions
// of every kind among them, of codes that meet and part.
TEST_F(MatchingTest, AgreesWithTheLiteralRuleAfterEveryChangeOnRandomJournals) {
    std::mt19937 rng(12345);
    const char* codes[] = {"AAA", "aaa", "Bbb", "BBB", "ccc", "D"};
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto same = [](double a, double b) {
        return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
    };
    auto near = [](double a, double b) {
        return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= 1e-9 * (1 + std::fabs(b));
    };
    for (int round = 0; round < 60; ++round) {
        CSistemaCartera fast{ctx};
        stComision broker = Bracket("Broker", 4, 0, 1e9);
        broker.commissionPct = 0.7;
        fast.GetAdmComisiones()->Add(broker);
        literal::Ledger slow;
        slow.adm = fast.GetAdmComisiones();
        slow.context = ctx;
        auto check = [&](int step) {
            slow.orders = fast.GetOrders();
            literal::CasarOrdenes(slow);
            literal::CalcularCapital(slow);
            const auto& closed = fast.GetClosedTrades();
            const auto& open = fast.GetOpenTrades();
            ASSERT_EQ(closed.size(), slow.closed.size()) << round << "/" << step;
            ASSERT_EQ(open.size(), slow.open.size()) << round << "/" << step;
            for (size_t i = 0; i < slow.closed.size(); ++i) {
                const CNegocioC &a = closed[i], &b = slow.closed[i];
                EXPECT_TRUE(a.id == b.id && a.contracts == b.contracts &&
                            a.remainder == b.remainder && same(a.exitPrice, b.exitPrice) &&
                            a.symbol == b.symbol && same(a.profit, b.profit) &&
                            same(a.percentage, b.percentage) && a.exitDate == b.exitDate &&
                            a.quoteCode == b.quoteCode && a.isLong == b.isLong)
                    << round << "/" << step << " closed " << i;
            }
            for (size_t i = 0; i < slow.open.size(); ++i) {
                const CNegocioC &a = open[i], &b = slow.open[i];
                EXPECT_TRUE(a.id == b.id && a.contracts == b.contracts &&
                            same(a.profit, b.profit) && same(a.exitCommission, b.exitCommission) &&
                            same(a.percentage, b.percentage) && a.exitDate == b.exitDate &&
                            same(a.exitPrice, b.exitPrice) && a.daysHeld == b.daysHeld)
                    << round << "/" << step << " open " << i;
            }
            CSistemaCartera afresh(std::make_unique<CAdmComisiones>(*fast.GetAdmComisiones()), ctx);
            for (const COrderCartera& m : fast.GetOrders()) afresh.ReplayAdd(m);
            afresh.GenerarSistema();
            const literal::Totals& t = slow.totals;
            auto totals = [](const CSistemaCartera& l) {
                return std::vector<double>{
                    l.GetCapital(),    l.GetInvertido(), l.GetGanAbiertas(),  l.GetGanCerradas(),
                    l.GetDividendos(), l.GetGastos(),    l.GetImposiciones(), l.GetGarantias()};
            };
            const std::vector<double> ours = totals(fast), full = totals(afresh);
            const std::vector<double> literal = {t.capital,      t.invested,  t.openProfit,
                                                 t.closedProfit, t.dividends, t.expenses,
                                                 t.impositions,  t.guarantees};
            for (size_t k = 0; k < ours.size(); ++k)
                EXPECT_TRUE(same(ours[k], full[k]) && near(ours[k], literal[k]))
                    << round << "/" << step << " total " << k << ": " << ours[k] << " " << full[k]
                    << " " << literal[k];
        };
        const bool fractions = round % 2 == 1;
        auto quantity = [&]() -> Quantity {
            if (!fractions) return pick(12) - 1;
            if (pick(8) == 0) return Quantity::FromUnits(pick(1 << 30));
            if (pick(60) == 0) return Quantity::FromUnits((__int128{1} << 62) + pick(9));  // wide
            return Quantity::FromUnits(static_cast<__int128>(pick(120) - 2) * Quantity::kScale /
                                       10);
        };
        auto execution = [&] {
            int kind = pick(2);
            COrderCartera m = Exec(kind == 0, codes[pick(6)], quantity(), pick(5000) / 100.0,
                                   pick(10) / 100.0, 20000 + pick(400));
            m.pointValue = pick(3) + 0.5;
            m.guarantee = pick(4);
            if (pick(3) == 0) m.schedule = "Broker";
            return m;
        };
        auto action = [&] {
            COrderCartera a = Action(kSplit + pick(5), codes[pick(6)], "", 20000 + pick(400));
            ActionTerms terms;
            terms.ratioNew = pick(4) == 0 ? Quantity::FromUnits(pick(1 << 30)) : 1 + pick(4);
            terms.ratioOld = 1 + pick(4);
            terms.newCode = codes[pick(6)];
            terms.costShare = Quantity::FromUnits(pick(11) * Quantity::kScale / 10);
            a.terms = FormatTerms(a.type, terms);
            if (pick(3) == 0) a.contracts = Quantity::FromUnits(pick(20) * Quantity::kScale / 10);
            a.price = pick(5000) / 100.0;
            return a;
        };
        const bool actions = round % 3 == 2;
        int n = 1 + pick(120);
        for (int i = 0; i < n; ++i) {
            int kind = pick(actions ? 15 : 14);
            if (kind == 14) {
                fast.AddOrder(action());
                check(i);
                continue;
            }
            if (kind == 12 && !fast.GetOrders().empty()) {  // a tick, then a change
                Tick(codes[pick(6)], pick(5000) / 100.0);
                kind = pick(3) == 0 ? 0 : 10 + pick(2);
            } else if (kind == 13 && !fast.GetOrders().empty()) {  // as loaded, then a change
                fast.DoAfterLoadingProcess();
                kind = pick(3) == 0 ? 0 : 10 + pick(2);
            }
            if (kind < 8) {
                fast.AddOrder(execution());
            } else if (kind < 10 || fast.GetOrders().empty()) {
                fast.AddOrder(Cash(1 + pick(5), 1, pick(1000)));
            } else if (kind == 10) {  // a delete, perhaps undone, or put back at the end
                const size_t place = rng() % fast.GetOrders().size();
                const COrderCartera gone = fast.GetOrders()[place];
                fast.DelOrder(gone.id);
                const int back = pick(3);
                if (back < 2) fast.InsertOrders({{back ? place : fast.GetOrders().size(), gone}});
            } else {
                const size_t place = rng() % fast.GetOrders().size();
                COrderCartera old = fast.GetOrders()[place];
                int what = pick(5);
                if (what == 0) old.contracts = quantity();
                if (what == 1) old.buy = !old.buy;
                if (what == 2) old.price = pick(5000) / 100.0;
                if (what == 3 && old.IsExecution()) old.quoteCode = codes[pick(6)];
                if (what == 4) {  // another kind altogether, with a new id's place kept
                    uint64_t id = old.id;
                    old = actions && pick(3) == 0 ? action()
                          : old.IsExecution()     ? Cash(1 + pick(5), 2, pick(100))
                                                  : execution();
                    old.id = id;
                }
                fast.ModOrder(old);
                const COrderCartera& now = fast.GetOrders()[place];  // in place, by its id
                EXPECT_TRUE(now.id == old.id && now.type == old.type &&
                            now.contracts == old.contracts && same(now.price, old.price));
            }
            check(i);
        }
    }
}

}  // namespace
}  // namespace cartera::testing
