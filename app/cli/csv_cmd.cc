// export and import: a portfolio's grids and journal as CSV, and statements (a broker's, or
// Cartera's own movements CSV) imported.
#include <memory>
#include <sstream>

#include "app/cli/commands.h"
#include "app/cli/layout_options.h"
#include "app/cli/portfolio_window.h"
#include "app/cli/quotes.h"
#include "app/cli/statement_import.h"
#include "app/cli/views.h"
#include "grids/csv.h"
#include "grids/grid_qbase.h"
#include "grids/grid_valoracion.h"
#include "host/env.h"
#include "model/sistema.h"
#include "statements/cartera_csv.h"
#include "statements/detect.h"

namespace cartera::cli {
namespace {

struct ExportArgs {
    std::string path;
    std::string what;
    std::string out;
    QuoteArgs quotes;
    LayoutArgs layout;
};

struct ImportArgs {
    std::string path;
    std::string file;
    StatementArgs statement;
};

// The grid a view exports; a usage error for the views that are not one grid.
CUGCtrl& ExportedGrid(PortfolioWindow& window, View view) {
    if (CGridQBase* grid = ListGrid(window, view)) return *grid;
    return window.Valuation();
}

void Export(Output io, const ExportArgs& a) {
    bool journal = a.what == "journal";
    std::optional<View> view = ParseView(a.what);
    if (!journal && (!view || *view == View::totals || *view == View::all))
        FailUsage("export takes movements, open, closed, valuation or journal, not '" + a.what +
                  "'");
    if (a.layout.Given() && (journal || !IsListView(*view)))
        FailUsage("--sort, --desc and --columns need the movements, open or closed view");
    std::vector<Quote> quotes = ReadQuotes(io.context, a.quotes);
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::show);
    ApplyQuotes(portfolio, quotes);
    if (quotes.empty() && view == View::open) ValueAsMatched(portfolio);
    std::ostringstream csv;
    if (journal) {
        statements::ExportMovementsCsv(portfolio.Ledger(), csv);
    } else {
        if (CGridQBase* grid = ListGrid(portfolio.Window(), *view)) ApplyLayout(*grid, a.layout);
        ExportGridCsv(ExportedGrid(portfolio.Window(), *view), csv);
    }
    if (a.out.empty()) {
        io.out << csv.str();
        return;
    }
    if (Status written = io.context.env->WriteResults(a.out, csv.str()); !written.ok())
        Fail(written.kind(), written.message());
}

void Import(Output io, const ImportArgs& a) {
    // The file is read whole before the portfolio's lock is taken: other writers wait for
    // the plan and the save only, never for the reading of a large file, which is closed
    // before the portfolio is loaded.
    std::string format;
    statements::Statement statement;
    {
        ImportFile file(*io.context.env, a.file);
        format = ChooseFormat(file, a.statement);
        statement = ReadStatementFile(io, file, format, a.statement);
    }
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::prepare);
    ImportStatement(io, portfolio, a.file, format, std::move(statement), a.statement);
}

}  // namespace

void AddCsvCommands(CLI::App& app, Output io, Commands& commands) {
    auto e = std::make_shared<ExportArgs>();
    CLI::App* sub = app.add_subcommand("export", "Write a grid or the journal as CSV");
    sub->footer(
        "A grid is written as it shows: visible columns in order, headings in the interface "
        "language, numbers as plain decimals with a point. journal writes every movement in "
        "the form import reads.");
    sub->add_option("PATH", e->path, "portfolio file")->required();
    sub->add_option("WHAT", e->what, "movements, open, closed, valuation or journal")->required();
    sub->add_option("--out", e->out, "write to this file (replaced atomically), not stdout");
    AddQuoteOptions(sub, e->quotes);
    AddLayoutOptions(sub, e->layout);
    commands.push_back({sub, [io, e] { Export(io, *e); }});

    auto i = std::make_shared<ImportArgs>();
    sub = app.add_subcommand("import", "Add the movements of a CSV file or a broker's statement");
    sub->footer(
        "The first record names the columns (any order, any case): date, type, contracts, "
        "price and code or symbol; optionally time, commission, schedule, group and "
        "decimals. The movements grid's headings in the interface language name the same "
        "columns. Types: buy, sell, dividend, expense, imposition, deposit, refund or the "
        "grid's type letters. Dates are ISO 8601 (YYYY-MM-DD) unless --date-format names "
        "another. Contracts, prices, commissions and amounts are bounded as on entry. Prints "
        "how many movements were added; one save at the end. A bad row names its line and "
        "column, and then nothing is imported. A broker's statement (Interactive Brokers Flex "
        "as XML or CSV) is recognised by its content; each movement keeps the broker's id, so "
        "a second import adds only what is new. It prints what was added, skipped (already in "
        "the portfolio), refused and left out.");
    sub->add_option("PATH", i->path, "portfolio file")->required();
    sub->add_option("FILE", i->file, "CSV file of movements, or a broker's statement")->required();
    AddStatementOptions(sub, i->statement);
    commands.push_back({sub, [io, i] { Import(io, *i); }});
}

}  // namespace cartera::cli
