// export and import: grids and journal as CSV, movements read back, and broker statements.
#include <unistd.h>

#include <utility>

#include "host/env.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

class CsvCommandsTest : public CliTest {
  protected:
    // One movement of every kind: an imposition, a buy with a typed commission, part of it
    // sold, a dividend, an expense, a deposit and a refund.
    std::string Journal() {
        std::string p = NewPortfolio();
        Ok({"cash", p, "--type", "imposition", "--amount", "20000", "--date", "2024-01-02"});
        Ok({"buy", p, "--code", "SAN.MC", "--symbol", "Santander", "--contracts", "1200", "--price",
            "4.256", "--commission", "10", "--group", "Banks", "--date", "2024-01-03", "--time",
            "09:30:00"});
        Ok({"sell", p, "--code", "SAN.MC", "--contracts", "200", "--price", "4.5", "--commission",
            "3", "--date", "2024-02-01"});
        Ok({"dividend", p, "--code", "SAN.MC", "--shares", "1000", "--per-share", "0.12", "--date",
            "2024-03-01"});
        Ok({"cash", p, "--type", "expense", "--amount", "12.34", "--description", "Fees"});
        Ok({"cash", p, "--type", "deposit", "--amount", "50"});
        Ok({"cash", p, "--type", "refund", "--amount", "1000"});
        return p;
    }
};

// What each grid writes is the CSV layer's; here the command picks the grid, the columns,
// the sort, the quotes and the output.
TEST_F(CsvCommandsTest, ExportPicksGridColumnsSortQuotesAndOutput) {
    std::string p = Journal();
    EXPECT_EQ(ReadCsv(Ok({"export", p, "movements"})).size(), 8u);
    Records open = ReadCsv(Ok({"export", p, "open", "--quote", "SAN.MC=5"}));
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[1][open[0].size() - 4], "5.00");  // Price S, before Commission, Profit, %
    EXPECT_EQ(ReadCsv(Ok({"export", p, "valuation"})).size(), 14u);

    Records sorted =
        ReadCsv(Ok({"export", p, "movements", "--columns", "Total,Type", "--sort", "total"}));
    EXPECT_EQ(sorted[0], (std::vector<std::string>{En(3395), En(3381)}));
    EXPECT_EQ(sorted[1][0], "-12.34");  // a debit, written negative
    std::string file = home + "/movements.csv";
    EXPECT_EQ(Ok({"export", p, "movements", "--out", file}), "");
    EXPECT_EQ(Bytes(file), Ok({"export", p, "movements"}));
    Fails(1, {"export", p, "movements", "--out", home + "/no/such/folder/m.csv"});
    Fails(2, {"export", p, "totals"});
    Fails(2, {"export", p, "journal", "--sort", "Price"});
}

// The journal's round trip, and which rows are refused and how they are named, are the CSV
// layer's; here what import adds and prints, and that it passes the date format on.
TEST_F(CsvCommandsTest, AnExportedJournalImportsToTheSamePortfolioAndABadRowImportsNothing) {
    std::string p = Journal();
    std::string journal = home + "/journal.csv";
    Ok({"export", p, "journal", "--out", journal});
    std::string q = NewPortfolio("copy");
    EXPECT_EQ(Ok({"import", q, journal}), "7\n");
    EXPECT_EQ(Ok({"export", q, "journal"}), Bytes(journal));
    // Importing again appends: ids go on from the last one.
    EXPECT_EQ(Ok({"import", q, journal}), "7\n");
    EXPECT_EQ(Load(q)->ledger->GetOrders().back().id, 14u);

    // A file with its header alone, or with a bad row, adds nothing and writes nothing.
    const std::string before = Bytes(q);
    Write(journal, "date,type,code,contracts,price\n");
    EXPECT_EQ(Ok({"import", q, journal}), "0\n");
    Write(journal,
          "date,type,code,contracts,price\n2024-01-02,buy,A,10,5\n07/01/2024,buy,A,10,5\n");
    EXPECT_THAT(Fails(2, {"import", q, journal}), HasSubstr("line 3, column date"));
    Fails(2, {"import", q, journal, "--date-format", "DD/MM/YY"});
    Fails(1, {"import", q, home + "/missing.csv"});
    EXPECT_EQ(Bytes(q), before);
    Write(journal, "date,type,code,contracts,price\n07/01/2024,buy,AAA,10,5\n");
    EXPECT_EQ(Ok({"import", q, journal, "--date-format", "DD/MM/YYYY"}), "1\n");
    EXPECT_THAT(Ok({"export", q, "journal"}), HasSubstr("2024-01-07"));
}

TEST_F(CsvCommandsTest, ProgressShowsOnlyOnATerminal) {
    std::string csv = "date,type,code,contracts,price\n";
    for (int i = 0; i < 2500; ++i) csv += "2024-01-02,buy,C" + std::to_string(i % 7) + ",1,2\n";
    std::string file = home + "/big.csv";
    Write(file, csv);
    std::string p = NewPortfolio();
    RunResult quiet = Run({"import", p, file});
    EXPECT_EQ(std::tie(quiet.code, quiet.out, quiet.err), std::tuple(0, "2500\n", ""));
    terminal.progress = true;
    RunResult shown = Run({"import", p, file});
    EXPECT_EQ(
        std::tie(shown.code, shown.out, shown.err),
        std::tuple(0, "2500\n",
                   "\rimported 1000 of 2500\rimported 2000 of 2500\rimported 2500 of 2500\n"));
    EXPECT_EQ(Load(p)->ledger->GetOrders().size(), 5000u);
}

