// Trading statistics of every closed trade against the least any statistic costs: one plain
// pass summing the trades' results. Journals of 100,000 and 1,000,000 movements.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

#include "analytics/report.h"
#include "host/market.h"
#include "model/sistema.h"
#include "testing/mem_env.h"

namespace {

const CSistemaCartera& Ledger(int n) {
    static std::map<int, std::unique_ptr<CSistemaCartera>> ledgers;
    auto& l = ledgers[n];
    if (!l) {
        static CMarketService service;
        CMarketService::SetCurrent(&service);
        l = std::make_unique<CSistemaCartera>(cartera::testing::BareContext());
        std::mt19937 rng(3);
        std::vector<COrderCartera> batch(n);
        for (int i = 0; i < n; ++i) {
            COrderCartera& m = batch[i];
            m.buy = rng() % 100 < 55;
            m.type = m.buy ? kBuy : kSell;
            m.closing = 1;
            m.quoteCode = m.symbol = "SEC" + std::to_string(rng() % 100);
            m.group = "G" + std::to_string(rng() % 5);
            m.contracts = 1 + static_cast<int32_t>(rng() % 100);
            m.price = 10.0 + static_cast<double>(rng() % 10000) / 100.0;
            m.pointValue = 1.0;
            m.date = 18000 + i / 300;
        }
        l->AddOrders(std::move(batch));
    }
    return *l;
}

void BM_Stats_PlainSum(benchmark::State& state) {
    const CSistemaCartera& ledger = Ledger(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double sum = 0.0;
        for (const CNegocioC& t : ledger.GetClosedTrades()) sum += t.profit;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["trades"] = static_cast<double>(ledger.GetClosedTrades().size());
}

// What the statistics window recomputes after a change: the filtered trades in exit order,
// the summary with its drawdown, and one breakdown.
void BM_Stats_Ours(benchmark::State& state) {
    using namespace cartera::analytics;
    const CSistemaCartera& ledger = Ledger(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<ClosedTrade> trades = CollectClosedTrades(ledger, {});
        benchmark::DoNotOptimize(ComputeStats(trades));
        benchmark::DoNotOptimize(BuildBreakdown(trades, BreakdownBy::group));
    }
}

BENCHMARK(BM_Stats_PlainSum)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stats_Ours)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
