#include "model/change_log.h"

#include <random>
#include <tuple>

#include "host/archive.h"
#include "model/portfolio_file.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

constexpr const char* kPath = "/mem/p.cartera";

// The portfolio's bytes as a whole save writes them.
std::string Whole(CSistemaCartera& ledger) {
    std::string bytes;
    CArchive ar(&bytes);
    SerializePortfolio(ar, ledger);
    return bytes;
}

class ChangeLogTest : public LedgerTest {
  protected:
    // What path (with its log) loads as, in whole-file bytes; "" when it does not load.
    std::string Loaded(const std::string& path = kPath) {
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        Status loaded = doc.Load(path);
        lastError = loaded.message();
        return loaded.ok() ? Whole(ledger) : std::string();
    }
    std::string lastError;
};

// A log of a base and two changes, then each way its end can be torn or damaged.
TEST_F(ChangeLogTest, TornTailsAreDroppedAndDamageBeforeTheEndIsPlaced) {
    std::string log;
    AppendBaseRecord(&log, FileStamp{100, 7});
    AppendLogRecord(&log, LogType::remove, std::string(12, 'a'));
    const size_t second = log.size();
    AppendLogRecord(&log, LogType::remove, std::string(12, 'b'));
    LogContent whole = ReadLogRecords(log);
    ASSERT_EQ(whole.records.size(), 3u);
    EXPECT_TRUE(!whole.tornTail && LogAppliesTo(whole, FileStamp{100, 7}) &&
                !LogAppliesTo(whole, FileStamp{100, 8}));

    std::string flipped = log;
    flipped.back() ^= 1;
    std::string zeroed = log.substr(0, second + 3) + std::string(30, '\0');
    struct Case {
        std::string bytes;
        size_t records;
    };
    for (const Case& c :
         {Case{log.substr(0, second + 4), 2}, Case{log.substr(0, log.size() - 1), 2},
          Case{flipped, 2}, Case{zeroed, 2}}) {
        LogContent read = ReadLogRecords(c.bytes);
        EXPECT_EQ(std::tuple(read.tornTail, read.records.size(), read.wholeBytes),
                  std::tuple(true, c.records, second));
    }
    std::string middle = log;
    middle[second - 1] ^= 1;  // the first change's payload, with a whole record after it
    std::string noBase = log.substr(kLogHeaderBytes + 12);  // the changes alone
    for (const std::string& damaged : {middle, noBase}) {
        try {
            ReadLogRecords(damaged);
            ADD_FAILURE() << "damage read as sound";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::damaged);
            EXPECT_NE(std::string(e.what()).find("at byte "), std::string::npos) << e.what();
        }
    }
}

// Every way an append or a checkpoint can fail leaves the portfolio as it was before the
// change; a change that was reported saved is always read back.
TEST_F(ChangeLogTest, EachFailedAppendOrCheckpointStepLosesOnlyTheUnsavedChange) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    ASSERT_EQ(doc.SaveAs(kPath).message(), "");
    ledger.AddOrder(Cash(kImposition, 1, 100));
    ASSERT_EQ(doc.LastSaveError(), "");
    ASSERT_EQ(doc.Store().LogChanges(), 1u) << "a change is appended, not written whole";
    const std::string saved = Whole(ledger);
    ASSERT_EQ(Loaded(), saved) << lastError;

    // A torn append, cut after each of its bytes in turn.
    std::string record;
    AppendChangeRecord(&record, ledger, {LogChange::add, 0, 1});
    for (size_t cut = 0; cut < record.size(); ++cut) {
        CSistemaCartera live;
        PortfolioDocument liveDoc(&live);
        ASSERT_EQ(liveDoc.Load(kPath).message(), "");
        const std::string log = env.Files()[LogPath(kPath)];
        env.TearNextAppend(cut);
        live.AddOrder(Cash(kDeposit, 1, 5));
        EXPECT_NE(liveDoc.LastSaveError(), "");
        EXPECT_EQ(Loaded(), saved) << cut << ": " << lastError;
        env.Files()[LogPath(kPath)] = log;
    }
    // The append refused; a checkpoint whose file cannot be written.
    for (const char* failing : {".log", ".cartera"}) {
        CSistemaCartera live;
        PortfolioDocument liveDoc(&live);
        ASSERT_EQ(liveDoc.Load(kPath).message(), "");
        env.SetFailPaths(failing);
        if (failing == std::string(".log")) {
            live.AddOrder(Cash(kDeposit, 1, 5));
            EXPECT_NE(liveDoc.LastSaveError(), "");
        } else {
            EXPECT_FALSE(liveDoc.Compact().ok());
        }
        env.SetFailPaths("");
        EXPECT_EQ(Loaded(), saved) << failing << ": " << lastError;
    }
    // A checkpoint whose file is written but whose log cannot be emptied: the stale log is
    // not read again, and the next change writes the file whole.
    env.SetFailPaths(".log");
    ASSERT_EQ(doc.Compact().message(), "");
    env.SetFailPaths("");
    EXPECT_EQ(Loaded(), saved);
    ledger.AddOrder(Cash(kDeposit, 1, 7));
    EXPECT_EQ(Loaded(), Whole(ledger));
    EXPECT_EQ(env.Files()[kPath], Whole(ledger));
}

