// The journal and the commission schedules that price it, changed from the command line, and
// how refused input, damaged files and failed writes end.
#include <cmath>
#include <stdexcept>

#include "app/cli/options.h"
#include "host/env.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "testing/mem_env.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using JournalTest = CliTest;

TEST_F(JournalTest, BuyAndSellStoreTheDisplayedCommissionPerContract) {
    std::string p = NewPortfolio();
    AddBroker();
    // A schedule listed before Broker, so the default and not the first item must be chosen.
    Ok(Bracket("Alpha", "0", "1e6", {"--commission-min", "50"}));
    const std::vector<std::string> ids = {
        Ok({"buy", p, "--code", "SAN.MC", "--symbol", "Banco Santander", "--contracts", "100",
            "--price", "10.5", "--group", "Spain", "--date", "2024-03-01", "--time", "10:30:00"}),
        Ok({"sell", p, "--code", "SAN.MC", "--contracts", "100", "--price", "10.5", "--date",
            "2024-03-02"}),
        Ok({"sell", p, "--code", "SAN.MC", "--contracts", "10", "--price", "10.5", "--schedule",
            "alp"}),
        Ok({"buy", p, "--code", "A", "--contracts", "50", "--price", "20", "--commission",
            "12.5"})};
    EXPECT_EQ(ids, (std::vector<std::string>{"1\n", "2\n", "3\n", "4\n"}));
    Fails(2, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2", "--commission", "1",
              "--schedule", "Broker"});

    // 8.00 shown, divided by the contracts; the symbol defaults to the code; a schedule is
    // chosen by prefix, ignoring case; a typed commission names no schedule.
    EXPECT_TRUE(Holds(Json({"show", p, "movements"}), R"([{"code": "SAN.MC",
        "symbol": "Banco Santander", "group": "Spain", "commission_per_contract": 0.08,
        "schedule": "Broker", "date": "2024-03-01", "time": "10:30:00"}, {"symbol": "SAN.MC",
        "contracts": 100, "price": 10.5, "commission_per_contract": 0.08, "date": "2024-03-02"},
        {"schedule": "Alpha", "commission_per_contract": 5.0},
        {"commission_per_contract": 0.25, "schedule": ""}])"_json));
}

// Every kind of corporate action reaches the lots open before it; a ratio that is not two
// numbers above 0 is refused with its reason; restore takes an action back as any change.
TEST_F(JournalTest, CorporateActionsChangeTheOpenLotsAndRestoreTakesThemBack) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "ACME", "--contracts", "15", "--price", "10", "--date", "2024-01-02"});
    for (const char* bad : {"0:1", "-4:1", "4", "4:0", "x:1"})
        EXPECT_THAT(Fails(2, {"split", p, "--code", "ACME", "--ratio", bad}), HasSubstr("ratio"));
    // 1.5 new shares: the 0.5 the position leaves is paid, at 120 a share.
    Ok({"split", p, "--code", "ACME", "--ratio", "1:10", "--cash-in-lieu", "60"});
    EXPECT_TRUE(Holds(Json({"show", p, "closed"}), R"([{"contracts": 0.5, "profit": 10.0}])"_json));
    Ok({"rename", p, "--code", "ACME", "--to", "ACME2"});
    Ok({"stock-dividend", p, "--code", "ACME2", "--shares", "2"});
    Ok({"spin-off", p, "--code", "ACME2", "--new", "KID", "--ratio", "1:1", "--cost-share", "0.5"});
    const nlohmann::json spun = Json({"show", p, "open"});
    Ok({"merger", p, "--code", "KID", "--new", "BIG", "--ratio", "2:1"});
    EXPECT_TRUE(Holds(Json({"show", p, "open"}), R"([
        {"code": "ACME2", "contracts": 1, "entry_price": 50.0, "entry_date": "2024-01-02"},
        {"code": "ACME2", "contracts": 2, "entry_price": 0.0},
        {"code": "BIG", "contracts": 2, "entry_price": 25.0, "entry_date": "2024-01-02"},
        {"code": "BIG", "contracts": 4, "entry_price": 0.0}])"_json));
    // The merger's ratio changed afterwards; only a spin-off has a cost share.
    const nlohmann::json merged = Json({"show", p, "open"});
    const std::string id = std::to_string(Json({"show", p, "movements"}).back()["id"].get<int>());
    EXPECT_THAT(Fails(2, {"modify", p, id, "--cost-share", "0.5"}), HasSubstr("spin-off only"));
    EXPECT_THAT(Fails(2, {"modify", p, id, "--amount", "5"}), HasSubstr("does not apply"));
    Ok({"modify", p, id, "--ratio", "4:1"});
    EXPECT_TRUE(Holds(Json({"show", p, "open"}),
                      R"([{}, {}, {"code": "BIG", "contracts": 4, "entry_price": 12.5},
                             {"code": "BIG", "contracts": 8}])"_json));
    Ok({"restore", p});
    EXPECT_EQ(Json({"show", p, "open"}), merged);
    EXPECT_THAT(Ok({"restore", p}), HasSubstr("took back: add of MRG KID 2:1 to=BIG"));
    EXPECT_EQ(Json({"show", p, "open"}), spun);
}

