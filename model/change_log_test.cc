#include "model/change_log.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "host/archive.h"
#include "host/coding.h"
#include "host/crc32c.h"
#include "model/legacy_log.h"
#include "model/portfolio_file.h"
#include "testing/faulty_env.h"
#include "testing/mem_env.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

constexpr const char* kPath = "/mem/p.cartera";

// The journal's stored fields, movement after movement, so journals compare whole.
std::string Bytes(const CArrayOrders& orders) {
    std::string out;
    CArchive ar(&out);
    for (const COrderCartera& m : orders) WriteWholeMovement(ar, m);
    return out;
}

// What path on ctx loads as (the journal's bytes), or "" with the failure in *error.
std::string Loaded(const Context& ctx, const std::string& path, std::string* error = nullptr,
                   std::vector<std::string>* warnings = nullptr) {
    CSistemaCartera ledger{ctx};
    PortfolioDocument doc(&ledger, ctx.env);
    Status loaded = doc.Load(path);
    if (error) *error = loaded.ok() ? "" : loaded.message();
    if (warnings) *warnings = doc.Warnings();
    return loaded.ok() ? Bytes(ledger.GetOrders()) : std::string();
}

class ChangeLogTest : public LedgerTest {
  protected:
    // A portfolio at kPath made of a base, a checkpoint's history and records of every kind
    // of step, with the journal after each record and where each record ends.
    void MakeFile() {
        CSistemaCartera ledger{ctx};
        PortfolioDocument doc(&ledger, &env);
        ASSERT_EQ(doc.SaveAs(kPath).message(), "");
        ledger.AddOrder(Exec(true, "SAN.MC", 100, 4.25));
        ledger.AddOrder(Cash(kImposition, 1, 10000));
        ASSERT_EQ(doc.Compact().message(), "");  // a base with the two steps in its history
        base = env.Files()[kPath].size();
        auto note = [&] {
            journals.push_back(Bytes(ledger.GetOrders()));
            ends.push_back(env.Files()[kPath].size());
        };
        note();
        ledger.AddOrders({Exec(false, "SAN.MC", 40, 4.6), Cash(kDeposit, 1, 5)}, {}, {2});
        note();
        COrderCartera changed = ledger.GetOrders()[0];
        changed.price = 4.3;
        ledger.ModOrder(changed);
        note();
        ASSERT_TRUE(doc.Store().TakeBack(ledger));
        note();
        ASSERT_TRUE(doc.Store().PutBack(ledger));
        note();
        ledger.DelOrder(changed.id);
        note();
        ASSERT_EQ(doc.LastSaveError(), "");
        ASSERT_EQ(doc.Store().RecordCount(), 5u);
    }
    size_t base = 0;
    std::vector<std::string> journals;
    std::vector<size_t> ends;
};

// A copy cut anywhere in its records loads every change whose record is whole, warning of
// the one cut short; zeros a crash leaves after whole records read as a cut. Every flipped
// byte anywhere is refused as damage, naming the place, and never read as a cut.
TEST_F(ChangeLogTest, ACutTailDropsOneChangeAndEveryFlipIsRefused) {
    MakeFile();
    const std::string file = env.Files()[kPath];
    std::string error;
    std::vector<std::string> warnings;
    for (size_t cut = base; cut <= file.size(); ++cut) {
        const size_t whole = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin();
        for (const std::string& tail : {std::string(), std::string(40, '\0')}) {
            if (!tail.empty() && cut != ends[whole - 1]) continue;
            env.Files()[kPath] = file.substr(0, cut) + tail;
            ASSERT_EQ(Loaded(ctx, kPath, &error, &warnings), journals[whole - 1]) << cut << error;
            const bool torn = !tail.empty() || cut != ends[whole - 1];
            ASSERT_EQ(warnings.size(), torn ? 1u : 0u) << cut;
        }
    }
    for (size_t i = 0; i < file.size(); ++i) {
        env.Files()[kPath] = file;
        env.Files()[kPath][i] ^= 0x20;
        ASSERT_EQ(Loaded(ctx, kPath, &error), "") << "flip at " << i;
        ASSERT_TRUE(i < base || error.find("damaged at byte") != std::string::npos) << error;
    }
}

