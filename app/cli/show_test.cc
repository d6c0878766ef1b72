// show, report and demo from the command line: the views as JSON, quotes, the report's forms,
// and the list grids' layouts: sorting, columns, saving them, colours, ids and languages. What
// a grid writes in its cells is the grids' tests'; show and export apply the same layout
// options, read back here from the CSV export.
#include "grids/grid_cartera.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using ShowTest = CliTest;

TEST_F(ShowTest, JsonHasTheDocumentedShapeAndExactNumbers) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--symbol", "Santander", "--contracts", "3", "--price",
        "10.123456789012345", "--commission", "1", "--group", "Banks", "--date", "2024-03-01",
        "--time", "10:30:00"});
    Ok({"cash", p, "--type", "imposition", "--amount", "0.1"});
    Ok({"cash", p, "--type", "deposit", "--amount", "0.2"});

    // Every key, exact numbers: the price to its last digit, the commission per contract.
    nlohmann::json all = Json({"show", p});
    std::vector<std::string> keys;  // in the order of the object: by name
    for (const auto& item : all.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"active_tab", "closed", "currency", "last_id",
                                              "movements", "open", "totals"}));
    EXPECT_EQ(all["last_id"], 3);
    ASSERT_EQ(all["movements"].size(), 3u);
    EXPECT_EQ(all["movements"][0], R"({"id": 1, "type": 0, "letter": "B", "buy": true,
        "code": "SAN.MC", "symbol": "Santander", "group": "Banks", "contracts": 3,
        "price": 10.123456789012345, "commission_per_contract": 0.3333333333333333,
        "schedule": "", "point_value": 1.0, "guarantee": 0.0, "decimals": 2, "reserved": 0,
        "date": "2024-03-01", "time": "10:30:00", "currency": null, "rate": 1.0})"_json);
    EXPECT_EQ(all["movements"][1]["letter"], "IM");
    ASSERT_EQ(all["open"].size(), 1u);
    nlohmann::json open = all["open"][0];
    EXPECT_EQ(open.erase("days_held") + open.erase("exit_date"), 2u);  // from the clock
    EXPECT_EQ(open, R"({"id": 1, "code": "SAN.MC", "symbol": "Santander", "long": true,
        "contracts": 3, "remainder": 3, "entry_price": 10.123456789012345,
        "exit_price": 10.123456789012345, "entry_commission": 0.3333333333333333,
        "exit_commission": 0.3333333333333333, "point_value": 1.0, "profit": -2.0,
        "percentage": -6.37544273975654, "entry_date": "2024-03-01", "entry_group": "Banks",
        "exit_group": "", "decimals": 2, "guarantee": 0.0, "currency": null,
        "entry_rate": 1.0, "exit_rate": 1.0, "result": -2.0, "price_part": -2.0,
        "exchange_part": 0.0})"_json);
    EXPECT_TRUE(all["closed"].empty());
    auto totals = all["totals"];
    // Cash in the unnamed currency: what was paid in less what the buy cost.
    EXPECT_NEAR(totals["cash"][""].get<double>(), 0.1 + 0.2 - 31.370370367037033, 1e-12);
    totals.erase("cash");
    EXPECT_EQ(totals, R"({"capital": 0.30000000000000004, "open_profit": -2.0,
        "closed_profit": 0.0, "invested": 31.370370367037033, "impositions": 0.1,
        "deposits": 0.2, "refunds": 0.0, "expenses": 0.0, "dividends": 0.0,
        "guarantees": 0.0, "exchange_part": 0.0, "currency": null})"_json);

    // The single views are the parts of the whole.
    for (const char* view : {"movements", "totals", "open"})
        EXPECT_EQ(Json({"show", p, view}), all[view]) << view;
}