TEST_F(JournalTest, RefusedCommandsAndUnknownIdsLeaveTheFileUnchanged) {
    std::string p = NewPortfolio("Savings");
    EXPECT_EQ(p, home + "/portfolios/Savings" + PortfolioExtension());
    AddBroker();
    Ok({"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    const std::string before = Bytes(p);
    EXPECT_THAT(Fails(2, {"new", "Savings"}), HasSubstr("--force"));
    for (const char* bad : {"a/b", "a\\b", ".", "..", " Savings", "Savings ", "a\tb", ""})
        EXPECT_THAT(Fails(2, {"new", bad}), HasSubstr("The name")) << bad;
    auto buy = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"buy", p, "--code", "A"});
        return Fails(2, args);
    };
    for (std::string contracts : {"0", "-3", "x", "0.00000000001", "99999999999"})
        EXPECT_THAT(buy({"--price", "2", "--contracts=" + contracts}), HasSubstr("contracts must"))
            << contracts;
    // Not a number, not finite, or beyond what entry takes: named, never stored.
    for (const char* price : {"abc", "1e13", "1e308", "nan", "inf"})
        EXPECT_THAT(buy({"--contracts", "5", "--price", price}), HasSubstr("price")) << price;
    for (const char* amount : {"five", "2e12", "1e309"})
        EXPECT_THAT(Fails(2, {"cash", p, "--type", "expense", "--amount", amount}),
                    HasSubstr("amount"))
            << amount;
    for (const char* shares : {"many", "-5", "0"})
        Fails(2, {"dividend", p, "--code", "A", "--shares", shares, "--per-share", "1"});
    for (const char* date : {"2024-02-30", "01/07/99", "07/01/2024", "5.3.24", "2024-3-5"})
        EXPECT_THAT(buy({"--contracts", "5", "--price", "2", "--date", date}),
                    HasSubstr("YYYY-MM-DD"));
    for (auto [option, value] :
         {std::pair("--commission", "1e308"), {"--time", "25:00"}, {"--decimals", "16"}})
        buy({"--contracts", "5", "--price", "2", option, value});
    EXPECT_THAT(buy({"--contracts", "5", "--price", "2", "--schedule", "Nope"}),
                HasSubstr("Broker"));
    Fails(2, {"cash", p, "--type", "bonus", "--amount", "5"});
    Fails(2, {"buy", p, "--code", "A", "--price", "2"});  // --contracts missing
    for (std::vector<std::string> args :
         {std::vector<std::string>{"modify", p, "1", "--code", ""},
          {"buy", p, "--code", " ", "--contracts", "5", "--price", "2"}})
        EXPECT_THAT(Fails(2, args), HasSubstr("--code must not be empty")) << args[0];
    EXPECT_THAT(Fails(2, {"modify", p, "99", "--amount", "7"}), HasSubstr("99"));
    EXPECT_THAT(Fails(2, {"delete", p, "99"}), HasSubstr("99"));
    Fails(2, {"delete", p, "first"});
    EXPECT_EQ(Bytes(p), before);
}

