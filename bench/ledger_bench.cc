// The ledger's hot paths against a literal, straightforward version, on journals
// of 10,000 and 100,000 movements over 100 securities, and the work on portfolio files of up
// to a million movements beside reading, appending to and atomically writing files. Report
// ratios measured in one run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "bench/synthetic_journal.h"
#include "grids/column_ids.h"
#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "host/archive.h"
#include "host/crc32c.h"
#include "host/env.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "model/testing/literal_ledger.h"
#include "testing/mem_env.h"

namespace {

constexpr int kCodes = 100;

std::string CodeName(int i) { return "SEC" + std::to_string(i); }

const std::string& Body(int n) {
    static std::map<int, std::string> bodies;
    auto& b = bodies[n];
    if (b.empty()) b = cartera::bench::MakeBody(n);
    return b;
}

// Shared commission schedule for both sides.
CAdmComisiones& Schedules() {
    static CAdmComisiones adm = [] {
        CAdmComisiones a{cartera::testing::BareContext()};
        stComision b;
        b.kind = 4;
        b.name = "Broker";
        b.to = 5000;
        b.commissionPct = 0.2;
        b.commissionMin = 5;
        a.Add(b);
        b.from = 5000.01;
        b.to = 1e9;
        b.commissionPct = 0.1;
        a.Add(b);
        return a;
    }();
    return adm;
}

void LoadOurs(CSistemaCartera& ledger, int n) {
    for (const auto& r : Schedules().Records()) ledger.GetAdmComisiones()->Add(r);
    CArchive ar{std::string_view(Body(n))};
    ledger.Serialize(ar);
}

void LoadLiteral(literal::Ledger& l, int n) {
    l.adm = &Schedules();
    CArchive ar{std::string_view(Body(n))};
    literal::Load(l, ar);
}

void BM_MatchAndCapital_Ours(benchmark::State& state) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    LoadOurs(ledger, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ledger.GenerarSistema();
        benchmark::DoNotOptimize(ledger.GetCapital());
    }
    state.counters["closed"] = static_cast<double>(ledger.GetClosedTrades().size());
    state.counters["open"] = static_cast<double>(ledger.GetOpenTrades().size());
}

void BM_MatchAndCapital_Literal(benchmark::State& state) {
    literal::Ledger l;
    LoadLiteral(l, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        literal::CasarOrdenes(l);
        literal::CalcularCapital(l);
        benchmark::DoNotOptimize(l.totals.capital);
    }
}

