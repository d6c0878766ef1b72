#include "model/portfolio_file.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "host/archive.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

class PortfolioFileTest : public LedgerTest {};

TEST_F(PortfolioFileTest, EnvelopeSurroundsTheBody) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    std::string error;
    ASSERT_EQ(doc.SaveAs("/mem/p.cartera").message(), "");
    const std::string& bytes = env.Files()["/mem/p.cartera"];
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_EQ(bytes[0], '\0');  // empty first string
    EXPECT_EQ(bytes.substr(1, 4), "CRTV");
    EXPECT_EQ(bytes[17], '\0');  // empty second string, after the version and its checksum
    // Loading ignores whatever the two strings hold.
    std::string changed = bytes;
    changed[0] = 3;
    changed.insert(1, "abc");
    env.Files()["/mem/q.cartera"] = changed;
    CSistemaCartera other;
    PortfolioDocument otherDoc(&other);
    EXPECT_EQ(otherDoc.Load("/mem/q.cartera").message(), "");
}

TEST_F(PortfolioFileTest, ChangesAreSavedAndFailuresKeepTheOldFile) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    std::string error;
    ASSERT_EQ(doc.SaveAs("/mem/p.cartera").message(), "");
    int updates = 0;
    doc.SetOnUpdate([&] { ++updates; });
    ledger.AddOrder(Exec(true, "ACME", 10, 20.0));
    EXPECT_EQ(doc.SaveCount(), 2);
    EXPECT_EQ(updates, 1);
    std::string before = env.Files()["/mem/p.cartera"];
    env.SetFailWrites(true);
    ledger.AddOrder(Exec(true, "ACME", 5, 20.0));
    EXPECT_FALSE(doc.LastSaveError().empty());
    EXPECT_EQ(env.Files()["/mem/p.cartera"], before);

    CSistemaCartera reread;
    PortfolioDocument rereadDoc(&reread);
    ASSERT_EQ(rereadDoc.Load("/mem/p.cartera").message(), "");
    EXPECT_EQ(reread.GetOrders().size(), 1u);
}

TEST_F(PortfolioFileTest, DamagedFilesGiveAClearError) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    std::string error;
    EXPECT_FALSE((error = doc.Load("/mem/missing.cartera").message()).empty());
    EXPECT_NE(error.find("missing.cartera"), std::string::npos);
    env.Files()["/mem/text.cartera"] = "hello, this is not a portfolio";
    EXPECT_FALSE((error = doc.Load("/mem/text.cartera").message()).empty());
    EXPECT_NE(error.find("not a portfolio file"), std::string::npos) << error;
    ASSERT_EQ(doc.SaveAs("/mem/p.cartera").message(), "");
    ledger.AddOrder(Exec(true, "ACME", 10, 20.0));
    std::string bytes = env.Files()["/mem/p.cartera"];
    env.Files()["/mem/cut.cartera"] = bytes.substr(0, bytes.size() - 30);
    CSistemaCartera other;
    PortfolioDocument otherDoc(&other);
    EXPECT_FALSE((error = otherDoc.Load("/mem/cut.cartera").message()).empty());
    EXPECT_NE(error.find("cut.cartera"), std::string::npos);
    EXPECT_NE(error.find("checksum"), std::string::npos) << error;
}

// Every flipped byte of the body is found by the checksum; files without one (minor
// version 0) still load, and there the reader's own checks catch what they can.
TEST_F(PortfolioFileTest, DamageIsFoundByChecksumVersionAndLength) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    std::string error;
    ASSERT_EQ(doc.SaveAs("/mem/p.cartera").message(), "");
    ledger.AddOrder(Exec(true, "ACME", 10, 20.0));
    const std::string good = env.Files()["/mem/p.cartera"];
    auto loads = [&](const std::string& bytes) {
        env.Files()["/mem/x.cartera"] = bytes;
        CSistemaCartera other;
        return (error = PortfolioDocument(&other).Load("/mem/x.cartera").message()).empty();
    };
    ASSERT_TRUE(loads(good)) << error;
    for (size_t i = 18; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] ^= 0x10;
        ASSERT_FALSE(loads(flipped)) << i;
    }
    std::string newer = good;
    newer[5] = 2;  // major version 2
    EXPECT_FALSE(loads(newer));
    EXPECT_NE(error.find("version 2.1"), std::string::npos) << error;
    EXPECT_FALSE(loads(good + "x"));

    std::string old = good;
    old[9] = 0;  // minor version 0: no checksum
    old.erase(13, 4);
    EXPECT_TRUE(loads(old)) << error;
    // The file may end right after the extension records, not inside the layout marker.
    CSistemaCartera bare;
    bare.AddOrder(Exec(true, "ACME", 10, 20.0));
    std::string body;
    CArchive ar(&body);
    bare.Serialize(ar);
    const std::string head = old.substr(0, 18 - 4);
    const size_t marker = body.size() - 4;  // no grids: the layout marker ends the body
    EXPECT_TRUE(loads(head + body.substr(0, marker))) << error;
    for (size_t cut = 1; cut < 4; ++cut) EXPECT_FALSE(loads(head + body.substr(0, marker + cut)));
}

// A process adding movements one by one (each saved at once) is killed at random moments;
// the file on disk must always load, holding every movement of some complete save.
TEST(PortfolioFileKillTest, KilledWhileSavingNeverLeavesATornFile) {
    char tmpl[] = "/tmp/cartera-kill-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string dir = tmpl;
    std::string path = dir + "/p.cartera";
    SetHomeFolder(dir);
    CMarketService service;
    CMarketService::SetCurrent(&service);
    {
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        std::string error;
        ASSERT_EQ(doc.SaveAs(path).message(), "");
    }
    for (int round = 0; round < 6; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CSistemaCartera ledger;
            PortfolioDocument doc(&ledger);
            std::string error;
            if (!doc.Load(path).ok()) _exit(3);
            for (int i = 0; i < 100000; ++i) {
                COrderCartera m = Exec(i % 2 == 0, "K" + std::to_string(i % 7), 1 + i % 9, 10.0);
                m.group = std::string(200, 'g');  // make every save a few hundred KB
                ledger.AddOrder(m);
            }
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 97 * round));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer finished or failed before the kill";
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        std::string error;
        ASSERT_TRUE((error = doc.Load(path).message()).empty())
            << "round " << round << ": " << error;
        const auto& orders = ledger.GetOrders();
        ASSERT_EQ(ledger.GetLastId(), orders.empty() ? 0u : orders.back().id);
        for (size_t i = 0; i < orders.size(); ++i) ASSERT_EQ(orders[i].id, i + 1);
    }
    // The next save clears the temporary files the killed writers left behind.
    {
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        std::string error;
        ASSERT_EQ(doc.Load(path).message(), "");
        ledger.AddOrder(Exec(true, "LAST", 1, 1.0));
        EXPECT_TRUE(doc.LastSaveError().empty());
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) ++files;
    EXPECT_EQ(files, 0);
    CMarketService::SetCurrent(nullptr);
    SetHomeFolder("");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace cartera::testing
