// export and import: grids and journal as CSV, and movements read back.
#include "app/cli/cli_test_support.h"
#include "grids/csv.h"

namespace cartera::cli::testing {
namespace {

using Records = std::vector<std::vector<std::string>>;

std::string En(int id) { return LS(id, Language::en); }

Records ReadCsv(const std::string& text) {
    std::vector<CsvRecord> records;
    CsvError error;
    EXPECT_TRUE(ParseCsv(text, &records, &error)) << error.message;
    Records out;
    for (const auto& r : records) out.push_back(r.fields);
    return out;
}

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

TEST_F(CsvCommandsTest, ExportWritesWhatEachGridShowsWithPlainNumbers) {
    std::string p = Journal();
    Records movements = ReadCsv(Ok({"export", p, "movements"}));
    ASSERT_EQ(movements.size(), 8u);
    EXPECT_EQ(movements[0], (std::vector<std::string>{En(3381), En(3384), En(3390), En(3382),
                                                      En(3385), En(3386), En(3387), En(3395)}));
    // The buy: 1200 x 4.256 + 10, no thousands separator, a point for decimals.
    EXPECT_EQ(movements[2][0], En(3417));
    EXPECT_EQ(movements[2][4], "1200");
    EXPECT_EQ(movements[2][5], "4.26");  // the grid shows two decimals
    EXPECT_EQ(movements[2][7], "5117.20");
    EXPECT_EQ(movements[1][7], "20000.00");

    // Headings follow the language; numbers stay plain decimals with a point.
    Records german = ReadCsv(Ok({"--lang", "de", "export", p, "movements"}));
    EXPECT_EQ(german[0][7], LS(3395, Language::de));
    EXPECT_EQ(german[2][7], "5117.20");

    // The other grids, each with its own headings; quotes revalue the open trade.
    Records open = ReadCsv(Ok({"export", p, "open", "--quote", "SAN.MC=5"}));
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0][0], En(3381));
    EXPECT_EQ(open[1][open[0].size() - 4], "5.00");  // Price S, before Commission, Profit, %
    Records closed = ReadCsv(Ok({"export", p, "closed"}));
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_EQ(closed[0][0], En(3428));
    EXPECT_EQ(closed[1][2], "200");  // Contracts
    Records valuation = ReadCsv(Ok({"export", p, "valuation"}));
    ASSERT_EQ(valuation.size(), 14u);
    EXPECT_EQ(valuation[1], (std::vector<std::string>{En(3447), "20000.00", ""}));

    // Export follows --columns and --sort like show; --out writes the same, atomically.
    Records sorted =
        ReadCsv(Ok({"export", p, "movements", "--columns", "Total,Type", "--sort", "total"}));
    EXPECT_EQ(sorted[0], (std::vector<std::string>{En(3395), En(3381)}));
    EXPECT_EQ(sorted[1][0], "12.34");
    std::string file = home + "/movements.csv";
    EXPECT_EQ(Ok({"export", p, "movements", "--out", file}), "");
    EXPECT_EQ(Bytes(file), Ok({"export", p, "movements"}));
    Fails(1, {"export", p, "movements", "--out", home + "/no/such/folder/m.csv"});
    Fails(2, {"export", p, "totals"});
    Fails(2, {"export", p, "journal", "--sort", "Price"});
}

TEST_F(CsvCommandsTest, AnExportedJournalImportsToTheSamePortfolio) {
    std::string p = Journal();
    std::string journal = home + "/journal.csv";
    Ok({"export", p, "journal", "--out", journal});
    std::string q = NewPortfolio("copy");
    EXPECT_EQ(Ok({"import", q, journal}), "7\n");

    nlohmann::json a = Json({"show", p, "totals"}), b = Json({"show", q, "totals"});
    ASSERT_EQ(a.size(), b.size());
    for (const auto& item : a.items())
        EXPECT_NEAR(b[item.key()].get<double>(), item.value().get<double>(), 1e-9) << item.key();
    nlohmann::json ma = Json({"show", p, "movements"}), mb = Json({"show", q, "movements"});
    ASSERT_EQ(ma.size(), mb.size());
    for (size_t i = 0; i < ma.size(); ++i) {
        for (const char* key : {"type", "code", "symbol", "group", "contracts", "date", "time"})
            EXPECT_EQ(mb[i][key], ma[i][key]) << i << " " << key;
    }
    // Importing again appends: ids go on from the last one.
    EXPECT_EQ(Ok({"import", q, journal}), "7\n");
    EXPECT_EQ(Load(q)->ledger->GetOrders().back().id, 14u);

    // A file with its header alone adds nothing and writes nothing.
    const std::string before = Bytes(q);
    Write(journal, "date,type,code,contracts,price\n");
    EXPECT_EQ(Ok({"import", q, journal}), "0\n");
    EXPECT_EQ(Bytes(q), before);
}

TEST_F(CsvCommandsTest, ABadRowNamesLineAndColumnAndImportsNothing) {
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string before = Bytes(p);
    std::string csv = home + "/in.csv";
    Write(csv,
          "date,type,code,contracts,price\n"
          "2024-01-02,buy,AAA,10,5\n"
          "2024-01-03,buy,BBB,10,five\n");
    std::string err = Fails(2, {"import", p, csv});
    EXPECT_NE(err.find("line 3"), std::string::npos) << err;
    EXPECT_NE(err.find("column price"), std::string::npos) << err;
    EXPECT_EQ(Bytes(p), before);

    Fails(1, {"import", p, home + "/missing.csv"});
    EXPECT_EQ(Bytes(p), before);
}

TEST_F(CsvCommandsTest, ProgressShowsOnlyOnATerminal) {
    std::string csv = "date,type,code,contracts,price\n";
    for (int i = 0; i < 2500; ++i) csv += "2024-01-02,buy,C" + std::to_string(i % 7) + ",1,2\n";
    std::string file = home + "/big.csv";
    Write(file, csv);
    std::string p = NewPortfolio();
    RunResult quiet = Run({"import", p, file});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.out, "2500\n");
    EXPECT_EQ(quiet.err, "");

    terminal.progress = true;
    RunResult shown = Run({"import", p, file});
    EXPECT_EQ(shown.code, 0);
    EXPECT_EQ(shown.out, "2500\n");
    EXPECT_EQ(shown.err, "\rimported 1000 of 2500\rimported 2000 of 2500\rimported 2500 of 2500\n");
    EXPECT_EQ(Load(p)->ledger->GetOrders().size(), 5000u);
}

}  // namespace
}  // namespace cartera::cli::testing