TEST_F(ShowTest, QuotesRevalueTheOpenTradesInTheOrderGivenAndBadOnesAreRefused) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--contracts", "10", "--price", "20.0"});
    EXPECT_TRUE(Holds(Json({"show", p, "open", "--quote", "SAN.MC=21.0"}),
                      R"([{"exit_price": 21.0, "profit": 10.0, "percentage": 5.0}])"_json));
    EXPECT_DOUBLE_EQ(
        Json({"show", p, "totals", "--quote", "san.mc=21"})["open_profit"].get<double>(), 10.0);

    // --quote options first, in their order, then the file's lines in theirs.
    std::string quotes = home + "/quotes.csv";
    Write(quotes, "code,last\r\n# closing prices\n\nSAN.MC, 22.5\nOTHER,1\n");
    nlohmann::json open = Json(
        {"show", p, "open", "--quote", "SAN.MC=30", "--quotes", quotes, "--quote", "SAN.MC=31"});
    EXPECT_EQ(open[0]["exit_price"].get<double>(), 22.5);
    open = Json({"show", p, "open", "--quote", "SAN.MC=30", "--quote", "SAN.MC=31"});
    EXPECT_EQ(open[0]["exit_price"].get<double>(), 31.0);

    for (auto [text, line] : {std::pair("SAN.MC,4\nBBVA.MC,9\nTEF.MC;3.9\n", "quotes.csv:3"),
                              {"SAN.MC,4\n,9\n", "quotes.csv:2"},
                              {"SAN.MC,1e13\n", "quotes.csv"}}) {
        Write(quotes, text);
        EXPECT_THAT(Fails(2, {"show", p, "--quotes", quotes}), HasSubstr(line)) << text;
    }
    for (const char* quote : {"SAN.MC", "=4", "SAN.MC=four", "SAN.MC=1e308"})
        Fails(2, {"show", p, "--quote", quote});
    Fails(1, {"show", p, "--quotes", home + "/none.csv"});
    Fails(2, {"show", p, "everything"});
}

TEST_F(ShowTest, WithoutQuotesAnOpenTradesCommissionIsTheOneItsProfitCounts) {
    // The schedule changed since the buy: its exit now costs 7, the entry cost 8.
    AddBroker();
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "SAN.MC", "--contracts", "10", "--price", "20"});
    Ok({"commissions", "delete", "Broker"});
    Ok(Bracket("Broker", "0", "10000", {"--commission-pct", "0.2", "--commission-min", "7"}));
    for (std::vector<std::string> quote : {std::vector<std::string>{}, {"--quote", "SAN.MC=20"}}) {
        std::vector<std::string> args = {"export", p, "open"};
        args.insert(args.end(), quote.begin(), quote.end());
        EXPECT_THAT(Ok(args), HasSubstr(",20.00,20.00,15.00,-15.00,")) << quote.size();
        args[0] = "show";
        EXPECT_THAT(Ok(args), HasSubstr("15.00  -15.00")) << quote.size();
    }
}

TEST_F(ShowTest, DemoShowsTheFourViewsOfATemporaryPortfolio) {
    std::string out = Ok({"demo"});
    for (int id : {3377, 3378, 3379, 3400}) EXPECT_THAT(out, HasSubstr(En(id) + "\n")) << id;
    EXPECT_THAT(out, HasSubstr("Telefónica"));
    // The demo works in a home of its own.
    EXPECT_TRUE(std::filesystem::is_empty(home));

    std::string kept = Ok({"demo", "--keep"});
    const std::string prefix = "Demo portfolio: ";
    ASSERT_EQ(kept.rfind(prefix, 0), 0u) << kept;
    std::string path = kept.substr(prefix.size(), kept.find('\n') - prefix.size());
    ASSERT_TRUE(std::filesystem::exists(path));
    // What the demo holds is the model's demo test's; here the kept file is a portfolio.
    EXPECT_THAT(kept, HasSubstr(Ok({"show", path, "movements"})));
    std::filesystem::remove_all(std::filesystem::path(path).parent_path().parent_path());
}