TEST_F(JournalTest, ModifyKeepsIdAndPlaceAndRepricesOnlyWhatChanged) {
    std::string p = NewPortfolio();
    AddBroker();
    Ok({"cash", p, "--type", "imposition", "--amount", "10000"});
    Ok({"buy", p, "--code", "SAN.MC", "--contracts", "100", "--price", "10.5", "--group", "Spain",
        "--date", "2024-03-01", "--time", "10:30:00"});
    Ok({"sell", p, "--code", "SAN.MC", "--contracts", "50", "--price", "11"});
    // Broker now charges a flat 20 whatever the amount.
    Ok({"commissions", "delete", "Broker"});
    Ok(Bracket("Broker", "0", "1e6", {"--royalty", "20", "--default"}));

    // Each modify prints the movement as stored.
    auto modify = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"modify", p});
        return nlohmann::json::parse(Ok(args));
    };
    EXPECT_TRUE(Holds(modify({"2", "--contracts", "50"}),
                      R"({"id": 2, "contracts": 50, "commission_per_contract": 0.4})"_json));
    // The side comes from the movement.
    EXPECT_TRUE(
        Holds(modify({"3", "--price", "12"}),
              R"({"id": 3, "type": 6, "price": 12.0, "commission_per_contract": 0.4})"_json));
    auto l = Load(p);
    ASSERT_EQ(l->ledger->GetOrders().size(), 3u);
    EXPECT_EQ(std::tuple(l->At(1).id, l->At(2).id, l->At(2).commission),
              std::tuple(2u, 3u, 20.0 / 50));
    EXPECT_TRUE(Holds(modify({"2", "--commission", "3"}),
                      R"({"schedule": "", "commission_per_contract": 0.06})"_json));

    // Modify changes only what is given: without a schedule the typed commission stays for
    // a new price; a schedule no longer listed stays with its commission, and the full price
    // stays, when another field is modified.
    EXPECT_EQ(modify({"2", "--price", "8.456"})["commission_per_contract"], 3.0 / 50);
    Ok(Bracket("Zeta", "0", "1e6", {"--royalty", "1"}));
    Ok({"modify", p, "2", "--schedule", "zet"});
    Ok({"commissions", "delete", "Zeta"});
    nlohmann::json printed = modify({"2", "--group", "Banks"});
    EXPECT_TRUE(Holds(printed, R"({"price": 8.456, "group": "Banks", "schedule": "Zeta",
        "commission_per_contract": 0.02})"_json));
    EXPECT_EQ(printed, Json({"show", p, "movements"})[1]);

    const std::string before = Bytes(p);
    EXPECT_THAT(Fails(2, {"modify", p, "2", "--amount", "5"}), HasSubstr("--amount"));
    Fails(2, {"modify", p, "1", "--price", "5"});
    EXPECT_EQ(Bytes(p), before);

    // A deleted movement's id is never given again; new --force starts the file afresh.
    Ok({"delete", p, "3"});
    Ok({"cash", p, "--type", "deposit", "--amount", "7"});
    l = Load(p);
    EXPECT_EQ(std::tuple(l->ledger->GetOrders().size(), l->At(1).id, l->At(2).id),
              std::tuple(3u, 2u, 4u));
    Ok({"new", "p", "--force"});
    EXPECT_TRUE(Load(p)->ledger->GetOrders().empty());
}

// A missing date or time comes from the clock.
TEST_F(JournalTest, CashAndDividendMovements) {
    const std::time_t now = CTimeLong::GetTime(DateNumber(2025, 7, 14), TimeNumber(16, 45, 30));
    context.clock = [now] { return now; };
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "expense", "--amount", "125.5", "--description", "Bank fees", "--date",
        "2024-05-02", "--time", "08:15:00"});
    Ok({"cash", p, "--type", "imposition", "--amount", "10000"});
    Ok({"cash", p, "--type", "refund", "--amount", "2500", "--date", "2024-01-02"});
    Ok({"cash", p, "--type", "deposit", "--amount", "300", "--description", "Coupon", "--date",
        "2024-06-01", "--time", "12:00"});
    Ok({"dividend", p, "--code", "SAN.MC", "--shares", "400", "--per-share", "0.25", "--group",
        "Banks", "--time", "09:15"});
    nlohmann::json when = nlohmann::json::array();  // type, date, time
    for (const auto& movement : Json({"show", p, "movements"}))
        when.push_back({movement["type"], movement["date"], movement["time"]});
    EXPECT_EQ(when, R"([[2, "2024-05-02", "08:15:00"], [3, "2025-07-14", "16:45:30"],
        [5, "2024-01-02", "16:45:30"], [4, "2024-06-01", "12:00:00"],
        [1, "2025-07-14", "09:15:00"]])"_json);
    EXPECT_TRUE(Holds(Json({"show", p, "totals"}),
                      {{"capital", 10000 + 300 - 125.5 - 2500 + 100}, {"dividends", 100.0}}));

    // A modified cash movement or dividend keeps what is not given.
    Ok({"modify", p, "4", "--amount", "450"});
    Ok({"modify", p, "5", "--per-share", "0.3"});
    EXPECT_TRUE(Holds(Json({"show", p, "movements"}), R"([{}, {}, {}, {"price": 450.0,
        "symbol": "Coupon", "date": "2024-06-01", "time": "12:00:00"},
        {"symbol": "SAN.MC", "contracts": 400, "group": "Banks"}])"_json));
    EXPECT_DOUBLE_EQ(Json({"show", p, "totals"})["dividends"].get<double>(), 120.0);
}

