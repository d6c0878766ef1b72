// The commands that create a portfolio and change its journal. Each validates everything
// before it calls the ledger, so a refused command leaves the file as it was.
#include <memory>

#include "app/cli/commands.h"
#include "app/cli/movement_options.h"
#include "app/cli/portfolio_window.h"
#include "app/cli/views.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/strings.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

struct JournalArgs {
    std::string path;
    std::string id;
    std::string name;
    bool force = false;
    MovementOptions o;
};

void NewPortfolio(Output io, const JournalArgs& a) {
    if (int refusal = FileNameRefusal(a.name)) FailUsage(::LS(refusal) + " ('" + a.name + "')");
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + a.name;
    std::string extension = PortfolioExtension();
    if (!path.ends_with(extension)) path += extension;
    auto lock = LockPortfolio(path);
    uint64_t size;
    if (!CurrentEnv()->GetFileSize(path, &size).IsNotFound() && !a.force)
        FailUsage("portfolio " + path + " already exists (use --force to overwrite it)");
    auto ledger = MakeLedger();
    PortfolioWindow window(ledger.get(), false);  // a new file starts with the default layouts
    PortfolioDocument doc(ledger.get());
    if (Status saved = doc.SaveAs(path); !saved.ok())
        Fail(saved.kind(), "cannot create " + path + ": " + saved.message());
    NoteChangeSaved();
    io.out << path << '\n';
}

void RequirePriceable(const COrderCartera& m) {
    std::string why = UnpriceableReason(m);
    if (!why.empty()) FailUsage(why);
}

// Adds the movement the command built by one append to the change log, without reading the
// journal; false when the portfolio must be read whole for it (nothing was changed then).
template <typename Build>
bool AppendMovement(Output io, const JournalArgs& a, Build build) {
    auto lock = LockPortfolio(a.path);
    auto ledger = MakeLedger();
    PortfolioDocument doc(ledger.get());
    if (!doc.OpenForAppend(a.path)) return false;
    COrderCartera m = build(*ledger);
    RequirePriceable(m);
    ledger->AddOrder(m);
    if (doc.Store().WholeNeeded()) return false;
    if (!doc.LastSaveError().empty())
        Fail(doc.LastSaveErrorKind(), "cannot save " + a.path + ": " + doc.LastSaveError());
    NoteChangeSaved();
    io.out << ledger->GetOrders().back().id << '\n';
    return true;
}

// Adds the movement the command built and prints its new id.
template <typename Build>
void AddMovement(Output io, const JournalArgs& a, Build build) {
    if (AppendMovement(io, a, build)) return;
    OpenPortfolio portfolio(a.path, OpenPortfolio::Use::change);
    COrderCartera m = build(portfolio.Ledger());
    RequirePriceable(m);
    portfolio.Ledger().AddOrder(m);
    portfolio.CheckSaved();
    io.out << portfolio.Ledger().GetOrders().back().id << '\n';
}

const COrderCartera& FindMovement(OpenPortfolio& portfolio, const std::string& idText) {
    uint64_t id = ReadId(idText);
    const COrderCartera* m = portfolio.Ledger().GetOrden(id);
    if (m == nullptr) FailUsage("no movement with id " + idText + " in " + portfolio.Path());
    return *m;
}

void ModifyMovement(Output io, const JournalArgs& a) {
    OpenPortfolio portfolio(a.path, OpenPortfolio::Use::change);
    COrderCartera old = FindMovement(portfolio, a.id);  // a copy: the ledger may move it
    CheckOptionsApply(a.o, old.type);
    COrderCartera changed;
    if (old.IsExecution()) {
        changed = ExecutionMovement(portfolio.Ledger(), a.o, &old, old.buy != 0);
    } else if (old.type == kDividend) {
        changed = DividendMovement(a.o, &old);
    } else if (old.type >= kExpense && old.type <= kRefund) {
        changed = CashMovement(a.o, &old, old.type);
    } else {
        FailUsage("movement " + a.id + " is a " + TypeName(old.type) + " and cannot be modified");
    }
    RequirePriceable(changed);
    portfolio.Ledger().ModOrder(changed);
    portfolio.CheckSaved();
    // What was stored, since the page's rules may differ from what was typed: the commission
    // recomputed from its schedule, the price rounded to the movement's decimals.
    if (const COrderCartera* stored = portfolio.Ledger().GetOrden(changed.id))
        io.out << MovementJsonText(*stored);
}

void DeleteMovement(const JournalArgs& a) {
    OpenPortfolio portfolio(a.path, OpenPortfolio::Use::change);
    uint64_t id = FindMovement(portfolio, a.id).id;
    portfolio.Ledger().DelOrder(id);
    portfolio.CheckSaved();
}

