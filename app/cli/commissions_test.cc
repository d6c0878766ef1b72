#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

class CommissionsTest : public CliTest {
  protected:
    std::vector<std::string> Bracket(const std::string& name, const std::string& from,
                                     const std::string& to) {
        return {"commissions", "add-bracket", name, "--from", from, "--to", to};
    }
};

TEST_F(CommissionsTest, BracketsPriceAmountsByKind) {
    Ok({"commissions", "add-bracket", "Broker", "--from", "0", "--to", "10000", "--commission-pct",
        "0.2", "--commission-min", "5", "--brokerage-pct", "0.1", "--brokerage-min", "1",
        "--royalty", "2"});
    EXPECT_EQ(Ok({"commissions", "calc", "Broker", "1000"}), "8\n");
    Ok({"commissions", "add-bracket", "Fixed", "--kind", "8", "--from", "0", "--to", "1000",
        "--commission-pct", "0.5", "--commission-min", "3", "--royalty", "1"});
    EXPECT_EQ(Ok({"commissions", "calc", "Fixed", "100", "--kind", "8"}), "51\n");
    Fails(2, {"commissions", "calc", "Fixed", "100"});  // no kind-4 schedule of that name
    Fails(2, {"commissions", "calc", "Broker", "lots"});
    Fails(2, {"commissions", "calc", "Broker", "1", "--kind", "5"});
    // Amounts print as people and spreadsheets read them: 1000000, never 1e+06.
    Ok({"commissions", "add-bracket", "Big", "--from", "0", "--to", "5000000", "--royalty",
        "1000000"});
    EXPECT_EQ(Ok({"commissions", "calc", "Big", "2000000"}), "1000000\n");
    std::string shown = Ok({"commissions", "show", "Big"});
    EXPECT_THAT(shown, HasSubstr("5000000"));
    EXPECT_EQ(shown.find("e+"), std::string::npos) << shown;
}

TEST_F(CommissionsTest, BracketsThatCollideAreRefused) {
    Ok(Bracket("A", "0", "100"));
    const std::string file = home + "/Comisiones.bin", before = Bytes(file);
    const std::string notice = LS(3416, Language::en);
    EXPECT_THAT(Fails(2, Bracket("A", "20", "100")), HasSubstr(notice));
    Fails(2, Bracket("", "0", "1"));
    Fails(2, Bracket("A", "x", "1"));
    for (const char* option : {"--commission-pct", "--commission-min", "--brokerage-min"})
        Fails(2, {"commissions", "add-bracket", "A", "--from", "200", "--to", "300", option, "-1"});
    Fails(2, {"commissions", "calc", "A", "-1"});
    EXPECT_EQ(Bytes(file), before);

    Ok(Bracket("A", "100", "200"));
    Ok(Bracket("B", "0", "10"));
    nlohmann::json a = Json({"commissions", "show", "A"});
    ASSERT_EQ(a["brackets"].size(), 2u);
    EXPECT_EQ(a["brackets"][1]["from"].get<double>(), 100.0);
    EXPECT_THAT(Ok({"commissions", "show", "A"}), HasSubstr("200"));
    Fails(2, {"commissions", "show", "C"});
}

TEST_F(CommissionsTest, DefaultListAndDelete) {
    Ok(Bracket("A", "0", "100"));
    auto b = Bracket("B", "0", "100");
    b.push_back("--default");
    Ok(b);
    Ok(Bracket("B", "100", "200"));  // joins B's default flag
    nlohmann::json list = Json({"commissions", "list"});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(Holds(list[0], R"({"name": "A", "default": false})"_json));
    EXPECT_TRUE(Holds(list[1], R"({"name": "B", "default": true, "brackets": 2, "kind": 4})"_json));

    Ok({"commissions", "default", "A"});
    list = Json({"commissions", "list"});
    EXPECT_EQ(list[0]["default"], true);
    EXPECT_EQ(list[1]["default"], false);
    Fails(2, {"commissions", "default", "Nope"});

    Ok({"commissions", "delete", "B"});
    Fails(2, {"commissions", "delete", "B"});
    EXPECT_EQ(Json({"commissions", "list"}).size(), 1u);
    std::string text = Ok({"commissions", "list"});
    EXPECT_THAT(text, HasSubstr("A"));
    EXPECT_THAT(text, HasSubstr("*"));
}

}  // namespace
}  // namespace cartera::cli::testing
