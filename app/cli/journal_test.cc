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

    auto l = Load(p);
    ASSERT_EQ(l->ledger->GetOrders().size(), 3u);
    const COrderCartera& buy = l->At(0);
    EXPECT_EQ(buy.commission, 8.0 / 100);  // 8.00 shown, divided by the contracts
    EXPECT_EQ(buy.schedule, "Broker");
    EXPECT_EQ(buy.quoteCode, "SAN.MC");
    EXPECT_EQ(buy.symbol, "Banco Santander");
    EXPECT_EQ(buy.group, "Spain");
    EXPECT_EQ(buy.date, DateNumber(2024, 3, 1));
    EXPECT_EQ(buy.time, TimeNumber(10, 30, 0));

    const COrderCartera& sell = l->At(1);
    EXPECT_EQ(sell.symbol, "SAN.MC");  // the symbol defaults to the code
    EXPECT_EQ(MovementTotal(sell), (10.5 - 0.08) * 100);
    EXPECT_EQ(sell.date, DateNumber(2024, 3, 2));

    EXPECT_EQ(l->At(2).schedule, "Alpha");  // chosen by prefix, ignoring case
    EXPECT_EQ(l->At(2).commission, 50.0 / 10);

    // The first sell closes the buy: both sides pay 0.08 a contract.
    ASSERT_EQ(l->ledger->GetClosedTrades().size(), 1u);
    EXPECT_NEAR(l->ledger->GetGanCerradas(), -16.0, 1e-9);
    EXPECT_NE(Ok({"show", p, "movements"}).find("1,042.00"), std::string::npos);
}

TEST_F(JournalTest, TypedCommissionSelectsNoSchedule) {
    std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "A", "--contracts", "50", "--price", "20"});
    Ok({"buy", p, "--code", "A", "--contracts", "50", "--price", "20", "--commission", "12.5"});
    AddBroker();
    Ok({"buy", p, "--code", "A", "--contracts", "50", "--price", "20", "--commission", "12.5"});
    auto l = Load(p);
    EXPECT_EQ(l->At(0).commission, 0.0);  // no schedules at all: nothing to price with
    EXPECT_EQ(l->At(0).schedule, "");
    EXPECT_EQ(l->At(1).commission, 0.25);
    EXPECT_EQ(l->At(2).commission, 0.25);
    EXPECT_EQ(l->At(2).schedule, "");
    Fails(2, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2", "--commission", "1",
              "--schedule", "Broker"});
}

TEST_F(JournalTest, RefusedCommandsLeaveTheFileUnchanged) {
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
        EXPECT_NE(err.find("at least 1"), std::string::npos) << contracts << ": " << err;
    }
    buy({"--contracts", "5", "--price", "abc"});
    // Beyond what entry takes, naming the field: never stored.
    EXPECT_NE(buy({"--contracts", "5", "--price", "1e13"}).find("price"), std::string::npos);
    EXPECT_NE(Fails(2, {"cash", p, "--type", "expense", "--amount", "2e12"}).find("amount"),
              std::string::npos);
    for (const char* date : {"2024-02-30", "01/07/99", "07/01/2024", "5.3.24", "2024-3-5"})
        EXPECT_NE(buy({"--contracts", "5", "--price", "2", "--date", date}).find("YYYY-MM-DD"),
                  std::string::npos);
    buy({"--contracts", "5", "--price", "2", "--commission", "1e308"});
    buy({"--contracts", "5", "--price", "2", "--time", "25:00"});
    buy({"--contracts", "5", "--price", "2", "--decimals", "16"});
    EXPECT_NE(buy({"--contracts", "5", "--price", "2", "--schedule", "Nope"}).find("Broker"),
              std::string::npos);
    Fails(2, {"cash", p, "--type", "bonus", "--amount", "5"});
    Fails(2, {"cash", p, "--type", "expense", "--amount", "five"});
    Fails(2, {"dividend", p, "--code", "A", "--shares", "many", "--per-share", "1"});
    Fails(2, {"buy", p, "--code", "A", "--price", "2"});  // --contracts missing
    for (std::vector<std::string> args :
         {std::vector<std::string>{"modify", p, "1", "--code", ""},
          {"buy", p, "--code", " ", "--contracts", "5", "--price", "2"}})
        EXPECT_NE(Fails(2, args).find("--code must not be empty"), std::string::npos) << args[0];
    EXPECT_EQ(Bytes(p), before);
}

