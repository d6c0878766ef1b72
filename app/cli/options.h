#pragma once
// What the commands share: exit statuses, the failures they report, text options that know
// whether they were given, and the readers that turn option texts into values.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <ctime>
#include <memory>
#include <ostream>
#include <string>

#include "host/context.h"
#include "host/error.h"
#include "host/quantity.h"

class CSistemaCartera;

namespace cartera {
class FileLock;
class PortfolioDocument;
}  // namespace cartera

namespace cartera::cli {

class PortfolioWindow;

inline constexpr int kExitOk = 0;
// The exit status of a command whose change was saved, but whose results could not all be
// written (a full disk, a closed pipe): running it again would make the change twice.
inline constexpr int kExitSavedOutputLost = 7;
// The exit status of a command stopped by an error of kind: io 1, invalid_input 2,
// damaged 3, locked 4, not_found 5, denied 6, bug 70.
int ExitStatus(ErrorKind kind);

// Whether the running command's change is saved, for the exit status when its output
// fails afterwards. Noted by every save of a command; RunCli clears it before each.
void NoteChangeSaved(bool saved = true);
bool ChangeSaved();

// A command that cannot go on throws Error: RunCli prints "cartera-cli: <message>" and
// exits with ExitStatus(kind).
[[noreturn]] void Fail(ErrorKind kind, const std::string& message);
[[noreturn]] inline void FailUsage(const std::string& message) {
    Fail(ErrorKind::invalid_input, message);
}
[[noreturn]] inline void FailIo(const std::string& message) { Fail(ErrorKind::io, message); }

// Where warnings go that do not stop a command (such as what loading a portfolio warns
// of); RunCli points it at its error stream. Null: nowhere.
void SetWarningStream(std::ostream* err);
void Warn(const std::string& message);

// Where a command writes its results, what the terminals behind them take, and what it runs
// in: its files, clock, home folder and language (filled in once the options are read).
struct Output {
    std::ostream& out;
    std::ostream& err;
    const Context& context;
    bool color = false;     // out may colour debits red
    bool progress = false;  // err may show progress on one line rewritten with '\r'
};

// A text option that remembers whether it was given on the command line.
struct TextOption {
    std::string value;
    CLI::Option* option = nullptr;
    bool Given() const { return option != nullptr && option->count() > 0; }
};
// Registers opt as "--name" on app (once: a second call for the same option does nothing).
CLI::Option* AddText(CLI::App* app, const std::string& name, TextOption& opt,
                     const std::string& help);

// Readers: each fails with a usage error naming what (an option name) and the text.
double ReadNumber(const std::string& what, const std::string& text);
// A quantity, exactly: a plain number of at most 10 decimals (never rounded).
Quantity ReadQuantity(const std::string& what, const std::string& text);
int32_t ReadWholeNumber(const std::string& what, const std::string& text);
int ReadDecimals(const std::string& what, const std::string& text);  // 0 to 15
uint64_t ReadId(const std::string& text);
int32_t ReadDate(const std::string& what, const std::string& text);  // date number
int32_t ReadTime(const std::string& what, const std::string& text);  // time number
// The shortest text that reads back to the same number, as the entry boxes would hold it.
std::string BoxText(double value);

// The moment a movement is recorded with: date and time replace the base's when given;
// a new movement passes the current moment as base.
std::time_t ResolveWhen(const TextOption& date, const TextOption& time, std::time_t base);

// A portfolio file loaded into a ledger whose document saves back to it, shown in a
// portfolio window whose grids were linked before loading: they hold the file's layouts,
// are refilled on every update of the document, and every save writes their layouts.
class OpenPortfolio {
  public:
    // What the command does with the portfolio: shows its grids, changes it (no grids at
    // all), only reads it (grids left empty), or reads it to plan a change (no grids, the
    // lock shared until Upgrade).
    enum class Use { show, change, read, prepare };
    // Loads path under its lock, held until destroyed: shared to show or read it (no writer
    // changes it in between), exclusive to change it (no other writer saves in between) or
    // when changing is true (a grid's layout is to be saved). Fails with an IO error naming
    // the file when it is missing, unreadable or damaged, or when the commission file is
    // unreadable or damaged; to show or read it, also when a total overflows
    // (RequireFiniteTotals).
    OpenPortfolio(const Context& ctx, const std::string& path, Use use, bool changing = false);
    ~OpenPortfolio();

    CSistemaCartera& Ledger() { return *m_ledger; }
    // The grids; only for the show and read uses.
    PortfolioWindow& Window() { return *m_window; }
    // Saves the whole portfolio (journal and grid layouts) through the document; fails with
    // an IO error when that cannot be done.
    void Save();
    // Saves the grids' layouts as one record at the file's end; fails as Save.
    void SaveLayouts();
    // For a portfolio read to plan a change: takes the lock exclusive. False when another
    // program changed the file since it was read: it is then read again under that lock,
    // and the change must be planned again. Fails as loading does.
    bool Upgrade();
    PortfolioDocument& Document() { return *m_doc; }
    // Fails with the save's error when the last change could not be saved; else notes the
    // change as saved.
    void CheckSaved() const;
    // Fails with an error of kind, "cause: what overflowed", when a total of the ledger or a
    // trade's result is not a finite number; the show and read uses check it on loading.
    void RequireFiniteTotals(ErrorKind kind, const std::string& cause) const;
    const std::string& Path() const { return m_path; }

  private:
    // Loads the file under the lock the store holds; fails naming the file.
    void Load(bool keepHistory);

    std::string m_path;
    std::unique_ptr<CSistemaCartera> m_ledger;
    std::unique_ptr<PortfolioWindow> m_window;
    std::unique_ptr<PortfolioDocument> m_doc;
};

// A ledger of its own with ctx's commission file loaded; fails with an IO error naming the
// commission file when that exists but is unreadable, damaged (status 3) when it is damaged.
std::unique_ptr<CSistemaCartera> MakeLedger(const Context& ctx);

// The lock of the portfolio file at path, or of ctx's commission file; each fails naming
// the file, locked when another program keeps it, else with the system's reason and kind.
std::unique_ptr<FileLock> LockPortfolio(const Context& ctx, const std::string& path);
std::unique_ptr<FileLock> LockCommissions(const Context& ctx);

}  // namespace cartera::cli
