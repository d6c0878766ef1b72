#include <cmath>
#include <stdexcept>

#include "host/env.h"
#include "model/entry.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using JournalTest = CliTest;

TEST_F(JournalTest, BuyAndSellStoreTheDisplayedCommissionPerContract) {
    std::string p = NewPortfolio();
    AddBroker();
    // A schedule listed before Broker, so the default and not the first item must be chosen.
    Ok({"commissions", "add-bracket", "Alpha", "--from", "0", "--to", "1e6", "--commission-min",
        "50"});
    EXPECT_EQ(
        Ok({"buy", p, "--code", "SAN.MC", "--symbol", "Banco Santander", "--contracts", "100",
            "--price", "10.5", "--group", "Spain", "--date", "2024-03-01", "--time", "10:30:00"}),
        "1\n");
    EXPECT_EQ(Ok({"sell", p, "--code", "SAN.MC", "--contracts", "100", "--price", "10.5", "--date",
                  "2024-03-02"}),
              "2\n");
    EXPECT_EQ(Ok({"sell", p, "--code", "SAN.MC", "--contracts", "10", "--price", "10.5",
                  "--schedule", "alp"}),
              "3\n");
    Ok({"buy", p, "--code", "A", "--contracts", "50", "--price", "20", "--commission", "12.5"});
    Fails(2, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2", "--commission", "1",
              "--schedule", "Broker"});

    // 8.00 shown, divided by the contracts; the symbol defaults to the code; a schedule is
    // chosen by prefix, ignoring case; a typed commission names no schedule.
    nlohmann::json m = Json({"show", p, "movements"});
    ASSERT_EQ(m.size(), 4u);
    EXPECT_TRUE(Holds(m[0], R"({"code": "SAN.MC", "symbol": "Banco Santander", "group": "Spain",
        "commission_per_contract": 0.08, "schedule": "Broker", "date": "2024-03-01",
        "time": "10:30:00"})"_json));
    EXPECT_TRUE(Holds(m[1], R"({"symbol": "SAN.MC", "contracts": 100, "price": 10.5,
        "commission_per_contract": 0.08, "date": "2024-03-02"})"_json));
    EXPECT_TRUE(Holds(m[2], R"({"schedule": "Alpha", "commission_per_contract": 5.0})"_json));
    EXPECT_TRUE(Holds(m[3], R"({"commission_per_contract": 0.25, "schedule": ""})"_json));
}

TEST_F(JournalTest, RefusedCommandsAndUnknownIdsLeaveTheFileUnchanged) {
    std::string p = NewPortfolio();
    AddBroker();
    Ok({"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    const std::string before = Bytes(p);
    auto buy = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"buy", p, "--code", "A"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Fails(2, args);
    };
    for (const char* contracts : {"0", "-3", "x", "2.5", "99999999999"}) {
        std::string err = buy({"--price", "2", "--contracts=" + std::string(contracts)});
        EXPECT_THAT(err, HasSubstr("at least 1")) << contracts;
    }
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
    buy({"--contracts", "5", "--price", "2", "--commission", "1e308"});
    buy({"--contracts", "5", "--price", "2", "--time", "25:00"});
    buy({"--contracts", "5", "--price", "2", "--decimals", "16"});
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
    Ok({"commissions", "add-bracket", "Broker", "--from", "0", "--to", "1e6", "--royalty", "20",
        "--default"});

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
    Ok({"commissions", "add-bracket", "Zeta", "--from", "0", "--to", "1e6", "--royalty", "1"});
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
}

// A missing date or time comes from the clock.
TEST_F(JournalTest, CashAndDividendMovements) {
    const std::time_t now = CTimeLong::GetTime(DateNumber(2025, 7, 14), TimeNumber(16, 45, 30));
    SetClock([now] { return now; });
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "expense", "--amount", "125.5", "--description", "Bank fees", "--date",
        "2024-05-02", "--time", "08:15:00"});
    Ok({"cash", p, "--type", "imposition", "--amount", "10000"});
    Ok({"cash", p, "--type", "refund", "--amount", "2500", "--date", "2024-01-02"});
    Ok({"cash", p, "--type", "deposit", "--amount", "300", "--description", "Coupon", "--date",
        "2024-06-01", "--time", "12:00"});
    Ok({"dividend", p, "--code", "SAN.MC", "--shares", "400", "--per-share", "0.25", "--group",
        "Banks", "--time", "09:15"});
    nlohmann::json m = Json({"show", p, "movements"});
    nlohmann::json when = nlohmann::json::array();  // type, date, time
    for (const auto& movement : m)
        when.push_back({movement["type"], movement["date"], movement["time"]});
    EXPECT_EQ(when, R"([[2, "2024-05-02", "08:15:00"], [3, "2025-07-14", "16:45:30"],
        [5, "2024-01-02", "16:45:30"], [4, "2024-06-01", "12:00:00"],
        [1, "2025-07-14", "09:15:00"]])"_json);
    EXPECT_EQ(m[4]["group"], "Banks");
    nlohmann::json totals = Json({"show", p, "totals"});
    EXPECT_EQ(totals["capital"], 10000 + 300 - 125.5 - 2500 + 100);
    EXPECT_EQ(totals["dividends"], 100.0);

    // A modified cash movement or dividend keeps what is not given.
    Ok({"modify", p, "4", "--amount", "450"});
    Ok({"modify", p, "5", "--per-share", "0.3"});
    m = Json({"show", p, "movements"});
    EXPECT_TRUE(Holds(m[3], R"({"price": 450.0, "symbol": "Coupon", "date": "2024-06-01",
        "time": "12:00:00"})"_json));
    EXPECT_TRUE(Holds(m[4], R"({"symbol": "SAN.MC", "contracts": 400})"_json));
    EXPECT_DOUBLE_EQ(Json({"show", p, "totals"})["dividends"].get<double>(), 120.0);
}