TEST_F(JournalTest, UnknownIdsAreRefused) {
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string before = Bytes(p);
    EXPECT_NE(Fails(2, {"modify", p, "99", "--amount", "7"}).find("99"), std::string::npos);
    EXPECT_NE(Fails(2, {"delete", p, "99"}).find("99"), std::string::npos);
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
    auto printed = nlohmann::json::parse(Ok({"modify", p, "2", "--contracts", "50"}));
    EXPECT_EQ(printed["id"], 2);
    EXPECT_EQ(printed["contracts"], 50);
    EXPECT_EQ(printed["commission_per_contract"], 20.0 / 50);
    EXPECT_EQ(nlohmann::json::parse(Ok({"modify", p, "3", "--price", "12"}))["price"], 12.0);
    auto l = Load(p);
    ASSERT_EQ(l->ledger->GetOrders().size(), 3u);
    EXPECT_EQ(l->ledger->GetLastId(), 3u);
    const COrderCartera& buy = l->At(1);
    EXPECT_EQ(buy.id, 2u);
    EXPECT_EQ(buy.commission, 20.0 / 50);
    const COrderCartera& sell = l->At(2);
    EXPECT_EQ(sell.id, 3u);
    EXPECT_EQ(sell.type, kSell);  // the side comes from the movement
    EXPECT_EQ(sell.price, 12.0);
    EXPECT_EQ(sell.commission, 20.0 / 50);

    Ok({"modify", p, "2", "--commission", "3"});
    EXPECT_EQ(Load(p)->At(1).schedule, "");
    EXPECT_EQ(Load(p)->At(1).commission, 3.0 / 50);

    // Modify changes only what is given: without a schedule the typed commission stays for
    // a new price, and a schedule no longer listed stays with its commission.
    Ok({"modify", p, "2", "--price", "11"});
    EXPECT_EQ(Load(p)->At(1).commission, 3.0 / 50);
    Ok({"commissions", "add-bracket", "Zeta", "--from", "0", "--to", "1e6", "--royalty", "1"});
    Ok({"modify", p, "2", "--schedule", "zet"});
    Ok({"commissions", "delete", "Zeta"});
    Ok({"modify", p, "2"});
    EXPECT_EQ(Load(p)->At(1).schedule, "Zeta");
    EXPECT_EQ(Load(p)->At(1).commission, 1.0 / 50);

    const std::string before = Bytes(p);
    EXPECT_NE(Fails(2, {"modify", p, "2", "--amount", "5"}).find("--amount"), std::string::npos);
    Fails(2, {"modify", p, "1", "--price", "5"});
    EXPECT_EQ(Bytes(p), before);

    // The full price stays when another field is modified; the commission is re-priced
    // only for new contracts or a new price.
    Ok({"buy", p, "--code", "BBVA.MC", "--contracts", "10", "--price", "8.456"});
    EXPECT_EQ(Load(p)->At(3).price, 8.456);
    Ok({"commissions", "delete", "Broker"});
    Ok({"commissions", "add-bracket", "Broker", "--from", "0", "--to", "1e6", "--royalty", "30",
        "--default"});
    printed = nlohmann::json::parse(Ok({"modify", p, "4", "--group", "Banks"}));
    EXPECT_EQ(printed["price"], 8.456);
    EXPECT_EQ(printed["group"], "Banks");
    EXPECT_EQ(printed["commission_per_contract"], 2.0);
    EXPECT_EQ(printed, Json({"show", p, "movements"})[3]);
    printed = nlohmann::json::parse(Ok({"modify", p, "4", "--price", "9"}));
    EXPECT_EQ(printed["commission_per_contract"], 3.0);
}

TEST_F(JournalTest, CashAndDividendMovements) {
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "expense", "--amount", "125.5", "--description", "Bank fees", "--date",
        "2024-05-02", "--time", "08:15:00"});
    Ok({"cash", p, "--type", "imposition", "--amount", "10000"});
    Ok({"cash", p, "--type", "refund", "--amount", "2500"});
    Ok({"cash", p, "--type", "deposit", "--amount", "300", "--description", "Coupon", "--date",
        "2024-06-01", "--time", "12:00"});
    Ok({"dividend", p, "--code", "SAN.MC", "--shares", "400", "--per-share", "0.25", "--group",
        "Banks"});
    auto l = Load(p);
    const COrderCartera& expense = l->At(0);
    EXPECT_EQ(expense.type, kExpense);
    EXPECT_EQ(expense.date, DateNumber(2024, 5, 2));
    EXPECT_EQ(l->At(1).type, kImposition);
    EXPECT_EQ(l->At(2).type, kRefund);
    EXPECT_EQ(l->At(3).type, kDeposit);
    const COrderCartera& dividend = l->At(4);
    EXPECT_EQ(dividend.type, kDividend);
    EXPECT_EQ(dividend.group, "Banks");
    EXPECT_EQ(l->ledger->GetCapital(), 10000 + 300 - 125.5 - 2500 + 100);
    EXPECT_EQ(l->ledger->GetDividendos(), 100.0);

    Ok({"modify", p, "4", "--amount", "450"});
    Ok({"modify", p, "5", "--per-share", "0.3"});
    l = Load(p);
    EXPECT_EQ(l->At(3).price, 450.0);
    EXPECT_EQ(l->At(3).symbol, "Coupon");
    EXPECT_EQ(l->At(3).date, DateNumber(2024, 6, 1));
    EXPECT_EQ(l->At(3).time, TimeNumber(12, 0, 0));
    EXPECT_EQ(l->At(4).symbol, "SAN.MC");
    EXPECT_EQ(l->At(4).contracts, 400);
    EXPECT_DOUBLE_EQ(l->ledger->GetDividendos(), 120.0);
}