// The report's figures are checked where they are computed; here: the command's filters,
// its three forms and its refusals.
TEST_F(ShowTest, ReportPrintsTheFiltersFiguresAsJsonCsvAndTables) {
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
    EXPECT_TRUE(Holds(tax["trades"], R"([{"code": "BBB"}, {}])"_json));
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

class ShowGridsTest : public CliTest {
  protected:
    // An imposition and three executions whose prices, dates and journal order all differ:
    // price order AAA < CCC < BBB < the imposition; date order AAA, CCC, BBB, imposition.
    void SetUp() override {
        CliTest::SetUp();
        p = NewPortfolio();
        Ok({"cash", p, "--type", "imposition", "--amount", "10000", "--description", "Capital",
            "--date", "2024-02-01"});
        Ok({"buy", p, "--code", "BBB", "--contracts", "10", "--price", "30", "--group", "Banks",
            "--date", "2024-01-03", "--time", "10:30:00"});
        Ok({"buy", p, "--code", "AAA", "--contracts", "10", "--price", "10", "--date",
            "2023-12-31"});
        Ok({"sell", p, "--code", "CCC", "--contracts", "4", "--price", "20", "--date",
            "2024-01-02"});
    }

    // The exported grid with these options as columns, each with its heading first.
    Records Export(const std::string& view, std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"export", p, view});
        Records rows = ReadCsv(Ok(options)), cols(rows.empty() ? 0 : rows[0].size());
        for (const auto& row : rows)
            for (size_t i = 0; i < row.size() && i < cols.size(); ++i) cols[i].push_back(row[i]);
        return cols;
    }

    std::string p;
};

using Column = std::vector<std::string>;

// Neither writes the file unless asked to: a saved layout is shown again, and kept by later
// saves.
TEST_F(ShowGridsTest, SortIsAHeadingClickColumnsAMenuChoiceAndSaveLayoutKeepsThem) {
    const std::string before = Bytes(p), plain = Ok({"show", p, "movements"});
    // The heading is found by its text in any case or by its id; the grid does the sorting.
    EXPECT_EQ(Export("movements", {"--sort", "pRiCe", "--desc"})[5],
              (Column{En(3386), "10000.00", "30.00", "20.00", "10.00"}));
    EXPECT_EQ(Export("open", {"--sort", "3428", "--desc"})[1],
              (Column{En(3428), "CCC", "BBB", "AAA"}));
    std::string shown = Ok({"show", p, "movements", "--sort", "price"});  // show applies them too
    EXPECT_LT(shown.find("AAA"), shown.find("Capital"));

    // Columns are shown and hidden as from the Columns menu: Time goes after the hidden
    // Guarantee and Point Value.
    Records g = Export("movements", {"--columns", "+Time,-Group"});
    ASSERT_EQ(g.size(), 8u);
    EXPECT_EQ(g[2][0], En(3382));
    EXPECT_EQ(g[7][0] + " " + g[7][2], En(3383) + " 10:30:00");
    EXPECT_EQ(Export("movements", {"--columns=-group"}).size(), 7u);
    // A plain list is the whole layout, in its order; sorting then uses the new places.
    g = Export("movements", {"--columns", "total, TYPE,Symbol", "--sort", "Symbol"});
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[0][0] + g[1][0], En(3395) + En(3381));
    EXPECT_EQ(g[2], (Column{En(3384), "AAA", "BBB", "Capital", "CCC"}));  // case after letters

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"movements", "--sort", "Bogus"}, "'Bogus'"},
        {{"movements", "--sort", "Time"}, "+Time"},  // hidden: cannot be clicked
        {{"movements", "--sort", "3428"}, ""},       // an open-trades column
        {{"movements", "--desc"}, ""},
        {{"totals", "--sort", "Price"}, ""},
        {{"all", "--save-layout"}, ""},
        {{"movements", "--columns", "Type,type"}, ""},
        {{"movements", "--columns", "+Time,Group"}, ""},
        {{"movements", "--columns", "Type,,Symbol"}, ""},
        {{"movements", "--columns", "+Nothing"}, ""},
        {{"movements", "--columns",
          "-Type,-Symbol,-Group,-Date,-Contracts,-Price,-Commissions,-Total"},
         "last visible"}};
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = {"show", p};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_THAT(Fails(2, args), HasSubstr(message)) << options.back();
    }
    EXPECT_EQ(Bytes(p), before);
    EXPECT_EQ(Ok({"show", p, "movements"}), plain);

    std::vector<std::string> layout = {"show",         p,        "movements", "--columns",
                                       "+Time,-Group", "--sort", "Price",     "--desc"};
    const std::string laidOut = Ok(layout);
    EXPECT_NE(laidOut, plain);
    EXPECT_EQ(Bytes(p), before);
    layout.push_back("--save-layout");
    Ok(layout);
    EXPECT_EQ(Ok({"show", p, "movements"}), laidOut);
    EXPECT_EQ(Export("open").size(), 9u);  // the other grids keep theirs

    // A later change of the journal saves the file again, with the layout bytes as stored:
    // the change itself works without grids.
    auto layouts = [this] {
        CSistemaCartera bare{context};
        EXPECT_EQ(PortfolioDocument(&bare, context.env).Load(p).message(), "");
        return bare.GetStoredLayouts();
    };
    const std::string stored = layouts();
    uint64_t grids = CUGCtrl::Created();
    Ok({"buy", p, "--code", "DDD", "--contracts", "1", "--price", "25"});
    EXPECT_EQ(CUGCtrl::Created(), grids);
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(layouts(), stored);
    g = Export("movements");
    EXPECT_EQ(g.back()[0], En(3383));
    EXPECT_EQ(g[4], (Column{En(3386), "10000.00", "30.00", "25.00", "20.00", "10.00"}));
}