// Each step of an append or of a checkpoint failing on the real file system, or the writer
// killed there: a change reported saved is in the file, one reported failed is not (a killed
// one may be either), and the next save writes the window's journal whole. A refused save
// does the same.
TEST_F(ChangeLogTest, AFailedOrKilledStepNeverMisreportsAChange) {
    RedirectEnv files(PosixEnv());  // the real file system, a faulty one for a step
    const Context disk{&files, ctx.clock, ctx.home, Language::en};
    char dir[] = "/tmp/cartera-steps-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/p.cartera";
    std::string error;
    for (int s = 0; s <= static_cast<int>(SaveStep::truncate); ++s) {
        for (int errorNumber : {EIO, ENOSPC, 0}) {
            CSistemaCartera ledger{disk};
            PortfolioDocument doc(&ledger, &files);
            ASSERT_EQ(doc.SaveAs(path).message(), "");
            ledger.AddOrder(Cash(kDeposit, 1, 1));
            auto faulty = MakeFaultyPosixEnv(static_cast<SaveStep>(s), errorNumber);
            // An append, then an import too large for one: the file is written whole.
            for (size_t count : {1, 1500}) {
                const std::string before = Bytes(ledger.GetOrders());
                const CArrayOrders batch(count, Cash(kDeposit, 1, 2));
                pid_t child = errorNumber ? 0 : fork();
                if (child == 0) {
                    files.Redirect(faulty.get());
                    ledger.AddOrders(batch);
                    files.Redirect(PosixEnv());
                    if (!errorNumber) _exit(0);
                } else {  // the same change in memory alone, to compare
                    waitpid(child, nullptr, 0);
                    ledger.SetDocumento(nullptr);
                    ledger.AddOrders(batch);
                    ledger.SetDocumento(&doc);
                }
                const std::string loaded = Loaded(disk, path, &error);
                const bool saved =
                    errorNumber ? doc.LastSaveError().empty() : loaded == Bytes(ledger.GetOrders());
                ASSERT_EQ(loaded, saved ? Bytes(ledger.GetOrders()) : before)
                    << s << " " << errorNumber << " " << count << ": " << error;
                if (!errorNumber) {
                    ASSERT_EQ(doc.SaveAs(path).message(), "");
                }
                ledger.AddOrder(Cash(kDeposit, 1, 3));  // written whole when the last failed
                ASSERT_EQ(Loaded(disk, path), Bytes(ledger.GetOrders())) << s;
            }
        }
    }
    std::filesystem::remove_all(dir);
    CSistemaCartera ledger{ctx};
    PortfolioDocument doc(&ledger, &env);
    ASSERT_EQ(doc.SaveAs(kPath).message(), "");
    env.SetReadOnlyPaths(".cartera");
    ledger.AddOrder(Cash(kDeposit, 1, 1));
    EXPECT_EQ(doc.LastSaveErrorKind(), ErrorKind::denied);
    env.SetReadOnlyPaths("");
    ledger.AddOrder(Cash(kDeposit, 1, 2));
    EXPECT_EQ(Loaded(ctx, kPath), Bytes(ledger.GetOrders()));
}

