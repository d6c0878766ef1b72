#include "app/cli/options.h"

#include "app/cli/portfolio_window.h"
#include "commissions/comisiones.h"
#include "host/archive.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/numbers.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::cli {
int ExitStatus(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::io:
            return 1;
        case ErrorKind::invalid_input:
            return 2;
        case ErrorKind::damaged:
            return 3;
        case ErrorKind::locked:
            return 4;
        case ErrorKind::not_found:
            return 5;
        case ErrorKind::denied:
            return 6;
        case ErrorKind::bug:
            break;
    }
    return 70;  // EX_SOFTWARE: the program's fault, not the user's nor the files'
}

void Fail(ErrorKind kind, const std::string& message) { throw Error(kind, message); }

namespace {
bool g_changeSaved = false;
std::ostream*& WarningStream() {
    static std::ostream* stream = nullptr;
    return stream;
}
}  // namespace

void NoteChangeSaved(bool saved) { g_changeSaved = saved; }
bool ChangeSaved() { return g_changeSaved; }

void SetWarningStream(std::ostream* err) { WarningStream() = err; }
void Warn(const std::string& message) {
    if (WarningStream()) *WarningStream() << "cartera-cli: warning: " << message << '\n';
}

CLI::Option* AddText(CLI::App* app, const std::string& name, TextOption& opt,
                     const std::string& help) {
    if (opt.option == nullptr) opt.option = app->add_option(name, opt.value, help);
    return opt.option;
}

double ReadNumber(const std::string& what, const std::string& text) {
    double v = 0;
    if (!cartera::ReadNumber(text, kPlainNumber, &v))
        FailUsage(what + " must be a number, not '" + text + "'");
    return v;
}

Quantity ReadQuantity(const std::string& what, const std::string& text) {
    Quantity q;
    if (!cartera::ReadQuantity(text, kPlainNumber, &q))
        FailUsage(what + " must be a number of at most 10 decimals, not '" + text + "'");
    return q;
}

int32_t ReadWholeNumber(const std::string& what, const std::string& text) {
    int32_t v = 0;
    if (!ParseWholeNumber(text, &v))
        FailUsage(what + " must be a whole number, not '" + text + "'");
    return v;
}

int ReadDecimals(const std::string& what, const std::string& text) {
    int v = 0;
    if (!ParseWholeNumber(text, &v) || v < 0 || v > 15)
        FailUsage(what + " must be a whole number from 0 to 15, not '" + text + "'");
    return v;
}

uint64_t ReadId(const std::string& text) {
    uint64_t v = 0;
    if (!ParseWholeNumber(text, &v))
        FailUsage("ID must be a movement id (a whole number), not '" + text + "'");
    return v;
}

int32_t ReadDate(const std::string& what, const std::string& text) {
    int32_t fn = 0;
    if (!ParseDateFormat(text, kIsoDateFormat, &fn))
        FailUsage(what + " must be a date as YYYY-MM-DD (ISO 8601), not '" + text + "'");
    return fn;
}

int32_t ReadTime(const std::string& what, const std::string& text) {
    int32_t hn = 0;
    if (!ParseTimeText(text, &hn))
        FailUsage(what + " must be a time of day as HH:MM:SS, not '" + text + "'");
    return hn;
}

std::string BoxText(double value) { return FullNumberText(value); }

std::time_t ResolveWhen(const TextOption& date, const TextOption& time, std::time_t base) {
    if (!date.Given() && !time.Given()) return base;
    CTime b{base};
    int32_t fn = date.Given() ? ReadDate("--date", date.value) : FctimeToFn(b);
    int32_t hn = time.Given() ? ReadTime("--time", time.value) : HctimeToHn(b);
    return CTimeLong::GetTime(fn, hn);
}

std::unique_ptr<CSistemaCartera> MakeLedger(const Context& ctx) {
    std::unique_ptr<CSistemaCartera> ledger;
    try {
        ledger = std::make_unique<CSistemaCartera>(LoadCommissions(ctx), ctx);
    } catch (const CArchiveException& e) {
        Fail(ErrorKind::damaged,
             "damaged commission file " + CAdmComisiones(ctx).FilePath() + ": " + e.what());
    }
    const std::string& error = ledger->GetAdmComisiones()->LoadError();
    if (!error.empty()) FailIo(error);
    return ledger;
}

