#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using ReportCommandTest = CliTest;

// The figures themselves are checked where they are computed; here: the command's filters,
// its three forms and its refusals.
TEST_F(ReportCommandTest, PrintsTheFiltersFiguresAsJsonCsvAndTables) {
    std::string p = NewPortfolio();
    auto trade = [&](const char* code, const char* buy, const char* sell, const char* from,
                     const char* to) {
        Ok({"buy", p, "--code", code, "--contracts", "10", "--price", buy, "--date", from});
        Ok({"sell", p, "--code", code, "--contracts", "10", "--price", sell, "--date", to});
    };
    trade("AAA", "10", "12", "2025-12-01", "2025-12-31");  // +20
    trade("BBB", "10", "9", "2025-12-15", "2026-01-01");   // -10
    trade("AAA", "10", "11", "2026-01-02", "2026-01-05");  // +10

    EXPECT_TRUE(Holds(Json({"report", p, "stats"}),
                      R"({"trades": 3, "profit_factor": 3.0, "max_drawdown": 10.0})"_json));
    auto onlyA = Json({"report", p, "stats", "--code", "aaa"});
    EXPECT_EQ(onlyA["trades"], 2);
    EXPECT_TRUE(onlyA["profit_factor"].is_null());

    auto tax = Json({"report", p, "tax", "--year", "2026"});
    ASSERT_EQ(tax["trades"].size(), 2u);
    EXPECT_EQ(tax["trades"][0]["code"], "BBB");
    EXPECT_TRUE(Holds(tax["totals"], R"({"gain": 0.0, "short_term": 0.0})"_json));

    EXPECT_EQ(Ok({"report", p, "equity", "--csv", "--from", "2026-01-01"}),
              "date,result,equity,drawdown\r\n2026-01-01,-10,-10,10\r\n2026-01-05,10,0,0\r\n");
    EXPECT_THAT(Ok({"report", p, "by", "--by", "side"}),
                ::testing::AllOf(HasSubstr("long"), HasSubstr("Total")));

    Fails(2, {"report", p, "bogus"});  // usage errors exit 2, a missing file 5
    Fails(2, {"report", p, "by", "--by", "color"});
    Fails(2, {"report", p, "stats", "--side", "both"});
    Fails(2, {"report", p, "stats", "--json", "--csv"});
    for (const char* year : {"0", "-1", "10000", ""})
        Fails(2, {"report", p, "tax", "--year", year});
    Fails(2, {"report", p, "tax", "--term-days", ""});
    Fails(5, {"report", home + "/missing.cartera", "stats"});
}

}  // namespace
}  // namespace cartera::cli::testing