// A plain list of movements with a stack of its states stands for the journal and its
// steps: random changes, checkpoints, restores, redos and reopenings through the file give
// the list's journal every time.
TEST_F(ChangeLogTest, RandomStepsMatchAPlainList) {
    auto ledger = std::make_unique<CSistemaCartera>(ctx);
    auto doc = std::make_unique<PortfolioDocument>(ledger.get(), &env);
    ASSERT_EQ(doc->SaveAs(kPath).message(), "");
    std::vector<std::string> done = {Bytes({})}, undone;  // the list's states
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int step = 0; step < 400; ++step) {
        const CArrayOrders& orders = ledger->GetOrders();
        COrderCartera m =
            pick(2) ? Exec(pick(2), "C" + std::to_string(pick(3)), 1 + pick(9), 10.0 + pick(7))
                    : Cash(kDeposit, 1, 1.0 + pick(50));
        const size_t what = pick(12);
        const std::string before = Bytes(orders);
        if (what < 3 || orders.empty()) {
            ledger->AddOrder(m);
        } else if (what < 5) {
            ledger->AddOrders({m, m}, {}, {orders[pick(orders.size())].id});
        } else if (what < 6) {
            m.id = orders[pick(orders.size())].id;
            ledger->ModOrder(m);
        } else if (what < 8) {
            ledger->DelOrders({orders[pick(orders.size())].id, orders.back().id});
        } else if (what < 10) {
            const bool redo = what == 9;
            const bool possible = redo ? !undone.empty() : done.size() > 1;
            ASSERT_EQ(redo ? doc->Store().PutBack(*ledger) : doc->Store().TakeBack(*ledger),
                      possible);
            if (possible && redo) done.push_back(undone.back()), undone.pop_back();
            if (possible && !redo) undone.push_back(done.back()), done.pop_back();
        } else if (what == 10) {
            ASSERT_EQ(doc->Compact().message(), "");
        } else {  // another program's turn: the file read afresh, steps and all
            doc.reset();
            ledger = std::make_unique<CSistemaCartera>(ctx);
            doc = std::make_unique<PortfolioDocument>(ledger.get(), &env);
            ASSERT_EQ(doc->Load(kPath).message(), "");
        }
        if (what < 8 && Bytes(ledger->GetOrders()) != before) {
            done.push_back(Bytes(ledger->GetOrders()));
            undone.clear();
            if (done.size() > UndoHistory::kDepth + 1) done.erase(done.begin());
        }
        ASSERT_EQ(Bytes(ledger->GetOrders()), done.back()) << step;
        ASSERT_EQ(Loaded(ctx, kPath), done.back()) << step;
    }
}

// A file of the earlier layout with the change log it kept beside it loads whole, and its
// first change writes both into the file alone.
TEST_F(ChangeLogTest, AnEarlierVersionsLogIsFoldedIn) {
    CSistemaCartera ledger{ctx};
    ledger.AddOrder(Cash(kImposition, 1, 100));
    std::string file;
    CArchive ar(&file);
    ar.SetObjectSchema(kExactQuantitySchema - 1);
    SerializePortfolio(ar, ledger);
    file[9] = 2;  // version 1.2: no length after the checksum
    file.erase(17, 8);
    std::string log, payload;
    PutFixed64(&payload, file.size());
    PutFixed32(&payload, DecodeFixed32(&file[13]));
    auto record = [&](uint8_t type, const std::string& bytes) {
        std::string head;
        PutFixed32(&head, static_cast<uint32_t>(bytes.size()));
        head.push_back(static_cast<char>(type));
        log += head;
        PutFixed32(&log, Crc32c(Crc32c(head), bytes));
        log += bytes;
    };
    record(1, payload);
    ledger.AddOrder(Cash(kDeposit, 1, 7));
    payload.clear();
    CArchive change(&payload);
    change.SetObjectSchema(kExactQuantitySchema - 1);
    change.WriteU32(2);
    change.WriteI32(-1);
    change.WriteU32(1);
    WriteWholeMovement(change, ledger.GetOrders().back());
    record(2, payload);
    env.Files()[kPath] = file;
    env.Files()[LegacyLogPath(env, kPath)] = log;
    std::string error;
    ASSERT_EQ(Loaded(ctx, kPath, &error), Bytes(ledger.GetOrders())) << error;
    CSistemaCartera reopened{ctx};
    PortfolioDocument doc(&reopened, &env);
    ASSERT_EQ(doc.Load(kPath).message(), "");
    reopened.AddOrder(Cash(kDeposit, 1, 8));
    EXPECT_FALSE(env.FileExists(LegacyLogPath(env, kPath)));
    EXPECT_EQ(Loaded(ctx, kPath), Bytes(reopened.GetOrders()));
    EXPECT_EQ(reopened.GetOrders().size(), 3u);
}