namespace {

std::unique_ptr<FileLock> Lock(Env& env, const std::string& path) {
    std::unique_ptr<FileLock> lock;
    if (Status locked = env.LockFile(path, kLockWaitMs, &lock); !locked.ok())
        Fail(locked.kind(), locked.message());
    return lock;
}

}  // namespace

std::unique_ptr<FileLock> LockPortfolio(const Context& ctx, const std::string& path) {
    return Lock(*ctx.env, path);
}

std::unique_ptr<FileLock> LockCommissions(const Context& ctx) {
    return Lock(*ctx.env, CAdmComisiones(ctx).FilePath());
}

void OpenPortfolio::RequireFiniteTotals(ErrorKind kind, const std::string& cause) const {
    std::string total = OverflowedTotal(*m_ledger);
    if (!total.empty())
        Fail(kind, cause + ": " + total + " overflows (beyond the range of numbers)");
}

OpenPortfolio::OpenPortfolio(const Context& ctx, const std::string& path, Use use, bool changing)
    : m_path(path), m_ledger(MakeLedger(ctx)) {
    // A change needs no grids: the ledger keeps the file's layouts as bytes and writes them
    // back unchanged.
    if (use == Use::show || use == Use::read)
        m_window = std::make_unique<PortfolioWindow>(m_ledger.get(), use == Use::show);
    m_doc = std::make_unique<PortfolioDocument>(m_ledger.get(), ctx.env);
    if (m_window) m_doc->SetOnUpdate([window = m_window.get()] { window->Update(); });
    changing = changing || use == Use::change;
    const Status locked =
        m_doc->Store().Lock(path, changing ? LockMode::exclusive : LockMode::shared);
    if (!locked.ok()) Fail(locked.kind(), locked.message());
    // Only a change may write the file whole, and then it keeps the steps restore takes back.
    Load(changing || use == Use::prepare);
    // What only a file from before the entry bounds can hold: refused rather than shown.
    if (use == Use::show || use == Use::read) RequireFiniteTotals(ErrorKind::damaged, path);
    // A file stored without layouts gets the grids' default ones on its next save.
    if (!m_window && m_ledger->GetStoredLayouts().empty())
        m_window = std::make_unique<PortfolioWindow>(m_ledger.get(), false);
}

void OpenPortfolio::Load(bool keepHistory) {
    Status loaded = m_doc->Load(m_path, keepHistory);
    if (loaded.IsNotFound()) Fail(ErrorKind::not_found, "no portfolio file " + m_path);
    if (!loaded.ok()) Fail(loaded.kind(), "cannot load the portfolio: " + loaded.message());
    for (const std::string& warning : m_doc->Warnings()) Warn(warning);
}

bool OpenPortfolio::Upgrade() {
    PortfolioStore& store = m_doc->Store();
    if (Status locked = store.Lock(m_path, LockMode::exclusive); !locked.ok())
        Fail(locked.kind(), locked.message());
    if (!store.ChangedOutside(m_path)) return true;
    m_ledger->UnregisterAll();  // loading registers what it reads
    Load(true);
    return false;
}

OpenPortfolio::~OpenPortfolio() = default;

void OpenPortfolio::Save() {
    m_doc->DoFileSave();
    CheckSaved();
}

void OpenPortfolio::SaveLayouts() {
    if (Status saved = m_doc->Store().SaveLayouts(m_path, *m_ledger); !saved.ok())
        Fail(saved.kind(), "cannot save " + m_path + ": " + saved.message());
    NoteChangeSaved();
}

void OpenPortfolio::CheckSaved() const {
    if (!m_doc->LastSaveError().empty())
        Fail(m_doc->LastSaveErrorKind(), "cannot save " + m_path + ": " + m_doc->LastSaveError());
    if (m_doc->SaveCount() > 0) NoteChangeSaved();
}

}  // namespace cartera::cli
