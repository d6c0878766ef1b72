// The commands that create a portfolio and change its journal. Each validates everything
// before it calls the ledger, so a refused command leaves the file as it was.
#include <memory>

#include "app/cli/commands.h"
#include "app/cli/movement_options.h"
#include "app/cli/portfolio_window.h"
#include "app/cli/views.h"
#include "host/archive.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/strings.h"
#include "model/currency_entry.h"
#include "model/entry.h"
#include "model/extra_fields.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

struct JournalArgs {
    std::string path;
    std::string id;
    std::string name;
    std::string currency;
    bool force = false;
    MovementOptions o;
};

// The portfolio currency a --currency text names, in capitals; empty for none.
std::string PortfolioCurrency(const std::string& text) {
    std::string code;
    if (auto refused = ReadCurrencyCode(text, &code)) FailUsage(refused.message);
    return code;
}

void NewPortfolio(Output io, const JournalArgs& a) {
    if (int refusal = FileNameRefusal(a.name)) FailUsage(::LS(refusal) + " ('" + a.name + "')");
    std::string path = PortfoliosFolder(io.context) + a.name;
    std::string extension = PortfolioExtension();
    if (!path.ends_with(extension)) path += extension;
    auto ledger = MakeLedger(io.context);
    ledger->SetCurrency(PortfolioCurrency(a.currency));
    PortfolioWindow window(ledger.get(), false);  // a new file starts with the default layouts
    PortfolioDocument doc(ledger.get(), io.context.env);
    if (Status locked = doc.Store().Lock(path, LockMode::exclusive); !locked.ok())
        Fail(locked.kind(), locked.message());
    uint64_t size;
    if (!io.context.env->GetFileSize(path, &size).IsNotFound() && !a.force)
        FailUsage("portfolio " + path + " already exists (use --force to overwrite it)");
    if (Status saved = doc.SaveAs(path); !saved.ok())
        Fail(saved.kind(), "cannot create " + path + ": " + saved.message());
    NoteChangeSaved();
    io.out << path << '\n';
}

void RequirePriceable(const COrderCartera& m) {
    std::string why = UnpriceableReason(m);
    if (!why.empty()) FailUsage(why);
}

// Adds the movement the command built as one record at the file's end, without reading the
// journal; false when the portfolio must be read whole for it (nothing was changed then).
template <typename Build>
bool AppendMovement(Output io, const JournalArgs& a, Build build) {
    auto ledger = MakeLedger(io.context);
    PortfolioDocument doc(ledger.get(), io.context.env);
    if (Status locked = doc.Store().Lock(a.path, LockMode::exclusive); !locked.ok())
        Fail(locked.kind(), locked.message());
    if (!doc.OpenForAppend(a.path)) return false;
    for (const std::string& warning : doc.Warnings()) Warn(warning);
    COrderCartera m = build(*ledger);
    ApplyCurrencyOptions(*ledger, a.o, m);
    RequirePriceable(m);
    ledger->AddOrder(m);
    if (doc.Store().WholeNeeded()) return false;
    if (!doc.LastSaveError().empty())
        Fail(doc.LastSaveErrorKind(), "cannot save " + a.path + ": " + doc.LastSaveError());
    NoteChangeSaved();
    io.out << ledger->GetOrders().back().id << '\n';
    return true;
}

// Adds the movement the command built and prints its new id; with whole, reads the journal
// first (the movement depends on it).
template <typename Build>
void AddMovement(Output io, const JournalArgs& a, Build build, bool whole = false) {
    if (!whole && AppendMovement(io, a, build)) return;
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::change);
    COrderCartera m = build(portfolio.Ledger());
    ApplyCurrencyOptions(portfolio.Ledger(), a.o, m);
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
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::change);
    COrderCartera old = FindMovement(portfolio, a.id);  // a copy: the ledger may move it
    CheckOptionsApply(a.o, old.type);
    COrderCartera changed;
    if (old.IsExecution()) {
        changed = ExecutionMovement(portfolio.Ledger(), a.o, &old, old.buy != 0);
    } else if (old.type == kDividend) {
        changed = DividendMovement(io.context, a.o, &old);
    } else if (old.type >= kExpense && old.type <= kRefund) {
        changed = CashMovement(io.context, a.o, &old, old.type);
    } else if (old.IsAction()) {
        changed = ModifiedAction(portfolio.Ledger(), a.o, old);
    } else {
        FailUsage("movement " + a.id + " is a " + TypeName(old.type) + " and cannot be modified");
    }
    changed.currency = old.currency;
    changed.rate = old.rate;
    ApplyCurrencyOptions(portfolio.Ledger(), a.o, changed);
    RequirePriceable(changed);
    portfolio.Ledger().ModOrder(changed);
    portfolio.CheckSaved();
    // What was stored, since the page's rules may differ from what was typed: the commission
    // recomputed from its schedule, the price rounded to the movement's decimals.
    if (const COrderCartera* stored = portfolio.Ledger().GetOrden(changed.id))
        io.out << MovementJsonText(*stored, portfolio.Ledger().GetCurrency());
}