// Random changes through the log with checkpoints at random moments against the same
// changes each saved whole: the same journal every time, and after a checkpoint the
// same bytes.
TEST_F(ChangeLogTest, LoggedChangesMatchWholeSaves) {
    struct WholeSaves : PortfolioDocument {
        using PortfolioDocument::PortfolioDocument;
        void SaveChange(const LogChange&) override { DoFileSave(); }
    };
    CSistemaCartera logged, whole;
    PortfolioDocument loggedDoc(&logged);
    WholeSaves wholeDoc(&whole);
    ASSERT_EQ(loggedDoc.SaveAs(kPath).message(), "");
    ASSERT_EQ(wholeDoc.SaveAs("/mem/w.cartera").message(), "");
    std::mt19937 random(11);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 300; ++step) {
        const int what = pick(10);
        const size_t size = logged.GetOrders().size();
        for (CSistemaCartera* ledger : {&logged, &whole}) {
            std::mt19937 same(static_cast<unsigned>(step));
            COrderCartera m = same() % 2 ? Exec(same() % 2, "C" + std::to_string(same() % 4),
                                                1 + static_cast<int>(same() % 9), 10.0 + same() % 7)
                                         : Cash(kDeposit, 1, 1.0 + same() % 50);
            m.schedule = std::string(same() % 3, 's');
            if (what < 5 || size == 0) {
                ledger->AddOrder(m);
            } else if (what < 7) {
                ledger->AddOrders({m, m});
            } else if (what < 9) {
                m.id = ledger->GetOrders()[same() % size].id;
                ledger->ModOrder(m);
            } else {  // a delete, undone at once half the time
                const size_t place = same() % size;
                const COrderCartera gone = ledger->GetOrders()[place];
                ledger->DelOrder(gone.id);
                if (same() % 2) ledger->InsertOrders({{place, gone}});
            }
        }
        if (pick(25) == 0) {
            ASSERT_EQ(loggedDoc.Compact().message(), "");
            ASSERT_EQ(env.Files()[kPath], env.Files()["/mem/w.cartera"]) << step;
        }
        ASSERT_EQ(Loaded(), Loaded("/mem/w.cartera")) << step << ": " << lastError;
    }
    EXPECT_GT(loggedDoc.Store().LogChanges(), 0u);
}

// A process making changes (each reported once saved) is killed at random moments of its
// appends and checkpoints: the portfolio always loads, with every reported change and at
// most the one in flight.
TEST(ChangeLogKillTest, KillsLoseNoReportedChange) {
    char tmpl[] = "/tmp/cartera-log-kill-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, path = dir + "/p.cartera";
    SetHomeFolder(dir);
    CMarketService service;
    CMarketService::SetCurrent(&service);
    {
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        ASSERT_EQ(doc.SaveAs(path).message(), "");
    }
    std::mt19937 random(5);
    size_t held = 0;
    for (int round = 0; round < 200; ++round) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            CSistemaCartera ledger;
            PortfolioDocument doc(&ledger);
            if (!doc.Load(path).ok()) _exit(3);
            for (uint32_t i = 1;; ++i) {
                ledger.AddOrder(Cash(kDeposit, 1, ledger.GetOrders().size() + 1.0));
                if (!doc.LastSaveError().empty() || (i % 5 == 0 && !doc.Compact().ok())) _exit(4);
                if (write(pipeFds[1], &i, sizeof i) != sizeof i) _exit(5);
            }
        }
        close(pipeFds[1]);
        // The kill comes at a random moment after the first change was reported, however
        // long loading takes (a sanitized build is many times slower).
        uint32_t reported = 0, n = 0;
        if (read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 8000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        while (read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
        close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped before the kill";
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        ASSERT_EQ(doc.Load(path).message(), "") << "round " << round;
        const auto& orders = ledger.GetOrders();
        ASSERT_GE(orders.size(), held + reported) << round;
        ASSERT_LE(orders.size(), held + reported + 1) << round;
        for (size_t i = 0; i < orders.size(); ++i) ASSERT_EQ(orders[i].price, i + 1.0) << round;
        held = orders.size();
    }
    EXPECT_GE(held, 200u);
    {  // a checkpoint clears the temporary files of the killed ones
        CSistemaCartera ledger;
        PortfolioDocument doc(&ledger);
        ASSERT_EQ(doc.Load(path).message(), "");
        ASSERT_EQ(doc.Compact().message(), "");
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
    CMarketService::SetCurrent(nullptr);
    SetHomeFolder("");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace cartera::testing