TEST_F(JournalTest, DamagedAndMissingFilesGiveOneClearLine) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    // A flipped byte of the journal is found before a buy is appended to it.
    std::string flipped = Bytes(p);
    flipped[30] ^= 1;
    Write(p, flipped);
    Fails(3, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    EXPECT_EQ(Bytes(p), flipped);
    flipped[30] ^= 1;
    const std::string truncated = flipped.substr(0, flipped.size() / 2);
    Write(p, truncated);
    EXPECT_THAT(Fails(3, {"show", p}), HasSubstr(p));
    Fails(3, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    EXPECT_EQ(Bytes(p), truncated);

    std::string missing = home + "/nowhere.cartera";
    EXPECT_THAT(Fails(5, {"delete", missing, "1"}), HasSubstr(missing));
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A dividend on no shares, as older versions recorded one, loads with a warning naming
    // it; one whose amount is not a number stays refused.
    std::string q = NewPortfolio("q");
    Load(q)->ledger->AddOrder(BuildDividend("Telefonica", "TEF", 2, -3, 0.5, "", 0));
    RunResult r = Run({"show", q});
    EXPECT_EQ(std::pair(r.code, r.err.rfind("cartera-cli: warning: " + q + ": movement 1 of ", 0)),
              std::pair(0, size_t{0}))
        << r.err;
    EXPECT_THAT(r.err, HasSubstr("(TEF) is a dividend on -3 shares"));
    EXPECT_EQ(Load(q)->ledger->GetDividendos(), 0.0);
    Load(q)->ledger->AddOrder(BuildDividend("Telefonica", "TEF", 2, 0, std::nan(""), "", 0));
    Fails(3, {"show", q});
    const std::string f = NewPortfolio("f");
    std::string newer = Bytes(f);
    newer[9] = kCurrentMinor + 1;  // a minor version not known yet
    Write(f, newer);
    EXPECT_THAT(Fails(3, {"show", f}), HasSubstr("version 1." + std::to_string(kCurrentMinor + 1)));
    // Files from before the bounds: a movement of 0 contracts, deposits whose sum overflows.
    const std::string g = NewPortfolio("g");
    Ok({"buy", g, "--code", "A", "--contracts", "2", "--price", "1"});
    auto loaded = Load(g);
    COrderCartera m = loaded->At(0);
    m.contracts = 0;
    loaded->ledger->ModOrder(m);
    EXPECT_THAT(Fails(3, {"show", g}), HasSubstr("contracts"));

    m = loaded->At(0);  // refused, never inf or nan
    m.contracts = 1;
    m.type = kDeposit;
    m.price = 1.7e308;
    loaded->ledger->ModOrder(m);
    loaded->ledger->AddOrder(m);
    for (auto [command, view] :
         {std::pair("show", "--json"), {"export", "movements"}, {"report", "stats"}})
        EXPECT_THAT(Fails(3, {command, g, view}), HasSubstr("the capital overflows")) << command;

    // Two gains and a loss near the largest number: their sum, and so every total show reads,
    // is within range; the gains alone are not, and the report refuses that figure.
    const std::string h = NewPortfolio("h");
    for (const char* code : {"A", "B", "C"})
        for (const char* side : {"buy", "sell"})
            Ok({side, h, "--code", code, "--contracts", "100", "--price", "1000000000"});
    auto near = Load(h);
    for (size_t i : {1, 3, 4}) {
        m = near->At(i);
        m.price = 1e306;  // a result of 1e308 on 100 contracts
        near->ledger->ModOrder(m);
    }
    Ok({"show", h, "--json"});
    EXPECT_THAT(Fails(3, {"report", h, "stats"}), HasSubstr("the gross_profit overflows"));
}

TEST_F(JournalTest, BracketsPriceAmountsByKind) {
    AddBroker();
    EXPECT_EQ(Ok({"commissions", "calc", "Broker", "1000"}), "8\n");
    Ok(Bracket(
        "Fixed", "0", "1000",
        {"--kind", "8", "--commission-pct", "0.5", "--commission-min", "3", "--royalty", "1"}));
    EXPECT_EQ(Ok({"commissions", "calc", "Fixed", "100", "--kind", "8"}), "51\n");
    Fails(2, {"commissions", "calc", "Fixed", "100"});  // no kind-4 schedule of that name
    Fails(2, {"commissions", "calc", "Broker", "lots"});
    Fails(2, {"commissions", "calc", "Broker", "1", "--kind", "5"});
    // Amounts print as people and spreadsheets read them: 1000000, never 1e+06.
    Ok(Bracket("Big", "0", "5000000", {"--royalty", "1000000"}));
    EXPECT_EQ(Ok({"commissions", "calc", "Big", "2000000"}), "1000000\n");
    EXPECT_THAT(Ok({"commissions", "show", "Big"}),
                ::testing::AllOf(HasSubstr("5000000"), ::testing::Not(HasSubstr("e+"))));
}

TEST_F(JournalTest, CollidingBracketsAreRefusedAndSchedulesListedMadeDefaultAndDeleted) {
    Ok(Bracket("A", "0", "100"));
    const std::string file = home + "/Comisiones.bin", before = Bytes(file);
    EXPECT_THAT(Fails(2, Bracket("A", "20", "100")), HasSubstr(En(3416)));
    Fails(2, Bracket("", "0", "1"));
    Fails(2, Bracket("A", "x", "1"));
    for (const char* option : {"--commission-pct", "--commission-min", "--brokerage-min"})
        Fails(2, Bracket("A", "200", "300", {option, "-1"}));
    Fails(2, {"commissions", "calc", "A", "-1"});
    EXPECT_EQ(Bytes(file), before);

    Ok(Bracket("A", "100", "200"));
    Ok(Bracket("B", "0", "10", {"--default"}));
    Ok(Bracket("B", "10", "20"));  // joins B's default flag
    EXPECT_TRUE(
        Holds(Json({"commissions", "show", "A"})["brackets"], R"([{}, {"from": 100.0}])"_json));
    EXPECT_THAT(Ok({"commissions", "show", "A"}), HasSubstr("200"));
    Fails(2, {"commissions", "show", "C"});
    EXPECT_TRUE(Holds(Json({"commissions", "list"}), R"([{"name": "A", "default": false},
        {"name": "B", "default": true, "brackets": 2, "kind": 4}])"_json));

    Ok({"commissions", "default", "A"});
    EXPECT_TRUE(Holds(Json({"commissions", "list"}), R"([{"default": true},
        {"default": false}])"_json));
    Fails(2, {"commissions", "default", "Nope"});
    Ok({"commissions", "delete", "B"});
    Fails(2, {"commissions", "delete", "B"});
    EXPECT_EQ(Json({"commissions", "list"}).size(), 1u);
    EXPECT_THAT(Ok({"commissions", "list"}), ::testing::AllOf(HasSubstr("A"), HasSubstr("*")));
}

class TroubledEnv : public MemEnv {
  public:
    Status ReadFile(const std::string& path, std::string* out) override {
        if (broken) throw std::logic_error("broken invariant");
        return MemEnv::ReadFile(path, out);
    }
    bool broken = false;
};

// Bad input (2), damaged (3) and missing files (5) are above; a failed write (1), a lock
// held by another writer (4) and a bug (70) have statuses of their own, and keep the file.
TEST_F(JournalTest, FailedWritesLocksAndBugsHaveExitStatusesOfTheirOwn) {
    TroubledEnv files;
    context.env = &files;
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string before = files.Files().at(p);
    files.SetFailWrites(true);
    EXPECT_THAT(Fails(1, {"cash", p, "--type", "deposit", "--amount", "6"}),
                HasSubstr("injected failure"));
    Fails(1, {"delete", p, "1"});
    Fails(1, {"modify", p, "1", "--amount", "7"});
    Fails(1, Bracket("Broker", "0", "1"));
    files.SetFailWrites(false);
    files.SetLocksHeld(true);
    EXPECT_THAT(Fails(4, {"cash", p, "--type", "deposit", "--amount", "6"}), HasSubstr("locked"));
    for (const auto& args : {Bracket("Broker", "0", "1"),
                             {"commissions", "delete", "Broker"},
                             {"commissions", "default", "Broker"}})
        Fails(4, args);  // the schedules too: without the lock they would say "no Broker"
    files.SetLocksHeld(false);
    files.broken = true;
    EXPECT_THAT(Fails(70, {"show", p}), HasSubstr("internal error"));
    EXPECT_EQ(files.Files().at(p), before);

    // A change planned under the shared lock is planned again when a writer came first.
    files.broken = false;
    cli::OpenPortfolio planned(context, p, cli::OpenPortfolio::Use::prepare);
    EXPECT_TRUE(planned.Upgrade());
    Ok({"cash", p, "--type", "deposit", "--amount", "8"});
    EXPECT_FALSE(planned.Upgrade());
    EXPECT_EQ(planned.Ledger().GetOrders().size(), 2u);
}

}  // namespace
}  // namespace cartera::cli::testing
