// A portfolio of several currencies from the command line: results in the portfolio's
// currency split into price and exchange parts, rates typed or taken from the rates table,
// and a missing rate refused, never taken as 1.
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using ::testing::HasSubstr;
using CurrencyTest = CliTest;

TEST_F(CurrencyTest, AUsdTradeInAEurPortfolioSplitsItsResultAndTotalsAreInEuros) {
    const std::string made = Ok({"new", "eur", "--currency", "eur"});
    const std::string path = made.substr(0, made.size() - 1);
    EXPECT_EQ(Ok({"currency", path}), "EUR\n");
    auto trade = [&](const char* side, const char* price, const char* rate, const char* date) {
        Ok({side, path, "--code", "ACME", "--contracts", "10", "--price", price, "--commission",
            "2", "--currency", "usd", "--rate", rate, "--date", date});
    };
    trade("buy", "100", "0.9", "2026-03-02");
    trade("sell", "110", "0.8", "2026-09-01");
    Ok({"cash", path, "--type", "deposit", "--amount", "1000", "--currency", "USD", "--rate", "0.9",
        "--date", "2026-03-01"});

    const auto closed = Json({"show", path, "closed"});
    ASSERT_EQ(closed.size(), 1u);
    const auto& t = closed[0];
    EXPECT_EQ(t["currency"], "USD");
    EXPECT_DOUBLE_EQ(t["profit"].get<double>(), 96.0);  // in dollars: 1100 - 1000 - 2 - 2
    // (1100 - 2) x 0.8 - (1000 + 2) x 0.9; the dollar result at the exit rate; the cost's move.
    EXPECT_NEAR(t["result"].get<double>(), -23.4, 1e-9);
    EXPECT_NEAR(t["price_part"].get<double>(), 76.8, 1e-9);
    EXPECT_NEAR(t["exchange_part"].get<double>(), -100.2, 1e-9);
    const auto totals = Json({"show", path, "totals"});
    EXPECT_EQ(totals["currency"], "EUR");
    EXPECT_NEAR(totals["closed_profit"].get<double>(), -23.4, 1e-9);
    EXPECT_NEAR(totals["exchange_part"].get<double>(), -100.2, 1e-9);
    EXPECT_DOUBLE_EQ(totals["deposits"].get<double>(), 900.0);
    // The tax report in euros: each side at its own rate, (1100 - 2) x 0.8 and (1000 + 2) x 0.9.
    const auto tax = Json({"report", path, "tax", "--year", "2026"})["trades"][0];
    EXPECT_NEAR(tax["proceeds"].get<double>(), 878.4, 1e-9);
    EXPECT_NEAR(tax["cost"].get<double>(), 901.8, 1e-9);
    EXPECT_NEAR(tax["gain"].get<double>(), -23.4, 1e-9);
    EXPECT_NEAR(Json({"report", path, "stats"})["gross_loss"].get<double>(), 23.4, 1e-9);

    // No rate typed and none in the table: refused naming the pair and the date.
    EXPECT_THAT(Fails(2, {"buy", path, "--code", "BP", "--contracts", "1", "--price", "5",
                          "--commission", "0", "--currency", "GBP", "--date", "2026-12-05"}),
                HasSubstr("no GBP to EUR rate for 2026-12-05"));
    Ok({"rates", "import", std::string(CARTERA_RATES_TESTDATA) + "/eurofxref-hist.zip"});
    Ok({"buy", path, "--code", "BP", "--contracts", "1", "--price", "5", "--commission", "0",
        "--currency", "GBP", "--date", "2026-12-05"});
    const auto movements = Json({"show", path, "movements"});
    EXPECT_NEAR(movements.back()["rate"].get<double>(), 1 / 0.84, 1e-12);  // Friday's rate
    EXPECT_EQ(movements[2]["currency"], "USD");

    Ok({"restore", path});                                       // the GBP buy
    EXPECT_THAT(Ok({"restore", path}), HasSubstr("took back"));  // the deposit
    EXPECT_DOUBLE_EQ(Json({"show", path, "totals"})["deposits"].get<double>(), 0.0);
    EXPECT_EQ(Load(path)->ledger->GetCurrency(), "EUR");
}

