// show: a portfolio's views through the workstation's grids, after revaluing its open
// trades with the quotes given; the list grids' layouts may be changed and saved.
#include <memory>

#include "app/cli/commands.h"
#include "app/cli/layout_options.h"
#include "app/cli/portfolio_window.h"
#include "app/cli/quotes.h"
#include "app/cli/views.h"
#include "grids/grid_valoracion.h"
#include "host/env.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

struct ShowArgs {
    std::string path;
    std::string view = "all";
    QuoteArgs quotes;
    LayoutArgs layout;
    bool saveLayout = false;
    bool json = false;
    bool ids = false;
    bool noColor = false;
};

}  // namespace

void ValueAsMatched(OpenPortfolio& portfolio) {
    // Loading shows each open trade's exit at its entry values; matching again gives back the
    // exit commission it counts in the profit, as a tick at the trade's own price would.
    portfolio.Ledger().GenerarSistema();
}

namespace {

void Show(Output io, const ShowArgs& a) {
    std::optional<View> view = ParseView(a.view);
    if (!view)
        FailUsage("the view must be movements, open, closed, valuation, totals or all, not '" +
                  a.view + "'");
    if ((a.layout.Given() || a.saveLayout) && !IsListView(*view))
        FailUsage(
            "--sort, --desc, --columns and --save-layout need the movements, open or "
            "closed view");
    std::vector<Quote> quotes = ReadQuotes(io.context, a.quotes);
    // The totals and the model-level JSON need no grid: spare filling them.
    bool gridsShown = !(*view == View::totals || (a.json && *view != View::valuation));
    OpenPortfolio portfolio(io.context, a.path,
                            gridsShown ? OpenPortfolio::Use::show : OpenPortfolio::Use::read,
                            a.saveLayout);
    ApplyQuotes(portfolio, quotes);
    if (quotes.empty() && (*view == View::open || *view == View::all)) ValueAsMatched(portfolio);
    PortfolioWindow& window = portfolio.Window();
    if (CGridQBase* grid = ListGrid(window, *view)) {
        ApplyLayout(*grid, a.layout);
        if (a.saveLayout) portfolio.SaveLayouts();
    }
    if (a.json) {
        io.out << (*view == View::valuation ? GridJson(window.Valuation())
                                            : JsonView(portfolio.Ledger(), *view));
        return;
    }
    TextOptions options;
    options.color = io.color && !a.noColor;
    options.ids = a.ids;
    io.out << TextView(window, portfolio.Ledger(), *view, options);
}

}  // namespace

void AddShowCommand(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<ShowArgs>();
    CLI::App* sub = app.add_subcommand("show", "Show a portfolio through the workstation's grids");
    sub->footer(
        "The movements, open and closed views print their grids with the headings, visible "
        "columns, order and sort stored in the portfolio file; valuation prints the valuation "
        "table and totals the ledger's totals. --sort and --columns change the grid as a "
        "heading click and the Columns menu do (write --columns=-Group when the list starts "
        "with a '-'); --save-layout stores the result. Debits print red on a terminal "
        "(not with --no-color or NO_COLOR set). Movement and trade ids: --ids or --json.");
    sub->add_option("PATH", a->path, "portfolio file")->required();
    sub->add_option("VIEW", a->view,
                    "movements, open, closed, valuation, totals or all (default: the four "
                    "grids)");
    AddQuoteOptions(sub, a->quotes);
    AddLayoutOptions(sub, a->layout);
    sub->add_flag("--save-layout", a->saveLayout,
                  "store the grid's resulting layout (columns and sort) in the portfolio file; "
                  "without it show never writes the file");
    sub->add_flag("--ids", a->ids, "add a first column with each row's movement or trade id");
    sub->add_flag("--no-color", a->noColor, "print debits without colour on a terminal");
    sub->add_flag("--json", a->json,
                  "print the model's values as JSON (valuation: the table's rows of texts)");
    commands.push_back({sub, [io, a] { Show(io, *a); }});
}

}  // namespace cartera::cli
