// Journals kept whole: concurrent writers, unreadable files, lost output, backups.
#include <sys/wait.h>
#include <unistd.h>

#include "commissions/comisiones.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using SafetyTest = CliTest;

TEST_F(SafetyTest, ConcurrentBuysAllKeepTheirMovements) {
    const std::string p = NewPortfolio();
    constexpr int kWriters = 50;
    std::vector<pid_t> children;
    for (int i = 0; i < kWriters; ++i) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::alarm(60);
            RunResult r = Run({"buy", p, "--code", "C" + std::to_string(i), "--contracts", "1",
                               "--price", "1", "--commission", "0"});
            ::_exit(r.code);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(Load(p)->ledger->GetOrders().size(), static_cast<size_t>(kWriters));
}

TEST_F(SafetyTest, UnreadableOrDamagedCommissionFilesStopChanges) {
    const std::string p = NewPortfolio();
    AddBroker();
    const std::string file = home + "/Comisiones.bin", good = Bytes(file);
    const std::vector<std::string> buy = {"buy",         p,   "--code",  "A",
                                          "--contracts", "1", "--price", "1"};
    const std::vector<std::string> add = {"commissions", "add-bracket", "New", "--from",
                                          "0",           "--to",        "1"};
    Write(file, good.substr(0, 5));  // damaged
    EXPECT_NE(Fails(3, add).find(file), std::string::npos);
    Fails(3, buy);
    EXPECT_EQ(Bytes(file), good.substr(0, 5));

    std::filesystem::rename(file, file + ".saved");  // missing: an empty set of schedules
    std::filesystem::create_directory(file);         // exists, cannot be read
    EXPECT_NE(Fails(1, add).find("cannot read"), std::string::npos);
    Fails(1, buy);
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_TRUE(Load(p)->ledger->GetOrders().empty());
    std::filesystem::remove(file);
    Ok(add);
}

struct FailingBuffer : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
};

TEST_F(SafetyTest, OutputThatCannotBeWrittenIsAnError) {
    const std::string p = NewPortfolio();
    FailingBuffer buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    std::vector<std::string> args = {"cartera-cli", "--home", home, "export", p, "journal"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    EXPECT_EQ(RunCli(static_cast<int>(argv.size()), argv.data(), out, err), 1);
    EXPECT_EQ(err.str(), "cartera-cli: cannot write the output\n");
}

TEST_F(SafetyTest, RestoreBringsBackThePreviousVersion) {
    const std::string p = NewPortfolio();
    Fails(5, {"restore", p});  // nothing saved over yet
    Ok({"buy", p, "--code", "A", "--contracts", "1", "--price", "1"});
    const std::string one = Bytes(p);
    Ok({"buy", p, "--code", "B", "--contracts", "1", "--price", "1"});
    const std::string two = Bytes(p);
    std::filesystem::permissions(
        p, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    Ok({"restore", p});
    EXPECT_EQ(Bytes(p), one);
    EXPECT_EQ(std::filesystem::status(p).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    Ok({"restore", p});  // and back again
    EXPECT_EQ(Bytes(p), two);
    Write(p + ".bak", "junk");
    Fails(3, {"restore", p});
    EXPECT_EQ(Bytes(p), two);
}

TEST_F(SafetyTest, AmountsThatCannotBePricedAreRefused) {
    const std::string p = NewPortfolio();
    Ok({"buy", p, "--code", "A", "--contracts", "2", "--price", "1"});
    const std::string before = Bytes(p);
    for (const char* price : {"1e308", "nan", "inf"}) {
        EXPECT_NE(
            Fails(2, {"buy", p, "--code", "A", "--contracts", "2", "--price", price}).find("price"),
            std::string::npos)
            << price;
    }
    EXPECT_NE(Fails(2, {"dividend", p, "--code", "A", "--shares", "-5", "--per-share", "1"})
                  .find("negative"),
              std::string::npos);
    Fails(2, {"dividend", p, "--code", "A", "--shares", "0", "--per-share", "1"});
    Fails(2, {"cash", p, "--type", "expense", "--amount", "1e309"});
    EXPECT_EQ(Bytes(p), before);

    auto loaded = Load(p);  // a file holding a movement of 0 contracts is reported
    COrderCartera m = loaded->At(0);
    m.contracts = 0;
    loaded->ledger->ModOrder(m);
    EXPECT_NE(Fails(3, {"show", p}).find("contracts"), std::string::npos);

    // Deposits whose sum overflows (a file from before the bounds): refused, never inf or nan.
    m = loaded->At(0);
    m.contracts = 1;
    m.type = kDeposit;
    m.price = 1.7e308;
    loaded->ledger->ModOrder(m);
    loaded->ledger->AddOrder(m);
    for (std::vector<std::string> args : {std::vector<std::string>{"show", p, "--json"},
                                          {"export", p, "movements"},
                                          {"report", p, "stats"}})
        EXPECT_NE(Fails(3, args).find("the capital overflows"), std::string::npos) << args[0];
}

TEST_F(SafetyTest, BytesAfterTheGridLayoutsAreRefused) {
    const std::string p = NewPortfolio();
    std::string old = Bytes(p);
    old[9] = 0;  // a file of minor version 0, without checksum
    old.erase(13, 4);
    Write(p, old);
    Ok({"show", p, "totals"});
    Write(p, old + "junk");
    EXPECT_NE(Fails(3, {"show", p}).find("4 unknown bytes"), std::string::npos);
}

}  // namespace
}  // namespace cartera::cli::testing
