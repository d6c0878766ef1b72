#include "app/cli/quotes.h"

#include <cmath>

#include "app/cli/portfolio_window.h"
#include "host/env.h"
#include "host/market.h"
#include "host/strings.h"
#include "model/entry.h"
#include "model/sistema.h"
#include "text/number.h"

namespace cartera::cli {
namespace {

// A last price as entry takes a price: a number up to kMaxEntryAmount either side of 0.
bool ReadPrice(const std::string& text, double* price) {
    return cartera::ReadNumber(text, kPlainNumber, price) && std::fabs(*price) <= kMaxEntryAmount;
}

Quote QuoteOption(const std::string& text) {
    auto eq = text.find('=');
    double price = 0;
    if (eq == std::string::npos || std::string(Trim(text.substr(0, eq))).empty() ||
        !ReadPrice(text.substr(eq + 1), &price))
        FailUsage("--quote must be CODE=PRICE with a price up to 1e12, not '" + text + "'");
    return {std::string(Trim(text.substr(0, eq))), price};
}

std::vector<Quote> QuotesFile(Env& env, const std::string& path) {
    std::string data;
    if (Status read = env.ReadFile(path, &data); !read.ok())
        FailIo("cannot read quotes: " + read.message());
    std::vector<Quote> quotes;
    size_t lineNumber = 0;
    bool seenData = false;
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = std::string(Trim(data.substr(start, end - start)));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        bool first = !seenData;
        seenData = true;
        auto comma = line.find(',');
        std::string code =
            comma == std::string::npos ? line : std::string(Trim(line.substr(0, comma)));
        std::string last =
            comma == std::string::npos ? "" : std::string(Trim(line.substr(comma + 1)));
        double price = 0;
        if (!code.empty() && ReadPrice(last, &price)) {
            quotes.emplace_back(code, price);
        } else if (!(first && code == "code" && last == "last")) {
            FailUsage(path + ":" + std::to_string(lineNumber) +
                      ": expected code,last with a price up to 1e12, not '" + line + "'");
        }
    }
    return quotes;
}

}  // namespace

void AddQuoteOptions(CLI::App* sub, QuoteArgs& a) {
    sub->add_option("--quote", a.quotes, "last price of a code, CODE=PRICE (repeatable)")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    sub->add_option("--quotes", a.file, "CSV file of code,last lines");
}

std::vector<Quote> ReadQuotes(const Context& ctx, const QuoteArgs& a) {
    std::vector<Quote> quotes;
    for (const auto& text : a.quotes) quotes.push_back(QuoteOption(text));
    if (!a.file.empty()) {
        auto fromFile = QuotesFile(*ctx.env, a.file);
        quotes.insert(quotes.end(), fromFile.begin(), fromFile.end());
    }
    return quotes;
}

void ApplyQuotes(OpenPortfolio& portfolio, const std::vector<Quote>& quotes) {
    if (quotes.empty()) return;
    CSistemaCartera& ledger = portfolio.Ledger();
    for (const auto& [code, price] : quotes) {
        CMensajePelvo message(code);
        message.AddValor(kTickLast, price);
        ledger.OnTicks(message);
    }
    // The workstation redraws the rows in place when idle; a fresh fill also sorts them.
    ledger.DoIdle();
    portfolio.RequireFiniteTotals(ErrorKind::invalid_input, "the quotes given");
    portfolio.Window().Update();
}

}  // namespace cartera::cli
