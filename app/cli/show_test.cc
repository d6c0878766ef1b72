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

    // Every key, exact numbers: the price to its last digit, the commission per contract.
    nlohmann::json all = Json({"show", p});
    EXPECT_EQ(Keys(all), (std::set<std::string>{"last_id", "active_tab", "movements", "open",
                                                "closed", "totals"}));
    EXPECT_EQ(all["last_id"], 3);
    ASSERT_EQ(all["movements"].size(), 3u);
    EXPECT_EQ(all["movements"][0], R"({"id": 1, "type": 0, "letter": "B", "buy": true,
        "code": "SAN.MC", "symbol": "Santander", "group": "Banks", "contracts": 3,
        "price": 10.123456789012345, "commission_per_contract": 0.3333333333333333,
        "schedule": "", "point_value": 1.0, "guarantee": 0.0, "decimals": 2, "reserved": 0,
        "date": "2024-03-01", "time": "10:30:00"})"_json);
    EXPECT_EQ(all["movements"][1]["letter"], "IM");
    ASSERT_EQ(all["open"].size(), 1u);
    nlohmann::json open = all["open"][0];
    EXPECT_EQ(open.erase("days_held") + open.erase("exit_date"), 2u);  // from the clock
    EXPECT_EQ(open, R"({"id": 1, "code": "SAN.MC", "symbol": "Santander", "long": true,
        "contracts": 3, "remainder": 3, "entry_price": 10.123456789012345,
        "exit_price": 10.123456789012345, "entry_commission": 0.3333333333333333,
        "exit_commission": 0.3333333333333333, "point_value": 1.0, "profit": -2.0,
        "percentage": -6.37544273975654, "entry_date": "2024-03-01", "entry_group": "Banks",
        "exit_group": "", "decimals": 2, "guarantee": 0.0})"_json);
    EXPECT_TRUE(all["closed"].empty());
    EXPECT_EQ(all["totals"], R"({"capital": 0.30000000000000004, "open_profit": -2.0,
        "closed_profit": 0.0, "invested": 31.370370367037033, "impositions": 0.1,
        "deposits": 0.2, "refunds": 0.0, "expenses": 0.0, "dividends": 0.0,
        "guarantees": 0.0})"_json);

    // The single views are the parts of the whole.
    EXPECT_EQ(Json({"show", p, "movements"}), all["movements"]);
    EXPECT_EQ(Json({"show", p, "totals"}), all["totals"]);
    EXPECT_EQ(Json({"show", p, "open"}), all["open"]);
}

TEST_F(ShowTest, QuotesRevalueTheOpenTradesInTheOrderGivenAndBadOnesAreRefused) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--contracts", "10", "--price", "20.0"});
    nlohmann::json open = Json({"show", p, "open", "--quote", "SAN.MC=21.0"});
    ASSERT_EQ(open.size(), 1u);
    EXPECT_TRUE(Holds(open[0], R"({"exit_price": 21.0, "profit": 10.0, "percentage": 5.0})"_json));
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

    Write(quotes, "SAN.MC,4\nBBVA.MC,9\nTEF.MC;3.9\n");
    EXPECT_THAT(Fails(2, {"show", p, "--quotes", quotes}), HasSubstr("quotes.csv:3"));
    Write(quotes, "SAN.MC,4\n,9\n");
    EXPECT_THAT(Fails(2, {"show", p, "--quotes", quotes}), HasSubstr("quotes.csv:2"));
    for (const char* quote : {"SAN.MC", "=4", "SAN.MC=four", "SAN.MC=1e308"})
        Fails(2, {"show", p, "--quote", quote});
    Write(quotes, "SAN.MC,1e13\n");
    Fails(2, {"show", p, "--quotes", quotes});
    Fails(1, {"show", p, "--quotes", home + "/none.csv"});
    Fails(2, {"show", p, "everything"});
}

}  // namespace
}  // namespace cartera::cli::testing