void BM_Load_Ours(benchmark::State& state) {
    for (auto _ : state) {
        CSistemaCartera ledger{cartera::testing::BareContext()};
        LoadOurs(ledger, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(ledger.GetCapital());
    }
}

// The literal loading also registers every execution, as the after-loading process does.
void BM_Load_Literal(benchmark::State& state) {
    for (auto _ : state) {
        literal::Ledger l;
        LoadLiteral(l, static_cast<int>(state.range(0)));
        CObjectZorb link;
        std::vector<st_solicitar_simbolo> requests;
        for (const auto& m : l.orders)
            if (m.IsExecution()) requests.push_back(cartera::MakeQuoteRequest(m.quoteCode));
        link.RegisterQuotes(requests, nullptr);
        benchmark::DoNotOptimize(l.totals.capital);
    }
}

CMensajePelvo TickFor(int i) {
    CMensajePelvo msg(CodeName(i % kCodes));
    msg.AddValor(1, 50.0 + i % 7);
    return msg;
}

void BM_OnTicks_Ours(benchmark::State& state) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    LoadOurs(ledger, static_cast<int>(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        ledger.OnTicks(TickFor(i++));
        if (ledger.RefreshQueueSize() > 100000) ledger.DoIdle();
    }
}

void BM_OnTicks_Literal(benchmark::State& state) {
    literal::Ledger l;
    LoadLiteral(l, static_cast<int>(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        literal::OnTicks(l, TickFor(i++));
        if (l.refresh.size() > 100000) l.refresh.clear();
    }
}

// A portfolio file of n movements in the temporary folder, written once per run.
const std::string& PortfolioFile(int n) {
    static std::map<int, std::string> paths;
    std::string& path = paths[n];
    if (path.empty()) {
        path = (std::filesystem::temp_directory_path() /
                ("cartera_bench_" + std::to_string(n) + ".cartera"))
                   .string();
        CSistemaCartera ledger{cartera::testing::BareContext()};
        CArchive ar{std::string_view(Body(n))};
        ledger.Serialize(ar);
        // A body not in the layout the reader expects would load as other movements.
        if (ledger.GetOrders().size() != static_cast<size_t>(n) ||
            ledger.GetOrders().back().date != 20000 + (n - 1) / 50)
            throw std::runtime_error("the synthetic body does not read back");
        cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
        if (cartera::Status saved = doc.SaveAs(path); !saved.ok())
            throw std::runtime_error(saved.message());
    }
    return path;
}

// Baseline: the file's bytes read into memory (from the page cache, as the file was just
// written), into a fresh buffer each time (arg 1: 0), whose page faults cost more or less as
// the kernel has memory at hand, or into one buffer kept between reads (1), the copy alone.
void BM_ReadFileBytes(benchmark::State& state) {
    const std::string& path = PortfolioFile(static_cast<int>(state.range(0)));
    std::string kept;
    for (auto _ : state) {
        std::string fresh;
        std::string& data = state.range(1) ? kept : fresh;
        (void)cartera::PosixEnv()->ReadFile(path, &data);
        benchmark::DoNotOptimize(data.data());
    }
}

// Baseline: the same bytes written atomically (temporary file, sync, rename).
void BM_AtomicWrite(benchmark::State& state) {
    const std::string& path = PortfolioFile(static_cast<int>(state.range(0)));
    std::string data;
    (void)cartera::PosixEnv()->ReadFile(path, &data);
    const std::string copy = path + ".copy";
    for (auto _ : state) (void)cartera::PosixEnv()->WriteFileAtomic(copy, data);
    std::filesystem::remove(copy);
}

// What "show PATH totals" does: load, match, totals, the checks of the movements.
void BM_LoadFile_Ours(benchmark::State& state) {
    const std::string& path = PortfolioFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CSistemaCartera ledger{cartera::testing::BareContext()};
        cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
        (void)doc.Load(path);
        benchmark::DoNotOptimize(ledger.GetCapital());
    }
}

// Baseline: one 200-byte append and its fdatasync, what a plain-text ledger pays for a line.
void BM_Append200(benchmark::State& state) {
    const std::string path = PortfolioFile(1000) + ".append";
    const std::string line(200, 'x');
    (void)cartera::PosixEnv()->WriteFileAtomic(path, "");
    uint64_t at = 0;
    for (auto _ : state) {
        (void)cartera::PosixEnv()->AppendAt(path, at, line);
        at += line.size();
    }
    std::filesystem::remove(path);
}

// The file's checksum over its bytes: CRC-32C against the FNV-1a it replaces.
void BM_Checksum(benchmark::State& state) {
    const std::string& path = PortfolioFile(1000000);
    std::string data;
    (void)cartera::PosixEnv()->ReadFile(path, &data);
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(0) ? cartera::Crc32c(data)
                                                : cartera::Fnv1a(cartera::kFnv1aStart, data));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

// A buy or sell of a code for each i, alternately.
COrderCartera Execution(COrderCartera m, int i) {
    m.buy = (i % 2 == 0) ? 1 : 0;
    m.type = m.buy ? kBuy : kSell;
    m.quoteCode = CodeName(i % kCodes);
    return m;
}

// A copy of the portfolio file of n movements for changes to write to, removed with its
// backup when it goes.
struct WorkingCopy {
    WorkingCopy(int n, const std::string& suffix)
        : source(PortfolioFile(n)), path(source + suffix) {
        Renew();
    }
    ~WorkingCopy() {
        for (const std::string& p : {path, cartera::BackupPath(*cartera::PosixEnv(), path)})
            std::filesystem::remove(p);
    }
    // The copy as the original file again, without the changes made to it.
    void Renew() const {
        std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    }
    const std::string source, path;
};

// One buy or sell added to a loaded portfolio: matching, totals and the append of its record
// to the change log (a checkpoint when the log passes its share of the file). The first
// change after loading also puts back the valuations loading changed
// (BM_FirstAddOrder_Ours); it is made before the measured ones.
void BM_AddOrder_Ours(benchmark::State& state) {
    const WorkingCopy copy(static_cast<int>(state.range(0)), ".add");
    CSistemaCartera ledger{cartera::testing::BareContext()};
    cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
    (void)doc.Load(copy.path);
    const COrderCartera first = ledger.GetOrders().front();
    int i = 0;
    ledger.AddOrder(Execution(first, i++));
    for (auto _ : state) ledger.AddOrder(Execution(first, i++));
}

// The first change after loading, alone.
void BM_FirstAddOrder_Ours(benchmark::State& state) {
    const WorkingCopy copy(static_cast<int>(state.range(0)), ".first");
    for (auto _ : state) {
        state.PauseTiming();
        copy.Renew();
        auto ledger = std::make_unique<CSistemaCartera>(cartera::testing::BareContext());
        auto doc = std::make_unique<cartera::PortfolioDocument>(ledger.get(), cartera::PosixEnv());
        (void)doc->Load(copy.path);
        const COrderCartera m = Execution(ledger->GetOrders().front(), 1);
        state.ResumeTiming();
        ledger->AddOrder(m);
        state.PauseTiming();
        doc.reset();
        ledger.reset();
        state.ResumeTiming();
    }
}

// Grids that give no edits to follow: every sorted refill sorts all rows, as before.
template <class Grid>
class SortingWhole : public Grid {
  protected:
    const cartera::EditLog* RecordEdits() const override { return nullptr; }
};

// The changes the workstation makes to a loaded portfolio.
enum class Change { kAdd, kModify, kDelete, kUndoDelete };

// A change as the workstation makes it on a loaded portfolio: the ledger's change with its log
// append, then one refill of each list grid (the headless grids the window's views render; the
// repaint of the visible rows is left out). An add is a buy or sell; a modify gives an early
// execution one contract more, so that every later trade of its security changes; a delete
// takes out an early movement, and its undo puts it back. When sorted, the movements grid is sorted
// by Total and both trade grids by profit.
template <class Movements, class Open, class Closed>
void WorkstationChange(benchmark::State& state, bool sorted, Change kind) {
    const WorkingCopy copy(static_cast<int>(state.range(0)), ".window");
    CSistemaCartera ledger{cartera::testing::BareContext()};
    cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
    (void)doc.Load(copy.path);
    Movements movements;
    Open open;
    Closed closed;
    const std::initializer_list<CGridQBase*> grids = {&movements, &open, &closed};
    for (CGridQBase* grid : grids) {
        grid->CreateGrid(RECT{}, nullptr, 123);
        grid->SetLedger(&ledger);
    }
    if (sorted) {
        movements.SetSortCol(movements.GetHeader().GetPosition(cartera::column::kTotal));
        open.SetSortCol(open.GetHeader().GetPosition(cartera::column::kProfit));
        closed.SetSortCol(closed.GetHeader().GetPosition(cartera::column::kProfit));
    }
    auto refill = [&] {
        for (CGridQBase* grid : grids) grid->FillGrid();
    };
    refill();
    const COrderCartera first = ledger.GetOrders().front();
    int i = 0;
    size_t k = 1000;
    PlacedOrder deleted;
    auto remove = [&] {
        const CArrayOrders& orders = ledger.GetOrders();
        k = (k + 997) % (orders.size() / 2);
        deleted = {k, orders[k]};
        ledger.DelOrder(deleted.order.id);
    };
    auto change = [&] {
        const CArrayOrders& orders = ledger.GetOrders();
        if (kind == Change::kAdd) return ledger.AddOrder(Execution(first, i++));
        if (kind == Change::kDelete) return remove();
        if (kind == Change::kUndoDelete) return ledger.InsertOrders({deleted});
        k = (k + 997) % (orders.size() / 2);
        while (!orders[k].IsExecution()) ++k;
        COrderCartera m = orders[k];
        m.contracts += 1;
        ledger.ModOrder(m);
    };
    // Untimed: what keeps the journal as it was, or makes the change an undo undoes.
    auto aside = [&](bool before) {
        // A delete is undone after it; the undo of a delete needs one before it.
        const bool undo = kind == Change::kUndoDelete;
        if (kind < Change::kDelete || before != undo) return;
        state.PauseTiming();
        if (undo)
            remove();
        else
            ledger.InsertOrders({deleted});
        refill();
        state.ResumeTiming();
    };
    ledger.AddOrder(Execution(first, i++));  // the first change after loading, left out
    refill();
    for (auto _ : state) {
        aside(true);
        change();
        refill();
        aside(false);
    }
    state.counters["open"] = static_cast<double>(ledger.GetOpenTrades().size());
    state.counters["closed"] = static_cast<double>(ledger.GetClosedTrades().size());
}

// Args: movements, 1 when the grids are sorted, and the change (0 add, 1 modify, 2 delete, 3 the
// undo of a delete).
void BM_WorkstationChange_Ours(benchmark::State& state) {
    WorkstationChange<CGridCartera, CGridOpAbiertas, CGridOpCerradas>(
        state, state.range(1) != 0, static_cast<Change>(state.range(2)));
}

// Baseline: the same, sorted, with every refill sorting all rows.
void BM_WorkstationChange_SortWhole(benchmark::State& state) {
    WorkstationChange<SortingWhole<CGridCartera>, SortingWhole<CGridOpAbiertas>,
                      SortingWhole<CGridOpCerradas>>(state, true,
                                                     static_cast<Change>(state.range(1)));
}

// A ledger loaded from the portfolio file of n movements, without a document (no saves).
void LoadDetached(CSistemaCartera& ledger, int n) {
    cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
    (void)doc.Load(PortfolioFile(n));
}

// Baseline: what a delete or a modify did before, the whole matching and the totals.
void BM_FullRecompute(benchmark::State& state) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    LoadDetached(ledger, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ledger.GenerarSistema();
        benchmark::DoNotOptimize(ledger.GetCapital());
    }
}

