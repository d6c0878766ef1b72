// import of broker statements: recognition, reading with progress, the plan, one save and
// the summary.
#include "app/cli/statement_import.h"

#include <cerrno>
#include <fstream>
#include <nlohmann/json.hpp>
#include <system_error>

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

std::ifstream OpenFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) FailIo("cannot open " + file + ": " + std::generic_category().message(errno));
    return in;
}

Json MovementJson(const COrderCartera& m) {
    return Json{{"date", IsoDate(m.date)},    {"time", HnToHc(m.time)},
                {"type", TypeWord(m.type)},   {"code", std::string(m.quoteCode)},
                {"contracts", m.contracts},   {"price", m.price},
                {"commission", m.commission}, {"order_text", std::string(m.orderText)}};
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
    sub->add_flag("--skip-fractional", a.skipFractional,
                  "leave out rows of fractional quantities (listed) instead of refusing the file");
    sub->add_flag("--dry-run", a.dryRun,
                  "print what would be added, skipped and refused; write nothing");
    sub->add_flag("--json", a.json, "print the summary as JSON");
}

std::string ChooseFormat(const std::string& file, const StatementArgs& a) {
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
    std::ifstream in = OpenFile(file);
    std::string head(statements::kDetectBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return statements::DetectFormat(head);
}

void ImportStatement(Output io, OpenPortfolio& portfolio, const std::string& file,
                     const std::string& format, const StatementArgs& a) {
    std::ifstream in = OpenFile(file);
    statements::ReadOptions read;
    read.map = a.map;
    if (io.progress) {
        read.progress = [&io](size_t bytes) {
            io.err << "\rread " << bytes / (1024 * 1024) << " MiB" << std::flush;
        };
    }
    statements::ImportPlan plan;
    try {
        statements::Statement s = statements::ReadStatement(in, format, read);
        if (io.progress) io.err << '\n';
        if (in.bad()) FailIo("cannot read " + file + "; nothing was imported");
        plan = statements::PlanImport(s, portfolio.Ledger(),
                                      {a.account, a.currency, a.skipFractional});
    } catch (const Error& e) {
        if (io.progress) io.err << '\n';
        Fail(e.kind(), file + ": " + e.what() + "; nothing was imported");
    }
    const size_t count = plan.added.size();
    if (!a.dryRun && count > 0) {
        std::function<void(size_t)> progress;
        if (io.progress) {
            progress = [&io, count](size_t done) {
                io.err << "\rimported " << done << " of " << count << std::flush;
            };
        }
        portfolio.Ledger().AddOrders(plan.added, progress);
        if (io.progress) io.err << '\n';
        portfolio.CheckSaved();
    }
    PrintImportSummary(io, format, plan, a);
}

void PrintImportSummary(Output io, const std::string& format, const statements::ImportPlan& plan,
                        const StatementArgs& a) {
    if (a.json) {
        Json j{{"format", format},        {"dry_run", a.dryRun},       {"added", plan.added.size()},
               {"skipped", plan.skipped}, {"refused", Json::array()},  {"left_out", plan.leftOut},
               {"notes", Json::array()},  {"movements", Json::array()}};
        for (const auto& r : plan.refused)
            j["refused"].push_back({{"line", r.line}, {"why", r.why}});
        for (const auto& n : plan.notes) j["notes"].push_back({{"line", n.line}, {"text", n.text}});
        for (const auto& m : plan.added) j["movements"].push_back(MovementJson(m));
        io.out << j.dump(2) << '\n';
        return;
    }
    if (a.dryRun) {
        for (const COrderCartera& m : plan.added)
            io.out << "add " << IsoDate(m.date) << ' ' << HnToHc(m.time) << ' ' << TypeWord(m.type)
                   << ' ' << std::string_view(m.quoteCode) << ' ' << m.contracts << " x "
                   << ExactNumberText(m.price) << (m.orderText.empty() ? "" : " ")
                   << std::string_view(m.orderText) << '\n';
    }
    io.out << (a.dryRun ? "would add " : "added ") << plan.added.size() << ", skipped "
           << plan.skipped << " (already in the portfolio), refused " << plan.refused.size()
           << '\n';
    for (const auto& r : plan.refused) io.out << "refused line " << r.line << ": " << r.why << '\n';
    for (const auto& l : plan.leftOut) io.out << l << '\n';
    for (const auto& n : plan.notes) io.out << "line " << n.line << ": " << n.text << '\n';
}

}  // namespace cartera::cli