// A writer killed at random moments of its buys, imports, checkpoints and restores, and a
// copy of the file taken at a random moment while it works: the file always loads with every
// change reported before the kill and at most the one in flight, the copy with every change
// reported before it was taken. What each change leaves is worked out again in memory.
TEST(ChangeLogKillTest, KillsAndCopiesLoseNoReportedChange) {
    char tmpl[] = "/tmp/cartera-kill-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl, path = dir + "/p.cartera", copy = dir + "/copy.cartera";
    const Context disk{PosixEnv(), {}, dir, Language::en};
    CMarketService service;
    CMarketService::SetCurrent(&service);
    // The i-th change of a writer: buys, an import, a checkpoint, a restore.
    auto change = [](uint32_t i, CSistemaCartera& ledger, PortfolioDocument& doc) {
        if (i % 6 == 3) return (void)ledger.AddOrders(CArrayOrders(3, Cash(kDeposit, 1, i)));
        if (i % 6 == 4) return (void)doc.Compact();
        if (i % 6 == 5) return (void)doc.Store().TakeBack(ledger);
        ledger.AddOrder(Cash(kDeposit, 1, i));
    };
    {
        CSistemaCartera ledger{disk};
        PortfolioDocument doc(&ledger, disk.env);
        ASSERT_EQ(doc.SaveAs(path).message(), "");
    }
    std::mt19937 random(5);
    const char* rounds = std::getenv("CARTERA_KILL_ROUNDS");  // more for a longer campaign
    for (int round = 0; round < (rounds ? std::atoi(rounds) : 250); ++round) {
        std::string start;
        ASSERT_EQ(PosixEnv()->ReadFile(path, &start).message(), "");
        if (start.size() > 100000) {  // begun again, so a round costs what its changes do
            CSistemaCartera ledger{disk};
            PortfolioDocument doc(&ledger, disk.env);
            ASSERT_EQ(doc.SaveAs(path).message(), "");
            ASSERT_EQ(PosixEnv()->ReadFile(path, &start).message(), "");
        }
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFds[0]);
            CSistemaCartera ledger{disk};
            PortfolioDocument doc(&ledger, disk.env);
            if (!doc.Load(path).ok()) _exit(3);
            for (uint32_t i = 1;; ++i) {
                change(i, ledger, doc);
                if (!doc.LastSaveError().empty()) _exit(4);
                if (write(pipeFds[1], &i, sizeof i) != sizeof i) _exit(5);
            }
        }
        close(pipeFds[1]);
        uint32_t reported = 0, n = 0, beforeCopy = 0;
        if (read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        while (read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
        beforeCopy = reported;
        // Copied as cp copies: one open file read to its end. (std::filesystem::copy_file takes
        // the size from a look at the path before it opens it, so a checkpoint renamed in
        // between gives it a new file cut at the old one's size.)
        std::string bytes;
        const bool copiedOk = PosixEnv()->ReadFile(path, &bytes).ok() &&
                              PosixEnv()->WriteFileAtomic(copy, bytes).ok();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        fcntl(pipeFds[0], F_SETFL, 0);
        while (read(pipeFds[0], &n, sizeof n) == sizeof n) reported = n;
        close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped before the kill";
        // The journal after each change of the round, made again in memory.
        std::vector<std::string> after;
        {
            MemEnv mem;
            mem.Files()["/p"] = start;
            CSistemaCartera ledger{Context{&mem, {}, dir, Language::en}};
            PortfolioDocument doc(&ledger, &mem);
            ASSERT_TRUE(doc.Load("/p").ok());
            after.push_back(Bytes(ledger.GetOrders()));
            for (uint32_t i = 1; i <= reported + 1; ++i) {
                change(i, ledger, doc);
                after.push_back(Bytes(ledger.GetOrders()));
            }
        }
        std::string error;
        const std::string now = Loaded(disk, path, &error);
        ASSERT_TRUE(now == after[reported] || now == after[reported + 1])
            << "round " << round << ": " << error;
        const std::string copied = Loaded(disk, copy, &error);
        ASSERT_TRUE(copiedOk &&
                    std::find(after.begin() + beforeCopy, after.end(), copied) != after.end())
            << "round " << round << ": the copy lost a change " << error;
    }
    {  // a checkpoint clears the temporary files of the killed ones
        CSistemaCartera ledger{disk};
        PortfolioDocument doc(&ledger, disk.env);
        ASSERT_EQ(doc.Load(path).message(), "");
        ASSERT_EQ(doc.Compact().message(), "");
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
    CMarketService::SetCurrent(nullptr);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace cartera::testing