void DeleteMovement(Output io, const JournalArgs& a) {
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::change);
    uint64_t id = FindMovement(portfolio, a.id).id;
    portfolio.Ledger().DelOrder(id);
    portfolio.CheckSaved();
}

// The date of a step's first movement.
int32_t StepDate(const JournalChange& step) {
    for (const auto* list : {&step.added, &step.removed, &step.after})
        if (!list->empty()) return list->front().order.date;
    return 0;
}

// Takes back the last change kept in the file, or with redo puts back the one last taken
// back, as one record at the file's end; says which. A failure changes nothing.
void Restore(Output io, const JournalArgs& a, bool redo) {
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::change);
    PortfolioStore& store = portfolio.Document().Store();
    const UndoHistory& history = store.History();
    if (!(redo ? history.CanRedo() : history.CanUndo()))
        Fail(ErrorKind::not_found,
             redo ? "nothing to put back in " + a.path
                  : "nothing to take back in " + a.path + ": it keeps no earlier change");
    const JournalChange& step = redo ? history.Undone().back() : history.Done().back();
    const std::string name =
        (redo ? history.RedoName() : history.UndoName()) + " (" + IsoDate(StepDate(step)) + ")";
    if (redo)
        store.PutBack(portfolio.Ledger());
    else
        store.TakeBack(portfolio.Ledger());
    portfolio.CheckSaved();
    io.out << (redo ? "put back: " : "took back: ") << name << '\n';
}

// Prints the portfolio's currency, or names it once: results are then given in it, and it
// cannot be changed after (the rates of its movements are to it).
void NameCurrency(Output io, const JournalArgs& a) {
    OpenPortfolio portfolio(
        io.context, a.path,
        a.currency.empty() ? OpenPortfolio::Use::read : OpenPortfolio::Use::change);
    CSistemaCartera& ledger = portfolio.Ledger();
    const std::string code = PortfolioCurrency(a.currency);
    if (!code.empty() && ledger.GetCurrency() != code) {
        if (!ledger.GetCurrency().empty())
            FailUsage("the currency of " + a.path + " is " + ledger.GetCurrency() +
                      ": it is named once");
        ledger.SetCurrency(code);
        portfolio.Save();
    }
    io.out << (ledger.GetCurrency().empty() ? "(not named)" : ledger.GetCurrency()) << '\n';
}

// Writes the portfolio whole.
void Compact(Output io, const JournalArgs& a) {
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::change);
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
    AddCurrencyOptions(sub, a->o);
    commands.push_back({sub, [io, a, buy] {
                            AddMovement(io, *a, [&](const CSistemaCartera& ledger) {
                                return ExecutionMovement(ledger, a->o, nullptr, buy);
                            });
                        }});
}

void AddActionCommand(CLI::App& app, Output io, Commands& commands, const std::string& name,
                      int32_t type, const std::string& help) {
    auto a = std::make_shared<JournalArgs>();
    CLI::App* sub = AddPathCommand(app, name, help, *a);
    AddActionOptions(sub, a->o, type);
    commands.push_back(
        {sub, [io, a, type] {
             AddMovement(
                 io, *a,
                 [&](const CSistemaCartera& ledger) { return ActionMovement(ledger, a->o, type); },
                 ActionNeedsPosition(a->o));
         }});
}

}  // namespace

