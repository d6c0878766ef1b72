// show through the workstation's grids: layouts, sorting, columns, colours and languages.
#include "grids/grid_cartera.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

std::string En(int id) { return LS(id, Language::en); }

// The movements grid's default columns: Type, Symbol, Group, Date, Contracts, Price,
// Commissions, Total; Guarantee, Point Value and Time start hidden.
std::vector<std::string> DefaultMovementHeadings(Language lang = Language::en) {
    std::vector<std::string> headings;
    for (int id : {3381, 3384, 3390, 3382, 3385, 3386, 3387, 3395})
        headings.push_back(LS(id, lang));
    return headings;
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

    TextGrid Grid(std::vector<std::string> args) { return ReadTextGrid(Ok(args)); }

    std::string p;
};

TEST_F(ShowGridsTest, MovementsShowTheDefaultLayoutLettersAndRedDebits) {
    TextGrid g = Grid({"show", p, "movements"});
    EXPECT_EQ(g.headings, DefaultMovementHeadings());
    EXPECT_EQ(std::count(g.headings.begin(), g.headings.end(), En(3383)), 0);  // Time hidden
    EXPECT_EQ(g.Column(En(3390)), (std::vector<std::string>{"", "Banks", "", ""}));

    // A buy's total is a debit: red on a colour terminal; a sell's and an imposition's not.
    const std::string red = "\x1b[31m", reset = "\x1b[0m";
    terminal.color = true;
    std::string colored = Ok({"show", p, "movements"});
    EXPECT_THAT(colored, HasSubstr(red + "300.00" + reset));
    EXPECT_THAT(colored, HasSubstr(red + "100.00" + reset));
    EXPECT_EQ(colored.find(red + "80.00"), std::string::npos) << colored;
    EXPECT_EQ(colored.find(red + "10,000.00"), std::string::npos) << colored;
    EXPECT_EQ(Ok({"show", p, "movements", "--no-color"}).find('\x1b'), std::string::npos);
    terminal.color = false;
    EXPECT_EQ(Ok({"show", p, "movements"}).find('\x1b'), std::string::npos);
    EXPECT_EQ(Ok({"show", p}).find('\x1b'), std::string::npos);

    // --ids puts each row's movement id in front.
    TextGrid ids = Grid({"show", p, "movements", "--ids", "--sort", "price"});
    EXPECT_EQ(ids.headings.front(), "Id");
    EXPECT_EQ(ids.Column("Id"), (std::vector<std::string>{"3", "4", "2", "1"}));
}

TEST_F(ShowGridsTest, SortIsAHeadingClickColumnsAMenuChoiceAndNeitherWritesTheFile) {
    const std::string before = Bytes(p);
    // The heading is found by its text in any case or by its id; the grid does the sorting.
    EXPECT_EQ(Grid({"show", p, "movements", "--sort", "pRiCe", "--desc"}).Column(En(3386)),
              (std::vector<std::string>{"10,000.00", "30.00", "20.00", "10.00"}));
    EXPECT_EQ(Grid({"show", p, "open", "--sort", "3428", "--desc"}).Column(En(3428)),
              (std::vector<std::string>{"CCC", "BBB", "AAA"}));

    EXPECT_THAT(Fails(2, {"show", p, "movements", "--sort", "Bogus"}), HasSubstr("'Bogus'"));
    EXPECT_THAT(Fails(2, {"show", p, "movements", "--sort", "Time"}),
                HasSubstr("+Time"));                       // hidden: cannot be clicked
    Fails(2, {"show", p, "movements", "--sort", "3428"});  // an open-trades column
    Fails(2, {"show", p, "movements", "--desc"});
    Fails(2, {"show", p, "totals", "--sort", "Price"});
    Fails(2, {"show", p, "all", "--save-layout"});

    // Columns are shown and hidden as from the Columns menu.
    std::vector<std::string> expected = DefaultMovementHeadings();
    expected.erase(expected.begin() + 2);  // Group
    expected.push_back(En(3383));          // Time, after the hidden Guarantee and Point Value
    TextGrid g = Grid({"show", p, "movements", "--columns", "+Time,-Group"});
    EXPECT_EQ(g.headings, expected);
    EXPECT_EQ(g.Column(En(3383))[1], "10:30:00");
    EXPECT_EQ(Grid({"show", p, "movements", "--columns=-group"}).headings.size(), 7u);

    // A plain list is the whole layout, in its order; sorting then uses the new places.
    TextGrid list =
        Grid({"show", p, "movements", "--columns", "total, TYPE,Symbol", "--sort", "Symbol"});
    EXPECT_EQ(list.headings, (std::vector<std::string>{En(3395), En(3381), En(3384)}));
    EXPECT_EQ(list.Column(En(3384)), (std::vector<std::string>{"AAA", "BBB", "CCC", "Capital"}));
    EXPECT_EQ(list.Column(En(3395))[0], "100.00");

    Fails(2, {"show", p, "movements", "--columns", "Type,type"});
    Fails(2, {"show", p, "movements", "--columns", "+Time,Group"});
    Fails(2, {"show", p, "movements", "--columns", "Type,,Symbol"});
    Fails(2, {"show", p, "movements", "--columns", "+Nothing"});
    EXPECT_THAT(Fails(2, {"show", p, "movements", "--columns",
                          "-Type,-Symbol,-Group,-Date,-Contracts,-Price,-Commissions,-Total"}),
                HasSubstr("last visible"));
    EXPECT_EQ(Bytes(p), before);
    EXPECT_EQ(Grid({"show", p, "movements"}).headings, DefaultMovementHeadings());
}

