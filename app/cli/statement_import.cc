// import of statements: recognition, reading with progress, the plan, one save and the
// summary.
#include "app/cli/statement_import.h"

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/cli/quantity_json.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "model/sistema.h"
#include "statements/detect.h"

namespace cartera::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* TypeWord(int32_t type) {
    static constexpr const char* kWords[] = {"buy",     "dividend", "expense", "imposition",
                                             "deposit", "refund",   "sell"};
    return type >= 0 && type <= 6 ? kWords[type] : "unknown";
}

Json MovementJson(const COrderCartera& m) {
    return Json{{"date", IsoDate(m.date)},    {"time", HnToHc(m.time)},
                {"type", TypeWord(m.type)},   {"code", std::string(m.quoteCode)},
                {"contracts", m.contracts},   {"price", m.price},
                {"commission", m.commission}, {"order_text", std::string(m.orderText)}};
}

// "2024-01-02 10:00:00 buy ABC 10 x 20 IB:7": a movement as a dry run lists it.
std::string MovementText(const COrderCartera& m) {
    std::string text = IsoDate(m.date) + ' ' + HnToHc(m.time) + ' ' + TypeWord(m.type) + ' ' +
                       std::string(m.quoteCode) + ' ' + m.contracts.Text() + " x " +
                       ExactNumberText(m.price);
    return m.orderText.empty() ? text : text + ' ' + std::string(m.orderText);
}

// What an import added (count movements, listed in plan.added for a dry run or json), took
// out, skipped, refused, left out and reports.
void PrintSummary(Output io, const std::string& format, const statements::ImportPlan& plan,
                  size_t count, const StatementArgs& a) {
    if (format == statements::kCarteraFormat && !a.json && !a.dryRun) {
        io.out << count << '\n';
        return;
    }
    if (a.json) {
        Json j{
            {"format", format},           {"dry_run", a.dryRun},     {"added", count},
            {"withdrawn", Json::array()}, {"skipped", plan.skipped}, {"refused", Json::array()},
            {"left_out", plan.leftOut},   {"notes", Json::array()},  {"movements", Json::array()}};
        for (const auto& m : plan.withdrawn) {
            Json taken = MovementJson(m);
            taken["id"] = m.id;
            j["withdrawn"].push_back(std::move(taken));
        }
        for (const auto& r : plan.refused)
            j["refused"].push_back({{"line", r.line}, {"why", r.why}});
        for (const auto& n : plan.notes) j["notes"].push_back({{"line", n.line}, {"text", n.text}});
        for (const auto& m : plan.added) j["movements"].push_back(MovementJson(m));
        io.out << j.dump(2) << '\n';
        return;
    }
    if (a.dryRun) {
        for (const COrderCartera& m : plan.withdrawn)
            io.out << "take out " << MovementText(m) << '\n';
        for (const COrderCartera& m : plan.added) io.out << "add " << MovementText(m) << '\n';
    }
    io.out << (a.dryRun ? "would add " : "added ") << count;
    if (!plan.withdrawn.empty())
        io.out << (a.dryRun ? ", would take out " : ", took out ") << plan.withdrawn.size()
               << " (cancelled by the broker)";
    io.out << ", skipped " << plan.skipped << " (already in the portfolio), refused "
           << plan.refused.size() << '\n';
    for (const auto& r : plan.refused) io.out << "refused line " << r.line << ": " << r.why << '\n';
    for (const auto& l : plan.leftOut) io.out << l << '\n';
    for (const auto& n : plan.notes) io.out << "line " << n.line << ": " << n.text << '\n';
}

}  // namespace

void AddStatementOptions(CLI::App* sub, StatementArgs& a) {
    std::string names;
    for (const auto& f : statements::Formats())
        names += (names.empty() ? "" : ", ") + std::string(f.name);
    sub->add_option("--format", a.format, "read the file as this format: " + names);
    sub->add_option("--account", a.account, "import this account of a statement with several");
    sub->add_option("--currency", a.currency,
                    "import the rows in this currency; the rest are counted and left out");
    sub->add_option("--map", a.map, "a mapping file (or a shipped mapping's name) for any CSV");
    sub->add_option("--date-format", a.dateFormat,
                    "how Cartera's own CSV writes its dates: YYYY, MM and DD (M and D for one or "
                    "two digits) and the characters between them, e.g. DD/MM/YYYY")
        ->capture_default_str();
    sub->add_flag("--dry-run", a.dryRun,
                  "print what would be added, skipped and refused; write nothing");
    sub->add_flag("--json", a.json, "print the summary as JSON");
}

