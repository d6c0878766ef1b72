#pragma once
// import of a statement, a broker's or Cartera's own movements CSV: the file opened once,
// the options it takes, the statement read whole before the portfolio is opened, then
// planned and added, and the summary every import prints.
#include <memory>
#include <string>
#include <string_view>

#include "app/cli/options.h"
#include "host/env.h"
#include "host/file_stream.h"
#include "statements/detect.h"
#include "statements/statement.h"
#include "text/date.h"

namespace cartera::cli {

struct StatementArgs {
    std::string format;  // forced format; empty: told from the file's content
    std::string account;
    std::string currency;
    std::string map;
    std::string dateFormat{kIsoDateFormat};  // Cartera's own CSV
    bool dryRun = false;                     // print what would be done, write nothing
    bool json = false;
};

// A file to import, opened once through env and read as a stream (FileInput): its first
// bytes kept for telling the format, then read again from its start without seeking, so a
// pipe or /dev/stdin works and a statement of many rows is never held whole. Fails with an
// IO error when it cannot be opened or read, invalid input for a folder.
class ImportFile {
  public:
    ImportFile(Env& env, const std::string& path);
    const std::string& Path() const { return m_path; }
    std::string_view Head() const { return m_input->Head(); }
    std::istream& Stream() { return *m_input; }
    // The first failure of a read; ok while there was none.
    const Status& Failure() const { return m_input->Failure(); }

  private:
    std::string m_path;
    std::unique_ptr<FileInput> m_input;
};

// Registers --format, --account, --currency, --map, --date-format, --dry-run, --json.
void AddStatementOptions(CLI::App* sub, StatementArgs& a);
// The format of file: --format (checked), "map" with --map, else told from its head. Refuses
// a date format that is none, and the options of a broker's statement for Cartera's CSV.
std::string ChooseFormat(const ImportFile& file, const StatementArgs& a);
// Reads the whole statement, showing the MiB read on a terminal; touches no portfolio, so
// no lock is held meanwhile (Cartera's own CSV prices its commissions by the commission
// file's schedules). Any refusal names the file and says nothing was imported.
statements::Statement ReadStatementFile(Output io, ImportFile& file, const std::string& format,
                                        const StatementArgs& a);
// Plans the statement against the portfolio (opened to prepare a change, under the shared
// lock) and, unless a dry run, takes the lock exclusive (planning again if another writer
// came first) and adds what the plan adds and takes out what it withdraws, as one change
// with one save. The statement is freed once planned, before the journal grows. Prints the
// summary: what it added (or would add), took out, skipped, refused, left out and reports,
// as lines of text or with json as one object; for Cartera's own CSV, without a dry run or
// json, the count added. A refusal names the file and says nothing was imported.
void ImportStatement(Output io, OpenPortfolio& portfolio, const std::string& file,
                     const std::string& format, statements::Statement statement,
                     const StatementArgs& a);

}  // namespace cartera::cli
