#pragma once
// import of a broker's statement: the options it takes beyond Cartera's own CSV, and the
// summary every import prints.
#include <string>

#include "app/cli/options.h"
#include "statements/statement.h"

namespace cartera::cli {

struct StatementArgs {
    std::string format;  // forced format; empty: told from the file's content
    std::string account;
    std::string currency;
    std::string map;
    bool skipFractional = false;
    bool dryRun = false;  // print what would be done, write nothing
    bool json = false;
};

// Registers --format, --account, --currency, --map, --skip-fractional, --dry-run, --json.
void AddStatementOptions(CLI::App* sub, StatementArgs& a);
// The format of file: --format (checked), "map" with --map, else told from its content.
std::string ChooseFormat(const std::string& file, const StatementArgs& a);
// Reads file as a broker statement of format and adds what the plan adds to the portfolio
// (opened to change it), with one save; a dry run writes nothing. Prints the summary. Any refusal
// names the file and says that nothing was imported.
void ImportStatement(Output io, OpenPortfolio& portfolio, const std::string& file,
                     const std::string& format, const StatementArgs& a);
// What an import added (or would add), skipped, refused, left out and reports: as lines
// of text, or with json as one object.
void PrintImportSummary(Output io, const std::string& format, const statements::ImportPlan& plan,
                        const StatementArgs& a);

}  // namespace cartera::cli
