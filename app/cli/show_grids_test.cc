// The list grids' layouts from the command line: sorting, columns, saving them, colours,
// ids and languages. What a grid writes in its cells is the grids' tests'; show and export
// apply the same layout options, read back here from the CSV export.
#include "grids/grid_cartera.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

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

    // The exported grid with these options: the headings, then one column per heading.
    Records Export(const std::string& view, std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"export", p, view});
        return Transposed(ReadCsv(Ok(options)));
    }
    static Records Transposed(const Records& rows) {
        Records cols(rows.empty() ? 0 : rows[0].size());
        for (const auto& row : rows)
            for (size_t i = 0; i < row.size() && i < cols.size(); ++i) cols[i].push_back(row[i]);
        return cols;
    }

    std::string p;
};

using Column = std::vector<std::string>;

TEST_F(ShowGridsTest, SortIsAHeadingClickColumnsAMenuChoiceAndNeitherWritesTheFile) {
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
    EXPECT_EQ(g[2], (Column{En(3384), "AAA", "BBB", "CCC", "Capital"}));

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
}

TEST_F(ShowGridsTest, SaveLayoutStoresColumnsAndSortThatLaterSavesKeep) {
    std::vector<std::string> layout = {"show",         p,        "movements", "--columns",
                                       "+Time,-Group", "--sort", "Price",     "--desc"};
    const std::string before = Bytes(p), plain = Ok({"show", p, "movements"});
    const std::string shown = Ok(layout);
    EXPECT_NE(shown, plain);
    EXPECT_EQ(Bytes(p), before);
    layout.push_back("--save-layout");
    Ok(layout);
    EXPECT_EQ(Ok({"show", p, "movements"}), shown);
    EXPECT_EQ(Export("open").size(), 9u);  // the other grids keep theirs

    // A later change of the journal saves the file again, with the layout bytes as stored:
    // the change itself works without grids.
    auto layouts = [this] {
        CSistemaCartera bare;
        EXPECT_EQ(PortfolioDocument(&bare).Load(p).message(), "");
        return bare.GetStoredLayouts();
    };
    const std::string stored = layouts();
    uint64_t grids = CUGCtrl::Created();
    Ok({"buy", p, "--code", "DDD", "--contracts", "1", "--price", "25"});
    EXPECT_EQ(CUGCtrl::Created(), grids);
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(layouts(), stored);
    EXPECT_TRUE(Bytes(p).ends_with(stored));
    Records g = Export("movements");
    EXPECT_EQ(g.back()[0], En(3383));
    EXPECT_EQ(g[4], (Column{En(3386), "10000.00", "30.00", "25.00", "20.00", "10.00"}));
}

TEST_F(ShowGridsTest, ColourIdsAndLanguageAreShowsOwn) {
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
}

TEST_F(ShowGridsTest, ValuationAndAllShowTheWorkstationTabs) {
    Ok({"cash", p, "--type", "expense", "--amount", "125.5"});
    nlohmann::json table = Json({"show", p, "valuation"});
    ASSERT_EQ(table.size(), 14u);  // 16 rows less the two separators
    EXPECT_EQ(table[0], (nlohmann::json{En(3466), En(3467), En(3468)}));
    // The amounts are the valuation grid's texts: the consolidated capital.
    auto consolidated = std::find_if(table.begin(), table.end(),
                                     [](const nlohmann::json& row) { return row[0] == En(3449); });
    ASSERT_NE(consolidated, table.end());
    EXPECT_EQ((*consolidated)[1], "9,874.50");

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