// One modify (more contracts) and one delete of executions, each matching only its security.
void BM_ModifyAndDelete_Ours(benchmark::State& state) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    LoadDetached(ledger, static_cast<int>(state.range(0)));
    size_t k = 1000;
    for (auto _ : state) {
        while (!ledger.GetOrders()[k].IsExecution()) ++k;
        COrderCartera m = ledger.GetOrders()[k];
        m.contracts += 1;
        ledger.ModOrder(m);
        ledger.DelOrder(ledger.GetOrders()[k + 7].id);
        k += 1000;
    }
}

BENCHMARK(BM_MatchAndCapital_Ours)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchAndCapital_Literal)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchAndCapital_Literal)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_Ours)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_Literal)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_Literal)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OnTicks_Ours)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OnTicks_Literal)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_ReadFileBytes)
    ->ArgsProduct({{1000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFile_Ours)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFile_Ours)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AtomicWrite)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Append200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Checksum)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddOrder_Ours)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddOrder_Ours)->Arg(1000000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstAddOrder_Ours)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstAddOrder_Ours)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorkstationChange_Ours)
    ->ArgsProduct({{1000, 100000}, {0, 1}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorkstationChange_Ours)
    ->ArgsProduct({{1000000}, {0, 1}, {0, 1, 2, 3}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorkstationChange_SortWhole)
    ->ArgsProduct({{1000, 100000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorkstationChange_SortWhole)
    ->ArgsProduct({{1000000}, {0, 1, 2, 3}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRecompute)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModifyAndDelete_Ours)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