TEST_F(JournalTest, NewRefusesToOverwriteAndDeleteNeverReusesIds) {
    std::string p = NewPortfolio("Savings");
    EXPECT_EQ(p, home + "/portfolios/Savings" + PortfolioExtension());
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    Ok({"cash", p, "--type", "deposit", "--amount", "6"});
    const std::string before = Bytes(p);
    EXPECT_THAT(Fails(2, {"new", "Savings"}), HasSubstr("--force"));
    for (const char* bad : {"a/b", "a\\b", ".", "..", " Savings", "Savings ", "a\tb", ""})
        EXPECT_THAT(Fails(2, {"new", bad}), HasSubstr("The name")) << bad;
    EXPECT_EQ(Bytes(p), before);

    Ok({"delete", p, "2"});
    Ok({"cash", p, "--type", "deposit", "--amount", "7"});
    auto l = Load(p);
    ASSERT_EQ(l->ledger->GetOrders().size(), 2u);
    EXPECT_EQ(l->At(1).id, 3u);
    EXPECT_EQ(l->ledger->GetIngresos(), 12.0);

    Ok({"new", "Savings", "--force"});
    EXPECT_TRUE(Load(p)->ledger->GetOrders().empty());
}

TEST_F(JournalTest, DamagedAndMissingFilesGiveOneClearLine) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    std::string whole = Bytes(p);
    Write(p, whole.substr(0, whole.size() / 2));
    const std::string truncated = Bytes(p);
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
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("cartera-cli: warning: " + q + ": movement 1 of ", 0), 0u) << r.err;
    EXPECT_THAT(r.err, HasSubstr("(TEF) is a dividend on -3 shares"));
    EXPECT_EQ(Load(q)->ledger->GetDividendos(), 0.0);
    Load(q)->ledger->AddOrder(BuildDividend("Telefonica", "TEF", 2, 0, std::nan(""), "", 0));
    Fails(3, {"show", q});
    const std::string f = NewPortfolio("f");
    std::string newer = Bytes(f);
    newer[9] = 3;  // a minor version not known yet
    Write(f, newer);
    EXPECT_THAT(Fails(3, {"show", f}), HasSubstr("version 1.3"));
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
    for (std::vector<std::string> args : {std::vector<std::string>{"show", g, "--json"},
                                          {"export", g, "movements"},
                                          {"report", g, "stats"}})
        EXPECT_THAT(Fails(3, args), HasSubstr("the capital overflows")) << args[0];
}

// A file system whose locks stay taken, or whose reads break a rule of the program.
class TroubledEnv : public MemEnv {
  public:
    Status LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock) override {
        if (!locked) return MemEnv::LockFile(path, waitMs, lock);
        return Status(ErrorKind::locked, path + " is locked by another writer");
    }
    Status ReadFile(const std::string& path, std::string* out) override {
        if (broken) throw std::logic_error("broken invariant");
        return MemEnv::ReadFile(path, out);
    }
    bool locked = false, broken = false;
};

// Bad input (2), damaged (3) and missing files (5) are above; a failed write (1), a lock
// held by another writer (4) and a bug (70) have statuses of their own, and keep the file.
TEST_F(JournalTest, FailedWritesLocksAndBugsHaveExitStatusesOfTheirOwn) {
    TroubledEnv files;
    ScopedEnv scoped(&files);
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string before = files.Files().at(p);
    files.SetFailWrites(true);
    EXPECT_THAT(Fails(1, {"cash", p, "--type", "deposit", "--amount", "6"}),
                HasSubstr("injected failure"));
    Fails(1, {"delete", p, "1"});
    Fails(1, {"modify", p, "1", "--amount", "7"});
    Fails(1, {"commissions", "add-bracket", "Broker", "--from", "0", "--to", "1"});
    files.SetFailWrites(false);
    files.locked = true;
    EXPECT_THAT(Fails(4, {"cash", p, "--type", "deposit", "--amount", "6"}), HasSubstr("locked"));
    files.locked = false;
    files.broken = true;
    EXPECT_THAT(Fails(70, {"show", p}), HasSubstr("internal error"));
    EXPECT_EQ(files.Files().at(p), before);
}

}  // namespace
}  // namespace cartera::cli::testing
