#pragma once
// Last prices given on the command line (--quote CODE=PRICE, --quotes FILE), sent to a
// portfolio as the market link would send them.
#include <string>
#include <utility>
#include <vector>

#include "app/cli/options.h"

namespace cartera::cli {

struct QuoteArgs {
    std::vector<std::string> quotes;  // CODE=PRICE texts, in the order given
    std::string file;                 // a CSV file of code,last lines; empty for none
};
using Quote = std::pair<std::string, double>;

// Registers --quote (repeatable) and --quotes on sub.
void AddQuoteOptions(CLI::App* sub, QuoteArgs& a);

// The --quote options in their order, then the file's lines in theirs. Blank lines and lines
// starting with '#' in the file are skipped, and so is a heading line "code,last". Usage
// errors name the bad text (and the file's line); an IO error when the file cannot be read
// (through ctx's file system).
std::vector<Quote> ReadQuotes(const Context& ctx, const QuoteArgs& a);

// Sends each quote to the ledger as a last-price tick, in order, then updates the window so
// the grids show the new values in their sort order. Nothing when quotes is empty.
void ApplyQuotes(OpenPortfolio& portfolio, const std::vector<Quote>& quotes);

}  // namespace cartera::cli
