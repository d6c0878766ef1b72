// show: a portfolio's views, after revaluing its open trades with the quotes given.
#include <memory>
#include <utility>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/views.h"
#include "host/env.h"
#include "host/market.h"
#include "host/numbers.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

struct ShowArgs {
    std::string path;
    std::string view = "all";
    std::vector<std::string> quotes;
    std::string quotesFile;
    bool json = false;
};

using Quote = std::pair<std::string, double>;

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}

Quote QuoteOption(const std::string& text) {
    auto eq = text.find('=');
    double price = 0;
    if (eq == std::string::npos || Trimmed(text.substr(0, eq)).empty() ||
        !ParsePlainNumber(text.substr(eq + 1), &price))
        FailUsage("--quote must be CODE=PRICE, not '" + text + "'");
    return {Trimmed(text.substr(0, eq)), price};
}

// The code,last lines of a quotes file; blank lines and lines starting with '#' are skipped,
// and so is a heading line "code,last".
std::vector<Quote> QuotesFile(const std::string& path) {
    std::string data, why;
    if (!CurrentEnv()->ReadFile(path, &data, &why)) FailIo("cannot read quotes: " + why);
    std::vector<Quote> quotes;
    size_t lineNumber = 0;
    bool seenData = false;
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = Trimmed(data.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        bool first = !seenData;
        seenData = true;
        auto comma = line.find(',');
        std::string code = comma == std::string::npos ? line : Trimmed(line.substr(0, comma));
        std::string last = comma == std::string::npos ? "" : Trimmed(line.substr(comma + 1));
        double price = 0;
        if (!code.empty() && ParsePlainNumber(last, &price)) {
            quotes.emplace_back(code, price);
        } else if (!(first && code == "code" && last == "last")) {
            FailUsage(path + ":" + std::to_string(lineNumber) + ": expected code,last, not '" +
                      line + "'");
        }
    }
    return quotes;
}

void Show(Output io, const ShowArgs& a) {
    std::optional<View> view = ParseView(a.view);
    if (!view)
        FailUsage("the view must be movements, open, closed, totals or all, not '" + a.view + "'");
    std::vector<Quote> quotes;
    for (const auto& text : a.quotes) quotes.push_back(QuoteOption(text));
    OpenPortfolio portfolio(a.path);
    if (!a.quotesFile.empty()) {
        auto fromFile = QuotesFile(a.quotesFile);
        quotes.insert(quotes.end(), fromFile.begin(), fromFile.end());
    }
    CSistemaCartera& ledger = portfolio.Ledger();
    for (const auto& [code, price] : quotes) {
        CMensajePelvo message(code);
        message.AddValor(kTickLast, price);
        ledger.OnTicks(message);
    }
    io.out << (a.json ? JsonView(ledger, *view) : TextView(ledger, *view));
}

}  // namespace

void AddShowCommand(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<ShowArgs>();
    CLI::App* sub = app.add_subcommand("show", "Show a portfolio's movements, trades and totals");
    sub->add_option("PATH", a->path, "portfolio file")->required();
    sub->add_option("VIEW", a->view, "movements, open, closed, totals or all (default)");
    sub->add_option("--quote", a->quotes, "last price of a code, CODE=PRICE (repeatable)")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    sub->add_option("--quotes", a->quotesFile, "CSV file of code,last lines");
    sub->add_flag("--json", a->json, "print JSON");
    commands.push_back({sub, [io, a] { Show(io, *a); }});
}

}  // namespace cartera::cli