TEST_F(JournalTest, MissingDateAndTimeComeFromTheClock) {
    const std::time_t now = CTimeLong::GetTime(DateNumber(2025, 7, 14), TimeNumber(16, 45, 30));
    SetClock([now] { return now; });
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "1"});
    Ok({"cash", p, "--type", "deposit", "--amount", "1", "--date", "2024-01-02"});
    Ok({"buy", p, "--code", "A", "--contracts", "1", "--price", "1", "--time", "09:15"});
    auto l = Load(p);
    EXPECT_EQ(l->At(0).date, DateNumber(2025, 7, 14));
    EXPECT_EQ(l->At(0).time, TimeNumber(16, 45, 30));
    EXPECT_EQ(l->At(1).date, DateNumber(2024, 1, 2));
    EXPECT_EQ(l->At(1).time, TimeNumber(16, 45, 30));
    EXPECT_EQ(l->At(2).date, DateNumber(2025, 7, 14));
    EXPECT_EQ(l->At(2).time, TimeNumber(9, 15, 0));
}

TEST_F(JournalTest, NewRefusesToOverwriteAndDeleteNeverReusesIds) {
    std::string p = NewPortfolio("Savings");
    EXPECT_EQ(p, home + "/portfolios/Savings" + PortfolioExtension());
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    Ok({"cash", p, "--type", "deposit", "--amount", "6"});
    const std::string before = Bytes(p);
    EXPECT_NE(Fails(2, {"new", "Savings"}).find("--force"), std::string::npos);
    for (const char* bad : {"a/b", "a\\b", ".", "..", " Savings", "Savings ", "a\tb", ""})
        EXPECT_NE(Fails(2, {"new", bad}).find("The name"), std::string::npos) << bad;
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
    EXPECT_NE(Fails(3, {"show", p}).find(p), std::string::npos);
    Fails(3, {"buy", p, "--code", "A", "--contracts", "5", "--price", "2"});
    EXPECT_EQ(Bytes(p), truncated);

    std::string missing = home + "/nowhere.cartera";
    EXPECT_NE(Fails(5, {"delete", missing, "1"}).find(missing), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A dividend on no shares, as older versions recorded one, loads with a warning naming
    // it; one whose amount is not a number stays refused.
    std::string q = NewPortfolio("q");
    Load(q)->ledger->AddOrder(BuildDividend("Telefonica", "TEF", 2, -3, 0.5, "", 0));
    RunResult r = Run({"show", q});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("cartera-cli: warning: " + q + ": movement 1 of ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("(TEF) is a dividend on -3 shares"), std::string::npos) << r.err;
    EXPECT_EQ(Load(q)->ledger->GetDividendos(), 0.0);
    Load(q)->ledger->AddOrder(BuildDividend("Telefonica", "TEF", 2, 0, std::nan(""), "", 0));
    Fails(3, {"show", q});
}

TEST_F(JournalTest, AFailedSaveIsReportedAndKeepsTheOldFile) {
    MemEnv files;
    ScopedEnv scoped(&files);
    std::string p = NewPortfolio();
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string before = files.Files().at(p);
    files.SetFailWrites(true);
    EXPECT_NE(Fails(1, {"cash", p, "--type", "deposit", "--amount", "6"}).find("injected failure"),
              std::string::npos);
    Fails(1, {"delete", p, "1"});
    Fails(1, {"commissions", "add-bracket", "Broker", "--from", "0", "--to", "1"});
    EXPECT_EQ(files.Files().at(p), before);
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

// Bad input (2), damaged (3) and missing files (5) and failed writes (1) are above.
TEST_F(JournalTest, ALockedFileAndABugHaveExitStatusesOfTheirOwn) {
    TroubledEnv files;
    ScopedEnv scoped(&files);
    std::string p = NewPortfolio();
    const std::string before = files.Files().at(p);
    files.locked = true;
    EXPECT_NE(Fails(4, {"cash", p, "--type", "deposit", "--amount", "6"}).find("locked"),
              std::string::npos);
    files.locked = false;
    files.broken = true;
    EXPECT_NE(Fails(70, {"show", p}).find("internal error"), std::string::npos);
    EXPECT_EQ(files.Files().at(p), before);
}

}  // namespace
}  // namespace cartera::cli::testing