// Undoes the last change. With changes in the change log: the portfolio is written whole
// without the log's last change and the current version becomes the backup (the backup
// first, so a kill leaves the current version or the restored one). Else the version the
// last whole write replaced is put back in place and the replaced one becomes the backup.
// Either way a second restore undoes the first; a failure leaves both as they were.
void Restore(const JournalArgs& a) {
    auto lock = LockPortfolio(a.path);
    const std::string backup = BackupPath(a.path);
    auto current = MakeLedger();
    PortfolioDocument doc(current.get());
    const bool loaded = doc.Load(a.path).ok();
    if (loaded && doc.Store().LogChanges() > 0) {
        std::string bytes;
        CArchive ar(&bytes);
        SerializePortfolio(ar, *current);
        CurrentEnv()->WriteFileAtomic(backup, bytes).ThrowIfError();
        auto previous = MakeLedger();
        PortfolioStore store;
        try {
            store.Load(a.path, *previous, nullptr, true);
        } catch (const Error& e) {
            Fail(e.kind(), std::string("the previous version cannot be restored: ") + e.what());
        }
        store.SaveWhole(a.path, *previous, std::string()).ThrowIfError();
        NoteChangeSaved();
        return;
    }
    auto ledger = MakeLedger();
    Status previous = PortfolioDocument(ledger.get()).Load(backup);
    if (previous.IsNotFound())
        Fail(ErrorKind::not_found,
             "no previous version of " + a.path + " to restore: " + backup + " does not exist");
    if (!previous.ok())
        Fail(previous.kind(), "the previous version cannot be restored: " + previous.message());
    // A log the current version left (only its base, or one a killed checkpoint left) must
    // not be read with the restored one.
    if (loaded && CurrentEnv()->FileExists(LogPath(a.path)))
        CurrentEnv()->WriteFileAtomic(LogPath(a.path), std::string_view()).ThrowIfError();
    CurrentEnv()->RestoreBackup(a.path, backup).ThrowIfError();
    NoteChangeSaved();
}

// Writes the portfolio whole, emptying its change log.
void Compact(const JournalArgs& a) {
    OpenPortfolio portfolio(a.path, OpenPortfolio::Use::change);
    portfolio.Save();
}

CLI::App* AddPathCommand(CLI::App& app, const std::string& name, const std::string& help,
                         JournalArgs& a) {
    CLI::App* sub = app.add_subcommand(name, help);
    sub->add_option("PATH", a.path, "portfolio file")->required();
    return sub;
}

void AddExecutionCommand(CLI::App& app, Output io, Commands& commands, bool buy) {
    auto a = std::make_shared<JournalArgs>();
    CLI::App* sub =
        AddPathCommand(app, buy ? "buy" : "sell", buy ? "Record a buy" : "Record a sell", *a);
    AddExecutionOptions(sub, a->o, true);
    AddWhenOptions(sub, a->o);
    commands.push_back({sub, [io, a, buy] {
                            AddMovement(io, *a, [&](const CSistemaCartera& ledger) {
                                return ExecutionMovement(ledger, a->o, nullptr, buy);
                            });
                        }});
}

}  // namespace

void AddJournalCommands(CLI::App& app, Output io, Commands& commands) {
    auto created = std::make_shared<JournalArgs>();
    CLI::App* sub = app.add_subcommand("new", "Create an empty portfolio in the portfolio folder");
    sub->add_option("NAME", created->name, "portfolio name")->required();
    sub->add_flag("--force", created->force, "overwrite an existing portfolio");
    commands.push_back({sub, [io, created] { NewPortfolio(io, *created); }});

    AddExecutionCommand(app, io, commands, true);
    AddExecutionCommand(app, io, commands, false);

    auto cash = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "cash", "Record an imposition, refund, deposit or expense", *cash);
    AddCashOptions(sub, cash->o, true);
    AddWhenOptions(sub, cash->o);
    commands.push_back({sub, [io, cash] {
                            AddMovement(io, *cash, [&](const CSistemaCartera&) {
                                return CashMovement(cash->o, nullptr, CashType(cash->o.type.value));
                            });
                        }});

    auto dividend = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "dividend", "Record a dividend", *dividend);
    AddDividendOptions(sub, dividend->o, true);
    AddWhenOptions(sub, dividend->o);
    commands.push_back({sub, [io, dividend] {
                            AddMovement(io, *dividend, [&](const CSistemaCartera&) {
                                return DividendMovement(dividend->o, nullptr);
                            });
                        }});

    auto modify = std::make_shared<JournalArgs>();
    sub = AddPathCommand(
        app, "modify",
        "Change a movement as its entry page would; prints the movement as stored (JSON)", *modify);
    sub->add_option("ID", modify->id, "movement id")->required();
    AddExecutionOptions(sub, modify->o, false);
    AddCashOptions(sub, modify->o, false);
    AddDividendOptions(sub, modify->o, false);
    AddWhenOptions(sub, modify->o);
    commands.push_back({sub, [io, modify] { ModifyMovement(io, *modify); }});

    auto deleted = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "delete", "Delete a movement", *deleted);
    sub->add_option("ID", deleted->id, "movement id")->required();
    commands.push_back({sub, [deleted] { DeleteMovement(*deleted); }});

    auto restored = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "restore",
                         "Undo the last change: drop the change log's last record, or bring "
                         "back the version the last whole write replaced (PATH.bak); the "
                         "current one becomes PATH.bak",
                         *restored);
    commands.push_back({sub, [restored] { Restore(*restored); }});

    auto compacted = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "compact",
                         "Write the portfolio whole and empty its change log (PATH.log); the "
                         "replaced version becomes PATH.bak",
                         *compacted);
    commands.push_back({sub, [compacted] { Compact(*compacted); }});
}

}  // namespace cartera::cli