// import of a broker's statement: the choices it asks for, the dry run, the summary, and a
// second import that adds nothing.
TEST_F(CsvCommandsTest, AStatementImportRefusesUntilChosenThenImportsOnceAndReports) {
    const std::string p = NewPortfolio(), file = home + "/flex.xml";
    // Two accounts; U1 has a fractional buy, imported as it is, and a EUR trade.
    const std::string flex = Bytes(CARTERA_TESTDATA_DIR "/ib-flex-xml/flex_two_accounts.xml");
    Write(file, flex);
    const std::string before = Bytes(p);
    EXPECT_THAT(Fails(2, {"import", p, file}), HasSubstr("accounts (U1, U2)"));
    const std::vector<std::string> chosen = {"import",     p,    file, "--account", "U1",
                                             "--currency", "USD"};
    std::vector<std::string> args = chosen, dry = chosen;
    dry.push_back("--dry-run");
    EXPECT_EQ(Ok(dry),
              "add 2024-01-01 00:00:00 imposition IN 1 x 1000 IB:10\n"
              "add 2024-01-02 10:00:00 buy ABC 10 x 20 IB:7\n"
              "add 2024-01-03 10:00:00 buy ABC 0.5 x 21 IB:8\n"
              "would add 3, skipped 0 (already in the portfolio), refused 0\n"
              "1 row of account U2 left out\n"
              "1 EUR row left out: import them into a EUR portfolio\n");
    EXPECT_EQ(Bytes(p), before);

    nlohmann::json first = Json(args);
    EXPECT_TRUE(Holds(first, R"({"format": "ib-flex-xml", "added": 3})"_json));
    EXPECT_TRUE(Holds(Json(args), R"({"added": 0, "skipped": 3})"_json));
    EXPECT_EQ(Load(p)->At(1).orderText, "IB:7");
    EXPECT_EQ(Load(p)->At(2).contracts.Text(), "0.5");

    // A bad row names its line and field, and nothing is imported.
    const std::string changed = Bytes(p);
    Write(file, std::string(flex).replace(flex.find("\"20\""), 4, "\"2O\""));
    EXPECT_THAT(Fails(2, chosen), HasSubstr("line 3, tradeprice: \"2O\" is not a number; nothing"));
    EXPECT_EQ(Bytes(p), changed);

    // Cartera's own CSV is still told apart by its content, and takes the dry run too.
    Write(file, "date,type,code,contracts,price\n2024-01-05,sell,ABC,4,22\n");
    EXPECT_EQ(Ok({"import", p, file, "--dry-run"}).substr(0, 32),
              "add 2024-01-05 00:00:00 sell ABC");
    Fails(2, {"import", p, file, "--currency", "USD"});
    EXPECT_EQ(Bytes(p), changed);
}

struct LockedEnv : EnvWrapper {
    using EnvWrapper::EnvWrapper;
    Status LockFile(const std::string& path, int, std::unique_ptr<FileLock>*, LockMode) override {
        return Status(ErrorKind::locked, path + " is locked by another writer");
    }
};

// A statement is read whole before the portfolio's lock is taken, from a pipe too; a
// later statement's cancellation takes out the trade an earlier import added.
TEST_F(CsvCommandsTest, AStatementIsReadFirstFromAnyFileAndItsCancelsTakeTradesOut) {
    const std::string p = NewPortfolio(), file = home + "/flex.xml";
    std::string flex = Bytes(CARTERA_TESTDATA_DIR "/ib-flex-xml/flex.xml");
    Write(file, flex.substr(0, 900));  // cut inside a tag
    {
        LockedEnv locked(context.env);
        Env* real = std::exchange(context.env, &locked);
        EXPECT_THAT(Fails(2, {"import", p, file}), HasSubstr("line 8, XML"));
        context.env = real;
    }
    EXPECT_THAT(Fails(2, {"import", p, home}), HasSubstr("is a folder"));
    EXPECT_THAT(Fails(2, {"import", p, file, "--map", home}), HasSubstr("Is a directory"));

    const size_t cancel = flex.find("<Trade", flex.find("tradeID=\"1003\""));
    const std::vector<std::string> u1 = {"--account", "U1111111", "--currency", "USD"};
    auto import = [&](const std::string& path, std::vector<std::string> more) {
        std::vector<std::string> args = {"import", p, path};
        args.insert(args.end(), u1.begin(), u1.end());
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);  // holds the whole statement without a reader
    const std::string early = std::string(flex).erase(cancel, flex.find('\n', cancel) - cancel);
    ASSERT_EQ(::write(pipe[1], early.data(), early.size()), static_cast<ssize_t>(early.size()));
    ::close(pipe[1]);
    const int input = ::dup(0);
    ::dup2(pipe[0], 0);
    ::close(pipe[0]);
    const RunResult piped = Run(import("/dev/stdin", {}));
    ::dup2(input, 0);
    ::close(input);
    EXPECT_EQ(piped.out.substr(0, 10), "added 11, ") << piped.err;  // the split too

    Write(file, flex);
    EXPECT_THAT(Ok(import(file, {"--dry-run"})),
                ::testing::StartsWith("take out 2024-02-05 09:00:00 buy AAPL 50 x 155 IB:1003\n"
                                      "would add 0, would take out 1 (cancelled by the broker)"));
    const nlohmann::json done = Json(import(file, {}));
    EXPECT_EQ(done["withdrawn"][0]["order_text"], "IB:1003");
    std::unique_ptr<Loaded> after = Load(p);
    EXPECT_EQ(after->ledger->GetOrders().size(), 10u);
    EXPECT_NE(after->ledger->GetOrders().back().orderText, "IB:1003");
}

}  // namespace
}  // namespace cartera::cli::testing
