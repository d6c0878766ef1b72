// import of a broker's statement from the command line: the choices it asks for, the dry
// run, the summary, and a second import that adds nothing.
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

class StatementImportTest : public CliTest {};

TEST_F(StatementImportTest, RefusesUntilChosenThenImportsOnceAndReports) {
    const std::string p = NewPortfolio(), file = home + "/flex.xml";
    // Two accounts; U1 has a fractional buy and a EUR trade.
    const std::string flex = Bytes(CARTERA_TESTDATA_DIR "/flex_two_accounts.xml");
    Write(file, flex);
    const std::string before = Bytes(p);
    EXPECT_NE(Fails(2, {"import", p, file}).find("accounts (U1, U2)"), std::string::npos);
    const std::vector<std::string> chosen = {"import",     p,    file, "--account", "U1",
                                             "--currency", "USD"};
    std::vector<std::string> args = chosen;
    EXPECT_NE(Fails(2, args).find("line 4 ABC 0.5"), std::string::npos);
    args.push_back("--skip-fractional");
    std::vector<std::string> dry = args;
    dry.push_back("--dry-run");
    EXPECT_EQ(Ok(dry),
              "add 2024-01-01 00:00:00 imposition IN 1 x 1000 IB:10\n"
              "add 2024-01-02 10:00:00 buy ABC 10 x 20 IB:7\n"
              "would add 2, skipped 0 (already in the portfolio), refused 1\n"
              "refused line 4: ABC 0.5: a fractional quantity cannot be held\n"
              "1 row of account U2 left out\n"
              "1 EUR row left out: import them into a EUR portfolio\n");
    EXPECT_EQ(Bytes(p), before);

    nlohmann::json first = Json(args);
    EXPECT_EQ(first["format"], "ib-flex-xml");
    EXPECT_EQ(first["added"], 2);
    EXPECT_EQ(first["refused"][0]["line"], 4);
    nlohmann::json second = Json(args);
    EXPECT_EQ(second["added"], 0);
    EXPECT_EQ(second["skipped"], 2);
    EXPECT_EQ(Load(p)->At(1).orderText, "IB:7");

    // A bad row names its line and field, and nothing is imported.
    const std::string changed = Bytes(p);
    Write(file, std::string(flex).replace(flex.find("\"20\""), 4, "\"2O\""));
    EXPECT_NE(Fails(2, chosen).find("line 3, tradeprice: \"2O\" is not a number; nothing"),
              std::string::npos);
    EXPECT_EQ(Bytes(p), changed);

    // Cartera's own CSV is still told apart by its content, and takes the dry run too.
    Write(file, "date,type,code,contracts,price\n2024-01-05,sell,ABC,4,22\n");
    EXPECT_EQ(Ok({"import", p, file, "--dry-run"}).substr(0, 32),
              "add 2024-01-05 00:00:00 sell ABC");
    Fails(2, {"import", p, file, "--currency", "USD"});
    EXPECT_EQ(Bytes(p), changed);
}

}  // namespace
}  // namespace cartera::cli::testing