void AddJournalCommands(CLI::App& app, Output io, Commands& commands) {
    auto created = std::make_shared<JournalArgs>();
    CLI::App* sub = app.add_subcommand("new", "Create an empty portfolio in the portfolio folder");
    sub->add_option("NAME", created->name, "portfolio name")->required();
    sub->add_flag("--force", created->force, "overwrite an existing portfolio");
    sub->add_option("--currency", created->currency,
                    "the portfolio's currency, e.g. EUR: results are given in it");
    commands.push_back({sub, [io, created] { NewPortfolio(io, *created); }});

    auto named = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "currency",
                         "Print the portfolio's currency, or name it (once) for a portfolio that "
                         "has none",
                         *named);
    sub->add_option("CODE", named->currency, "three-letter code, e.g. EUR");
    commands.push_back({sub, [io, named] { NameCurrency(io, *named); }});

    AddExecutionCommand(app, io, commands, true);
    AddExecutionCommand(app, io, commands, false);

    AddActionCommand(app, io, commands, "split", kSplit,
                     "Record a split or a reverse split: every lot open before it keeps its "
                     "date and cost");
    AddActionCommand(app, io, commands, "rename", kRename,
                     "Record a symbol or ISIN change: the position goes on under the new code");
    AddActionCommand(app, io, commands, "stock-dividend", kStockDividend,
                     "Record a stock dividend or bonus shares: new shares at no cost");
    AddActionCommand(app, io, commands, "spin-off", kSpinOff,
                     "Record a spin-off: lots of a new security with a share of the parent's "
                     "cost and its dates");
    AddActionCommand(app, io, commands, "merger", kMerger,
                     "Record a merger for stock: the lots become the new security's by the "
                     "ratio (a merger for cash is a sell)");

    auto cash = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "cash", "Record an imposition, refund, deposit or expense", *cash);
    AddCashOptions(sub, cash->o, true);
    AddWhenOptions(sub, cash->o);
    AddCurrencyOptions(sub, cash->o);
    commands.push_back({sub, [io, cash] {
                            AddMovement(io, *cash, [&](const CSistemaCartera& ledger) {
                                return CashMovement(ledger.GetContext(), cash->o, nullptr,
                                                    CashType(cash->o.type.value));
                            });
                        }});

    auto exchange = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "exchange",
                         "Record a currency exchange: cash from one currency into another at the "
                         "broker's rate",
                         *exchange);
    AddExchangeOptions(sub, exchange->o);
    commands.push_back({sub, [io, exchange] {
                            AddMovement(io, *exchange, [&](const CSistemaCartera& ledger) {
                                return ExchangeMovement(ledger, exchange->o);
                            });
                        }});

    auto dividend = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "dividend", "Record a dividend", *dividend);
    AddDividendOptions(sub, dividend->o, true);
    AddWhenOptions(sub, dividend->o);
    AddCurrencyOptions(sub, dividend->o);
    commands.push_back({sub, [io, dividend] {
                            AddMovement(io, *dividend, [&](const CSistemaCartera& ledger) {
                                return DividendMovement(ledger.GetContext(), dividend->o, nullptr);
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
    AddActionChangeOptions(sub, modify->o);
    AddWhenOptions(sub, modify->o);
    AddCurrencyOptions(sub, modify->o);
    commands.push_back({sub, [io, modify] { ModifyMovement(io, *modify); }});

    auto deleted = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "delete", "Delete a movement", *deleted);
    sub->add_option("ID", deleted->id, "movement id")->required();
    commands.push_back({sub, [io, deleted] { DeleteMovement(io, *deleted); }});

    auto restored = std::make_shared<JournalArgs>();
    auto redo = std::make_shared<bool>(false);
    sub = AddPathCommand(app, "restore",
                         "Take back the last change (a second restore the change before it); "
                         "prints which",
                         *restored);
    sub->add_flag("--redo", *redo, "put back the change restore took back last");
    commands.push_back({sub, [io, restored, redo] { Restore(io, *restored, *redo); }});

    auto compacted = std::make_shared<JournalArgs>();
    sub = AddPathCommand(app, "compact",
                         "Write the portfolio whole, its changes folded into its journal; the "
                         "replaced version becomes PATH.bak",
                         *compacted);
    commands.push_back({sub, [io, compacted] { Compact(io, *compacted); }});
}

}  // namespace cartera::cli
