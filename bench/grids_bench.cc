// The list grids filled from ledgers of 100,000 rows, reported per row, and the open-trade
// row updates of an idle tick against a straightforward linear scan.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/synthetic_journal.h"
#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "host/archive.h"
#include "model/sistema.h"
#include "testing/mem_env.h"

namespace {

constexpr int kCodes = 500;

// A body of n movements in triples buy, buy, sell of 10 contracts on one code each, codes
// taking turns: every sell closes one buy, so a third of the movements become closed
// trades and a third stay open.
std::string MakeTradesBody(int n) {
    std::vector<cartera::bench::BodyMovement> movements(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        cartera::bench::BodyMovement& m = movements[static_cast<size_t>(i)];
        bool sell = i % 3 == 2;
        m.type = sell ? 6 : 0;
        m.contracts = 10;
        m.price = 10.0 + static_cast<double>((i * 7919) % 5000) / 100.0;
        m.commission = sell ? 0.02 : 0.01;
        m.code = "SEC" + std::to_string(i / 3 % kCodes);
        m.date = 20000 + i / 100;
        m.time = 36000 + i % 3600;
        m.group = i % 2 ? "G1" : "G2";
    }
    return cartera::bench::BodyOf(movements);
}

// A loaded ledger of n movements, built once per size.
CSistemaCartera& Ledger(int n) {
    static std::map<int, std::unique_ptr<CSistemaCartera>> ledgers;
    auto& ledger = ledgers[n];
    if (!ledger) {
        ledger = std::make_unique<CSistemaCartera>(cartera::testing::BareContext());
        std::string body = MakeTradesBody(n);
        CArchive ar{std::string_view(body)};
        ledger->Serialize(ar);
    }
    return *ledger;
}

template <typename Grid>
void Link(Grid& grid, CSistemaCartera& ledger) {
    grid.CreateGrid(RECT{}, nullptr, 123);
    grid.SetLedger(&ledger);
}

// A grid that gives no edits to follow, so that every sorted refill sorts all rows (a refill
// after no change would otherwise keep its order as it is).
template <class Grid>
class SortingWhole : public Grid {
  protected:
    const cartera::EditLog* RecordEdits() const override { return nullptr; }
};

// Time per row as a counter: rows per iteration, inverted rate.
void PerRow(benchmark::State& state, int rows) {
    state.counters["rows"] = rows;
    state.counters["per_row"] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// 100,000 movements. Second arg: 1 renders the rows on demand, 0 stores every row's cells
// (the baseline).
void BM_FillMovements(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(100000);
    SortingWhole<CGridCartera> grid;
    grid.SetOnDemand(state.range(1) != 0);
    Link(grid, ledger);
    if (state.range(0)) grid.SetSortCol(grid.GetHeader().GetPosition(3395));
    for (auto _ : state) grid.FillGrid();
    PerRow(state, grid.GetNumberRows());
}

// 300,000 movements: 100,000 open and 100,000 closed trades.
void BM_FillOpenTrades(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(300000);
    SortingWhole<CGridOpAbiertas> grid;
    grid.SetOnDemand(state.range(1) != 0);
    Link(grid, ledger);
    if (state.range(0)) grid.SetSortCol(grid.GetHeader().GetPosition(3435));
    for (auto _ : state) grid.FillGrid();
    PerRow(state, grid.GetNumberRows());
}

void BM_FillClosedTrades(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(300000);
    SortingWhole<CGridOpCerradas> grid;
    grid.SetOnDemand(state.range(1) != 0);
    Link(grid, ledger);
    if (state.range(0)) grid.SetSortCol(grid.GetHeader().GetPosition(3424));
    for (auto _ : state) grid.FillGrid();
    PerRow(state, grid.GetNumberRows());
}

// Every open trade updated once, as an idle tick after a burst of quotes does; the grid
// sorted by profit so rows and trades are not in the same order.
void BM_UpdateAllOpen_Ours(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(static_cast<int>(state.range(0)) * 3);
    CGridOpAbiertas grid;
    Link(grid, ledger);
    grid.SetSortCol(grid.GetHeader().GetPosition(3435));
    grid.FillGrid();
    for (auto _ : state)
        for (const CNegocioC& t : ledger.GetOpenTrades()) grid.UpdateTradeRow(t);
    PerRow(state, static_cast<int>(ledger.GetOpenTrades().size()));
}

// The straightforward version: scan from row 0 for the first row holding the id.
void BM_UpdateAllOpen_Literal(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(static_cast<int>(state.range(0)) * 3);
    CGridOpAbiertas grid;
    grid.SetOnDemand(false);  // rows rewritten from the trade, as it was done
    Link(grid, ledger);
    grid.SetSortCol(grid.GetHeader().GetPosition(3435));
    grid.FillGrid();
    for (auto _ : state) {
        for (const CNegocioC& t : ledger.GetOpenTrades()) {
            for (int row = 0; row < grid.GetNumberRows(); ++row) {
                if (grid.GetRowID(row) == t.id) {
                    grid.SetTradeRow(t, row);
                    grid.RedrawRow(row);
                    break;
                }
            }
        }
    }
    PerRow(state, static_cast<int>(ledger.GetOpenTrades().size()));
}

// One heading click on 1,000,000 movements: the sort, which reads each row's key once,
// the sort arrow and the row colours. Second arg: 1 on demand (keys rendered from the
// records, colours at drawing), 0 with stored cells (keys read from the cells, every row
// recoloured; the baseline). The direction flips each time, as repeated clicks do. First
// arg: the heading (total, date, symbol).
void BM_SortMovements(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(1000000);
    CGridCartera grid;
    grid.SetOnDemand(state.range(1) != 0);
    Link(grid, ledger);
    grid.FillGrid();
    grid.SetSortCol(grid.GetHeader().GetPosition(static_cast<int>(state.range(0))));
    bool ascending = true;
    for (auto _ : state) {
        ascending = !ascending;
        grid.SetSortAscending(ascending);
        grid.ApplySort();
    }
    PerRow(state, grid.GetNumberRows());
}

// Resident bytes of the process, from /proc (0 where there is none).
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// What a grid holds: the resident memory a first fill of the movements grid adds at
// 1,000,000 movements, per row, beside the ledger's own bytes per movement. Arg: on demand
// (1) or stored cells (0); on demand runs first, before the stored cells' memory is freed.
void BM_GridMemory(benchmark::State& state) {
    double before = ResidentBytes();
    CSistemaCartera& ledger = Ledger(1000000);
    double loaded = ResidentBytes();
    for (auto _ : state) {
        CGridCartera grid;
        grid.SetOnDemand(state.range(0) != 0);
        Link(grid, ledger);
        grid.FillGrid();
        state.counters["grid_bytes_per_row"] = (ResidentBytes() - loaded) / grid.GetNumberRows();
    }
    state.counters["ledger_bytes_per_movement"] = (loaded - before) / 1e6;
}

// Deleting a movement at 100,000 movements as the workstation does it: the ledger's delete
// (matching again) and one refill of each list grid, sorted by Total and by profit. Arg: on
// demand (1) or stored cells (0).
void BM_DeleteMovement(benchmark::State& state) {
    CSistemaCartera& ledger = Ledger(static_cast<int>(100001 + state.range(0)));
    CGridCartera movements;
    CGridOpAbiertas open;
    CGridOpCerradas closed;
    for (CGridQBase* grid : {static_cast<CGridQBase*>(&movements), static_cast<CGridQBase*>(&open),
                             static_cast<CGridQBase*>(&closed)})
        grid->SetOnDemand(state.range(0) != 0);
    Link(movements, ledger);
    Link(open, ledger);
    Link(closed, ledger);
    movements.SetSortCol(movements.GetHeader().GetPosition(3395));
    open.SetSortCol(open.GetHeader().GetPosition(3435));
    for (auto _ : state) {
        ledger.DelOrder(ledger.GetOrders()[ledger.GetOrders().size() / 2].id);
        movements.FillGrid();
        open.FillGrid();
        closed.FillGrid();
    }
}

BENCHMARK(BM_FillMovements)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillOpenTrades)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillClosedTrades)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteMovement)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridMemory)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortMovements)
    ->ArgsProduct({{3395, 3382, 3384}, {0, 1}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateAllOpen_Ours)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
// The scan is quadratic: at 100,000 open trades one idle tick takes about a minute.
BENCHMARK(BM_UpdateAllOpen_Literal)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