TEST_F(ShowGridsTest, SaveLayoutStoresColumnsAndSortThatLaterSavesKeep) {
    const std::vector<std::string> layout = {"show",         p,        "movements", "--columns",
                                             "+Time,-Group", "--sort", "Price",     "--desc"};
    std::vector<std::string> saving = layout;
    saving.push_back("--save-layout");
    const std::string before = Bytes(p);
    Ok(layout);
    EXPECT_EQ(Bytes(p), before);
    Ok(saving);
    EXPECT_NE(Bytes(p), before);

    TextGrid g = Grid({"show", p, "movements"});
    EXPECT_EQ(g.headings.back(), En(3383));
    EXPECT_EQ(std::count(g.headings.begin(), g.headings.end(), En(3390)), 0);
    EXPECT_EQ(g.Column(En(3386)),
              (std::vector<std::string>{"10,000.00", "30.00", "20.00", "10.00"}));
    // The other grids keep theirs.
    EXPECT_EQ(Grid({"show", p, "open"}).headings.size(), 9u);

    // A later change of the journal saves the file again, with the layout bytes as stored:
    // the change itself works without grids.
    auto layouts = [this] {
        CSistemaCartera bare;
        std::string why;
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
    g = Grid({"show", p, "movements"});
    EXPECT_EQ(g.headings.back(), En(3383));
    EXPECT_EQ(g.Column(En(3386)),
              (std::vector<std::string>{"10,000.00", "30.00", "25.00", "20.00", "10.00"}));

    // What a workstation grid reads from the file.
    auto ledger = std::make_unique<CSistemaCartera>();
    CGridCartera grid;
    grid.CreateGrid(RECT{}, nullptr, 1);
    grid.SetLedger(ledger.get());
    ledger->SetGridCartera(&grid);
    PortfolioDocument doc(ledger.get());
    std::string error;
    ASSERT_EQ(doc.Load(p).message(), "");
    EXPECT_EQ(grid.GetHeader().GetVisible(3383), 1);
    EXPECT_EQ(grid.GetHeader().GetVisible(3390), 0);
    EXPECT_EQ(grid.GetSortCol(), grid.GetHeader().GetPosition(3386));
    EXPECT_EQ(grid.IsSortAscending(), 0);
    ledger->SetGridCartera(nullptr);
}

TEST_F(ShowGridsTest, LanguageSwitchesHeadingsLettersAndNumbers) {
    TextGrid g = Grid({"--lang", "de", "show", p, "movements", "--sort", "kurs", "--desc"});
    EXPECT_EQ(g.headings, DefaultMovementHeadings(Language::de));
    EXPECT_EQ(g.Column(LS(3386, Language::de)),
              (std::vector<std::string>{"10.000,00", "30,00", "20,00", "10,00"}));
    EXPECT_EQ(g.Column(LS(3381, Language::de)),
              (std::vector<std::string>{LS(3419, Language::de), LS(3417, Language::de),
                                        LS(3418, Language::de), LS(3417, Language::de)}));
    // The heading is matched in the interface language, ignoring case beyond ASCII too.
    Ok({"--lang", "fr", "show", p, "closed", "--sort", "BÉNÉFICE"});
    Fails(2, {"--lang", "de", "show", p, "movements", "--sort", "Price"});
}

TEST_F(ShowGridsTest, ValuationAndAllShowTheWorkstationTabs) {
    Ok({"cash", p, "--type", "deposit", "--amount", "300"});
    Ok({"cash", p, "--type", "expense", "--amount", "125.5"});
    // Consolidated capital: impositions and deposits less expenses (the trades are open).
    nlohmann::json table = Json({"show", p, "valuation"});
    ASSERT_EQ(table.size(), 14u);  // 16 rows less the two separators
    EXPECT_EQ(table[0], (nlohmann::json{En(3466), En(3467), En(3468)}));
    // The amounts are the valuation grid's texts, in the language's number format.
    auto consolidated = std::find_if(table.begin(), table.end(),
                                     [](const nlohmann::json& row) { return row[0] == En(3449); });
    ASSERT_NE(consolidated, table.end());
    EXPECT_EQ((*consolidated)[1], "10,174.50");
    std::string text = Ok({"show", p, "valuation"});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 16);

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
