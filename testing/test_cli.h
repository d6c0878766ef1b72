#pragma once
// A fixture that runs cartera-cli in-process against a fresh temporary home per test (every
// process-wide hook kept), and reads what it wrote back through the model, independently of
// the tool's own output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "commissions/comisiones.h"
#include "host/dates.h"
#include "host/folders.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_hooks.h"
#include "text/csv.h"

namespace cartera::cli::testing {

using ::testing::HasSubstr;

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

// A portfolio file loaded into a ledger of its own, with the commission file of ctx.
struct Loaded {
    explicit Loaded(const Context& ctx)
        : ledger(std::make_unique<CSistemaCartera>(LoadCommissions(ctx), ctx)),
          doc(ledger.get(), ctx.env) {}
    std::unique_ptr<CSistemaCartera> ledger;
    PortfolioDocument doc;
    const COrderCartera& At(size_t i) const { return ledger->GetOrders().at(i); }
};

// The command line "commissions add-bracket name --from from --to to more...".
inline std::vector<std::string> Bracket(const std::string& name, const std::string& from,
                                        const std::string& to, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"commissions", "add-bracket", name, "--from", from, "--to", to});
    return more;
}

class CliTest : public cartera::testing::HooksTest {
  protected:
    // Runs "cartera-cli --home <home> args..." writing to out and err; returns its status.
    int Run(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
        args.insert(args.begin(), {"cartera-cli", "--home", home});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        return RunCli(context, static_cast<int>(argv.size()), argv.data(), out, err, terminal);
    }
    RunResult Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int code = Run(std::move(args), out, err);
        return {code, out.str(), err.str()};
    }

    // Runs a command that must succeed and returns its output.
    std::string Ok(const std::vector<std::string>& args) {
        RunResult r = Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return r.out;
    }

    // Runs a command that must fail with code, with one "cartera-cli: " line on stderr.
    std::string Fails(int code, const std::vector<std::string>& args) {
        RunResult r = Run(args);
        EXPECT_EQ(r.code, code) << r.out;
        EXPECT_EQ(r.err.rfind("cartera-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        return r.err;
    }

    std::string NewPortfolio(const std::string& name = "p") {
        std::string out = Ok({"new", name});
        return out.empty() ? out : out.substr(0, out.size() - 1);
    }

    // The schedule "Broker": one bracket 0 to 10000 that prices 1050 and 1200 at 8.
    void AddBroker() {
        Ok(Bracket("Broker", "0", "10000",
                   {"--commission-pct", "0.2", "--commission-min", "5", "--brokerage-pct", "0.05",
                    "--brokerage-min", "1", "--royalty", "2", "--default"}));
    }

    std::unique_ptr<Loaded> Load(const std::string& path) {
        auto loaded = std::make_unique<Loaded>(context);
        EXPECT_EQ(loaded->doc.Load(path).message(), "");
        return loaded;
    }

    nlohmann::json Json(std::vector<std::string> args) {
        args.push_back("--json");
        return nlohmann::json::parse(Ok(args));
    }

    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void Write(const std::string& path, const std::string& data) {
        std::ofstream(path, std::ios::binary) << data;
    }

    std::string home = hooks.Home();
    Context context{PosixEnv(), {}, home, Language::en};  // what Run runs the tool in
    CliTerminal terminal;  // what Run tells the tool about its terminals
};

using Records = std::vector<std::vector<std::string>>;

// A text of the interface in English, as the tests run it.
inline std::string En(int id) { return LS(id, Language::en); }

// The records of a CSV text the tool wrote.
inline Records ReadCsv(const std::string& text) {
    std::vector<CsvRecord> records;
    CsvError error;
    EXPECT_TRUE(ParseCsv(text, &records, &error)) << error.message;
    Records out;
    for (const auto& r : records) out.push_back(r.fields);
    return out;
}

// Whether every key of part holds the same value in whole (a JSON object); an array holds an
// array of as many parts, one for each of its objects.
inline ::testing::AssertionResult Holds(const nlohmann::json& whole, const nlohmann::json& part) {
    nlohmann::json merged = whole;
    if (whole.is_array() && part.is_array() && whole.size() == part.size()) {
        for (size_t i = 0; i < part.size(); ++i) merged[i].merge_patch(part[i]);
    } else {
        merged.merge_patch(part);
    }
    if (merged == whole) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << whole.dump() << "\ndoes not hold " << part.dump();
}

}  // namespace cartera::cli::testing
