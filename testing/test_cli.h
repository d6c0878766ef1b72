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
#include "host/dates.h"
#include "host/folders.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_hooks.h"

namespace cartera::cli::testing {

using ::testing::HasSubstr;

struct RunResult {
    int code;
    std::string out;
    std::string err;
};

// A portfolio file loaded into a ledger of its own.
struct Loaded {
    std::unique_ptr<CSistemaCartera> ledger = std::make_unique<CSistemaCartera>();
    PortfolioDocument doc{ledger.get()};
    const COrderCartera& At(size_t i) const { return ledger->GetOrders().at(i); }
};

class CliTest : public cartera::testing::HooksTest {
  protected:
    // Runs "cartera-cli --home <home> args...".
    RunResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"cartera-cli", "--home", home});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        std::ostringstream out, err;
        int code = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, terminal);
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
    void AddBroker(bool makeDefault = true) {
        std::vector<std::string> args = {
            "commissions", "add-bracket",      "Broker", "--from",           "0", "--to",
            "10000",       "--commission-pct", "0.2",    "--commission-min", "5", "--brokerage-pct",
            "0.05",        "--brokerage-min",  "1",      "--royalty",        "2"};
        if (makeDefault) args.push_back("--default");
        Ok(args);
    }

    std::unique_ptr<Loaded> Load(const std::string& path) {
        SetHomeFolder(home);
        auto loaded = std::make_unique<Loaded>();
        std::string error;
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
    CliTerminal terminal;  // what Run tells the tool about its terminals
};

// A plain-text table read back by the rule under its headings: each column spans the
// characters of its dashes, so empty cells and cells with blanks come back as they were.
struct TextGrid {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;

    // The column with this heading; fails the test when there is none.
    size_t Col(const std::string& heading) const {
        auto it = std::find(headings.begin(), headings.end(), heading);
        EXPECT_NE(it, headings.end()) << heading;
        return static_cast<size_t>(it - headings.begin());
    }
    std::vector<std::string> Column(const std::string& heading) const {
        std::vector<std::string> cells;
        size_t col = Col(heading);
        for (const auto& row : rows) cells.push_back(col < row.size() ? row[col] : "");
        return cells;
    }
};

inline std::vector<std::string> Characters(const std::string& line) {
    std::vector<std::string> chars;
    for (char c : line) {
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80 && !chars.empty())
            chars.back() += c;
        else
            chars.emplace_back(1, c);
    }
    return chars;
}

inline TextGrid ReadTextGrid(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    TextGrid grid;
    if (lines.size() < 2) return grid;
    std::vector<std::pair<size_t, size_t>> spans;  // [first, last] character of each column
    const std::string& rule = lines[1];
    for (size_t i = 0; i < rule.size();) {
        if (rule[i] != '-') {
            ++i;
            continue;
        }
        size_t end = rule.find_first_not_of('-', i);
        if (end == std::string::npos) end = rule.size();
        spans.emplace_back(i, end - 1);
        i = end;
    }
    auto cells = [&](const std::string& line) {
        std::vector<std::string> chars = Characters(line);
        std::vector<std::string> out;
        for (auto [first, last] : spans) {
            std::string cell;
            for (size_t i = first; i <= last && i < chars.size(); ++i) cell += chars[i];
            size_t b = cell.find_first_not_of(' ');
            out.push_back(
                b == std::string::npos ? "" : cell.substr(b, cell.find_last_not_of(' ') - b + 1));
        }
        return out;
    };
    grid.headings = cells(lines[0]);
    for (size_t i = 2; i < lines.size(); ++i) grid.rows.push_back(cells(lines[i]));
    return grid;
}

// Whether every key of part holds the same value in whole (a JSON object).
inline ::testing::AssertionResult Holds(const nlohmann::json& whole, const nlohmann::json& part) {
    nlohmann::json merged = whole;
    merged.merge_patch(part);
    if (merged == whole) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << whole.dump() << "\ndoes not hold " << part.dump();
}

}  // namespace cartera::cli::testing
