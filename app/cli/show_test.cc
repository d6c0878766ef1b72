#include <set>

#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using ShowTest = CliTest;

std::set<std::string> Keys(const nlohmann::json& object) {
    std::set<std::string> keys;
    for (const auto& item : object.items()) keys.insert(item.key());
    return keys;
}

TEST_F(ShowTest, JsonHasTheDocumentedShapeAndExactNumbers) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--symbol", "Santander", "--contracts", "3", "--price",
        "10.123456789012345", "--commission", "1", "--group", "Banks", "--date", "2024-03-01",
        "--time", "10:30:00"});
    Ok({"cash", p, "--type", "imposition", "--amount", "0.1"});
    Ok({"cash", p, "--type", "deposit", "--amount", "0.2"});

    nlohmann::json all = Json({"show", p});
    EXPECT_EQ(Keys(all), (std::set<std::string>{"last_id", "active_tab", "movements", "open",
                                                "closed", "totals"}));
    EXPECT_EQ(all["last_id"], 3);
    ASSERT_EQ(all["movements"].size(), 3u);
    const nlohmann::json& m = all["movements"][0];
    EXPECT_EQ(Keys(m), (std::set<std::string>{
                           "id", "type", "letter", "buy", "code", "symbol", "group", "contracts",
                           "price", "commission_per_contract", "schedule", "point_value",
                           "guarantee", "decimals", "reserved", "date", "time"}));
    EXPECT_EQ(m["id"], 1);
    EXPECT_EQ(m["type"], 0);
    EXPECT_EQ(m["letter"], "B");
    EXPECT_EQ(m["buy"], true);
    EXPECT_EQ(m["code"], "SAN.MC");
    EXPECT_EQ(m["symbol"], "Santander");
    EXPECT_EQ(m["price"].get<double>(), 10.123456789012345);
    EXPECT_EQ(m["commission_per_contract"].get<double>(), 1.0 / 3);
    EXPECT_EQ(m["date"], "2024-03-01");
    EXPECT_EQ(m["time"], "10:30:00");
    EXPECT_EQ(all["movements"][1]["letter"], "IM");

    ASSERT_EQ(all["open"].size(), 1u);
    EXPECT_EQ(Keys(all["open"][0]), (std::set<std::string>{"id",
                                                           "code",
                                                           "symbol",
                                                           "long",
                                                           "contracts",
                                                           "remainder",
                                                           "entry_price",
                                                           "exit_price",
                                                           "entry_commission",
                                                           "exit_commission",
                                                           "point_value",
                                                           "profit",
                                                           "percentage",
                                                           "days_held",
                                                           "entry_date",
                                                           "exit_date",
                                                           "entry_group",
                                                           "exit_group",
                                                           "decimals",
                                                           "guarantee"}));
    EXPECT_EQ(all["open"][0]["entry_group"], "Banks");
    EXPECT_TRUE(all["closed"].empty());
    EXPECT_EQ(
        Keys(all["totals"]),
        (std::set<std::string>{"capital", "open_profit", "closed_profit", "invested", "impositions",
                               "deposits", "refunds", "expenses", "dividends", "guarantees"}));
    EXPECT_EQ(all["totals"]["capital"].get<double>(), 0.1 + 0.2);
    EXPECT_EQ(all["totals"]["invested"].get<double>(), (10.123456789012345 + 1.0 / 3) * 3);

    // The single views are the parts of the whole.
    EXPECT_EQ(Json({"show", p, "movements"}), all["movements"]);
    EXPECT_EQ(Json({"show", p, "totals"}), all["totals"]);
    EXPECT_EQ(Json({"show", p, "open"}), all["open"]);
}

TEST_F(ShowTest, QuotesRevalueTheOpenTradesInTheOrderGiven) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--contracts", "10", "--price", "20.0"});
    nlohmann::json open = Json({"show", p, "open", "--quote", "SAN.MC=21.0"});
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]["exit_price"].get<double>(), 21.0);
    EXPECT_DOUBLE_EQ(open[0]["profit"].get<double>(), 10.0);
    EXPECT_DOUBLE_EQ(open[0]["percentage"].get<double>(), 5.0);
    EXPECT_DOUBLE_EQ(
        Json({"show", p, "totals", "--quote", "san.mc=21"})["open_profit"].get<double>(), 10.0);

    // --quote options first, in their order, then the file's lines in theirs.
    std::string quotes = home + "/quotes.csv";
    Write(quotes, "code,last\r\n# closing prices\n\nSAN.MC, 22.5\nOTHER,1\n");
    open = Json(
        {"show", p, "open", "--quote", "SAN.MC=30", "--quotes", quotes, "--quote", "SAN.MC=31"});
    EXPECT_EQ(open[0]["exit_price"].get<double>(), 22.5);
    open = Json({"show", p, "open", "--quote", "SAN.MC=30", "--quote", "SAN.MC=31"});
    EXPECT_EQ(open[0]["exit_price"].get<double>(), 31.0);
}

TEST_F(ShowTest, BadQuotesAreRefused) {
    std::string p = NewPortfolio();
    std::string quotes = home + "/quotes.csv";
    Write(quotes, "SAN.MC,4\nBBVA.MC,9\nTEF.MC;3.9\n");
    EXPECT_NE(Fails(2, {"show", p, "--quotes", quotes}).find("quotes.csv:3"), std::string::npos);
    Write(quotes, "SAN.MC,4\n,9\n");
    EXPECT_NE(Fails(2, {"show", p, "--quotes", quotes}).find("quotes.csv:2"), std::string::npos);
    Fails(2, {"show", p, "--quote", "SAN.MC"});
    Fails(2, {"show", p, "--quote", "=4"});
    Fails(2, {"show", p, "--quote", "SAN.MC=four"});
    Fails(2, {"show", p, "--quote", "SAN.MC=1e308"});
    Write(quotes, "SAN.MC,1e13\n");
    Fails(2, {"show", p, "--quotes", quotes});
    Fails(1, {"show", p, "--quotes", home + "/none.csv"});
    Fails(2, {"show", p, "everything"});
}

}  // namespace
}  // namespace cartera::cli::testing