ImportFile::ImportFile(Env& env, const std::string& path) : m_path(path) {
    std::unique_ptr<SequentialFile> file;
    Status read = env.OpenSequential(path, &file);
    if (read.ok()) {
        m_input = std::make_unique<FileInput>(std::move(file), statements::kDetectBytes);
        read = m_input->Failure();
    }
    if (read.ok()) return;
    FileState state;
    if (read.kind() == ErrorKind::invalid_input && env.GetFileState(path, &state).ok() &&
        state.exists && !state.regular)
        FailUsage(path + " is a folder, not a file to import");
    FailIo(read.message());
}

namespace {

std::string FormatOf(const ImportFile& file, const StatementArgs& a) {
    if (!a.format.empty()) {
        if (!statements::FindFormat(a.format)) {
            std::string names;
            for (const auto& f : statements::Formats())
                names += (names.empty() ? "" : ", ") + std::string(f.name);
            FailUsage("--format takes " + names + ", not '" + a.format + "'");
        }
        return a.format;
    }
    if (!a.map.empty()) return "map";
    return statements::DetectFormat(file.Head());
}

}  // namespace

std::string ChooseFormat(const ImportFile& file, const StatementArgs& a) {
    if (!ValidDateFormat(a.dateFormat))
        FailUsage("--date-format must name YYYY, MM (or M) and DD (or D) once each, not '" +
                  a.dateFormat + "'");
    const std::string format = FormatOf(file, a);
    if (format == statements::kCarteraFormat && (!a.account.empty() || !a.currency.empty()))
        FailUsage("--account and --currency are for a broker's statement; " + file.Path() +
                  " is read as Cartera's own CSV (--format names another)");
    return format;
}

statements::Statement ReadStatementFile(Output io, ImportFile& file, const std::string& format,
                                        const StatementArgs& a) {
    statements::ReadOptions read;
    read.map = a.map;
    read.env = io.context.env;
    read.dateFormat = a.dateFormat;
    bool shown = false;
    if (io.progress) {
        read.progress = [&io, &shown](size_t bytes) {
            io.err << "\rread " << bytes / (1024 * 1024) << " MiB" << std::flush;
            shown = true;
        };
    }
    // A ledger of its own prices the commissions of Cartera's CSV: no portfolio is open.
    std::unique_ptr<CSistemaCartera> schedules;
    if (format == statements::kCarteraFormat)
        read.ledger = (schedules = MakeLedger(io.context)).get();
    statements::Statement s;
    std::optional<Error> refused;
    try {
        s = statements::ReadStatement(file.Stream(), format, read);
        if (!file.Failure().ok())
            refused.emplace(file.Failure().kind(), file.Failure().message());
        else if (file.Stream().bad())
            refused.emplace(ErrorKind::io, "the file could not be read");
    } catch (const Error& e) {
        refused = e;
    } catch (const std::ios_base::failure& e) {  // the file buffer's read errors
        refused.emplace(ErrorKind::io, e.what());
    }
    if (shown) io.err << '\n';
    if (!refused) return s;
    Fail(refused->kind(), file.Path() + ": " + refused->what() + "; nothing was imported");
}

void ImportStatement(Output io, OpenPortfolio& portfolio, const std::string& file,
                     const std::string& format, statements::Statement statement,
                     const StatementArgs& a) {
    statements::ImportPlan plan;
    auto planned = [&] {
        try {
            plan = statements::PlanImport(statement, portfolio.Ledger(), {a.account, a.currency});
        } catch (const Error& e) {
            Fail(e.kind(), file + ": " + e.what() + "; nothing was imported");
        }
        return !plan.added.empty() || !plan.withdrawn.empty();
    };
    // Planned under the shared lock; planned again when a writer came in before the change.
    bool changes = planned() && !a.dryRun;
    if (changes && !portfolio.Upgrade()) changes = planned();
    statement = statements::Statement();
    const size_t count = plan.added.size();
    if (changes) {
        std::function<void(size_t)> progress;
        if (io.progress) {
            progress = [&io, count](size_t done) {
                io.err << "\rimported " << done << " of " << count << std::flush;
            };
        }
        // The movements go into the journal; a summary as json still lists them.
        std::vector<COrderCartera> batch;
        if (a.json)
            batch = plan.added;
        else
            batch.swap(plan.added);
        portfolio.Ledger().AddOrders(std::move(batch), progress, statements::WithdrawnIds(plan));
        if (io.progress) io.err << '\n';
        portfolio.CheckSaved();
    }
    PrintSummary(io, format, plan, count, a);
}

}  // namespace cartera::cli
