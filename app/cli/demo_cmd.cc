// demo: builds the demo portfolio in a fresh temporary home and shows it.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/cli/commands.h"
#include "app/cli/portfolio_window.h"
#include "app/cli/views.h"
#include "host/folders.h"
#include "host/market.h"
#include "model/demo.h"
#include "model/sistema.h"
#include "resources/resources.h"

namespace cartera::cli {
namespace {

struct DemoArgs {
    bool keep = false;
    bool noColor = false;
};

// Removes the temporary home on every way out unless it is to be kept.
class TemporaryHome {
  public:
    explicit TemporaryHome(bool keep) : m_keep(keep) {
        std::error_code ec;
        std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
        if (ec) tmp = "/tmp";
        std::string pattern = (tmp / "cartera-demo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            FailIo("cannot create a temporary folder in " + tmp.string() + ": " +
                   std::strerror(errno));
        m_path = pattern;
    }
    ~TemporaryHome() {
        std::error_code ec;
        if (!m_keep) std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

  private:
    bool m_keep;
    std::string m_path;
};

// Values the open trades at the reference prices of the simulated market's catalogue.
void ApplyCataloguePrices(CSistemaCartera& ledger) {
    CMarketService catalogue;
    catalogue.LoadCatalogue(resources::SymbolCatalogue());
    CArrayNegocioC open = ledger.GetOpenTrades().ToVector();
    for (const CNegocioC& t : open) {
        const MarketSymbol* symbol = catalogue.FindSymbol(t.quoteCode);
        if (symbol == nullptr) continue;
        CMensajePelvo message(t.quoteCode);
        message.AddValor(kTickLast, symbol->price);
        ledger.OnTicks(message);
    }
    ledger.DoIdle();
}

void Demo(Output io, const DemoArgs& a) {
    TemporaryHome home(a.keep);
    Context demo = io.context;
    demo.home = home.Path();
    std::string path = PortfoliosFolder(demo) + "Demo" + PortfolioExtension();
    if (Status built = BuildDemoPortfolio(demo, path); !built.ok())
        FailIo("cannot build the demo portfolio: " + built.message());
    OpenPortfolio portfolio(demo, path, OpenPortfolio::Use::show);
    ApplyCataloguePrices(portfolio.Ledger());
    portfolio.Window().Update();
    if (a.keep) io.out << "Demo portfolio: " << path << "\n\n";
    TextOptions options;
    options.color = io.color && !a.noColor;
    io.out << TextView(portfolio.Window(), portfolio.Ledger(), View::all, options);
}

}  // namespace

void AddDemoCommand(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<DemoArgs>();
    CLI::App* sub =
        app.add_subcommand("demo",
                           "Build a demo portfolio in a temporary home and show it, valued at the "
                           "simulated market's reference prices");
    sub->add_flag("--keep", a->keep, "keep the temporary home and print the portfolio's path");
    sub->add_flag("--no-color", a->noColor, "print debits without colour on a terminal");
    commands.push_back({sub, [io, a] { Demo(io, *a); }});
}

}  // namespace cartera::cli