TEST_F(CurrencyTest, APortfolioWithoutACurrencyNamesItOnceBeforeForeignMovements) {
    const std::string path = NewPortfolio("old");
    EXPECT_EQ(Ok({"currency", path}), "(not named)\n");
    Ok({"buy", path, "--code", "A", "--contracts", "1", "--price", "5", "--commission", "0"});
    const std::vector<std::string> usd = {
        "buy", path,           "--code", "B",          "--contracts", "1",      "--price",
        "5",   "--commission", "0",      "--currency", "USD",         "--rate", "0.9"};
    EXPECT_THAT(Fails(2, usd), HasSubstr("not named yet"));
    EXPECT_THAT(Fails(2, {"currency", path, "EU"}), HasSubstr("three-letter"));
    EXPECT_EQ(Ok({"currency", path, "EUR"}), "EUR\n");
    EXPECT_THAT(Fails(2, {"currency", path, "USD"}), HasSubstr("named once"));
    Ok(usd);
    const auto all = Json({"show", path});
    EXPECT_EQ(all["currency"], "EUR");
    EXPECT_EQ(all["movements"][0]["currency"], "EUR");
    EXPECT_EQ(all["movements"][1]["rate"], 0.9);
    EXPECT_THAT(Fails(2, {"buy", path, "--code", "C", "--contracts", "1", "--price", "5",
                          "--commission", "0", "--currency", "EUR", "--rate", "2"}),
                HasSubstr("rate 1"));
}

TEST_F(CurrencyTest, AnExchangeMovesCashBetweenCurrenciesAtItsOwnRateAndNoValue) {
    const std::string made = Ok({"new", "eur", "--currency", "EUR"});
    const std::string path = made.substr(0, made.size() - 1);
    Ok({"cash", path, "--type", "deposit", "--amount", "1000", "--date", "2026-03-01"});
    EXPECT_THAT(Fails(2, {"exchange", path, "--from", "EUR", "--sold", "10", "--into", "eur",
                          "--bought", "10"}),
                HasSubstr("two currencies"));
    EXPECT_THAT(Fails(2, {"exchange", path, "--from", "EUR", "--sold", "0", "--into", "USD",
                          "--bought", "10"}),
                HasSubstr("more than 0"));
    Ok({"exchange", path, "--from", "eur", "--sold", "1000", "--into", "USD", "--bought", "1250",
        "--date", "2026-03-02"});
    // The dollars bought cost 1000 / 1250 = 0.8 euros each: the buy takes that rate.
    Ok({"buy", path, "--code", "ACME", "--contracts", "10", "--price", "100", "--commission", "2",
        "--currency", "USD", "--rate", "0.8", "--date", "2026-03-03"});
    const auto all = Json({"show", path});
    const auto& x = all["movements"][1];
    EXPECT_EQ(x["type"], 7);
    EXPECT_EQ(x["currency"], "USD");
    EXPECT_DOUBLE_EQ(x["rate"].get<double>(), 0.8);
    EXPECT_EQ(x["terms"], "EUR 1000");
    // Cash: 1000 - 1000 euros; 1250 - 10 x 100 - 2 dollars. The capital does not move.
    EXPECT_EQ(all["totals"]["cash"], nlohmann::json::parse(R"({"EUR": 0.0, "USD": 248.0})"));
    EXPECT_DOUBLE_EQ(all["totals"]["capital"].get<double>(), 1000.0);
    EXPECT_THAT(Ok({"restore", path}), HasSubstr("took back"));
    EXPECT_THAT(Ok({"restore", path}), HasSubstr("took back"));
    EXPECT_EQ(Json({"show", path, "totals"})["cash"], nlohmann::json::parse(R"({"EUR": 1000.0})"));
}

}  // namespace
}  // namespace cartera::cli::testing