// Colours, ids and languages are show's own; valuation and all show the workstation's tabs.
TEST_F(ShowGridsTest, ColourIdsLanguageValuationAndAll) {
    terminal.color = true;  // a buy's total is a debit: red
    EXPECT_THAT(Ok({"show", p, "movements"}), HasSubstr("\x1b[31m300.00\x1b[0m"));
    EXPECT_EQ(Ok({"show", p, "movements", "--no-color"}).find('\x1b'), std::string::npos);
    terminal.color = false;
    EXPECT_EQ(Ok({"show", p}).find('\x1b'), std::string::npos);

    // --ids puts each row's movement id in front.
    std::istringstream ids(Ok({"show", p, "movements", "--ids", "--sort", "price"}));
    std::vector<std::string> firsts;
    for (std::string word, line; std::getline(ids, line);) {
        std::istringstream(line) >> word;
        firsts.push_back(word);
    }
    EXPECT_EQ(firsts, (std::vector<std::string>{"Id", std::string(2, '-'), "3", "4", "2", "1"}));

    // Headings, letters and numbers in the interface language; a heading is matched in it,
    // ignoring case beyond ASCII too.
    const Language de = Language::de;
    std::string german = Ok({"--lang", "de", "show", p, "movements", "--sort", "kurs", "--desc"});
    EXPECT_EQ(german.rfind(LS(3381, de), 0), 0u) << german;
    EXPECT_LT(german.find("10.000,00"), german.find("30,00"));
    EXPECT_NE(german.find(LS(3419, de) + " "), std::string::npos);
    Ok({"--lang", "fr", "show", p, "closed", "--sort", "BÉNÉFICE"});
    Fails(2, {"--lang", "de", "show", p, "movements", "--sort", "Price"});

    Ok({"cash", p, "--type", "expense", "--amount", "125.5"});
    nlohmann::json table = Json({"show", p, "valuation"});
    ASSERT_EQ(table.size(), 14u);  // 16 rows less the two separators
    EXPECT_EQ(table[0], (nlohmann::json{En(3466), En(3467), En(3468)}));
    EXPECT_EQ(table[7], (nlohmann::json{En(3449), "9,874.50", ""}));  // the grid's texts

    // all: the four grids, each under its tab's title, as the single views print them.
    std::string all = Ok({"show", p, "all", "--quote", "AAA=12"});
    const std::pair<int, const char*> tabs[] = {
        {3377, "movements"}, {3378, "open"}, {3379, "closed"}, {3400, "valuation"}};
    for (const auto& [title, view] : tabs) {
        std::string single = Ok({"show", p, view, "--quote", "AAA=12"});
        EXPECT_THAT(all, HasSubstr(En(title) + "\n" + single)) << view;
    }
}

}  // namespace
}  // namespace cartera::cli::testing
