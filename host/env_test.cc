#include "host/env.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "testing/faulty_env.h"

namespace {

namespace fs = std::filesystem;
using cartera::Env;
using cartera::ErrorKind;
using cartera::FileBytes;
using ::testing::HasSubstr;

class PosixEnvTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cartera-env-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    Env* env() { return cartera::PosixEnv(); }
    std::string Read(const std::string& path) {
        std::string data;
        EXPECT_EQ(env()->ReadFile(path, &data).message(), "") << path;
        return data;
    }
    std::string m_dir;
};

TEST_F(PosixEnvTest, WriteReplaceAndReadBackOrReportFailuresLeavingNothingBehind) {
    std::string path = m_dir + "/book.cartera", data;
    EXPECT_FALSE(env()->FileExists(path));
    for (const std::string& content :
         {std::string("first"), std::string("a\0b\xff", 4), std::string()}) {
        ASSERT_EQ(env()->WriteFileAtomic(path, content).message(), "");
        EXPECT_EQ(Read(path), content);
    }
    // A file of a megabyte or more is mapped, and keeps its bytes when the file is replaced.
    for (const std::string& content : {std::string("small"), std::string(3 << 20, 'm') + "end"}) {
        ASSERT_EQ(env()->WriteFileAtomic(path, content).message(), "");
        FileBytes bytes;
        ASSERT_EQ(env()->ReadFileBytes(path, &bytes).message(), "");
        ASSERT_EQ(env()->WriteFileAtomic(path, "replaced").message(), "");
        EXPECT_EQ(std::tuple(bytes.View() == content, bytes.Mapped()),
                  std::tuple(true, content.size() > 5));
    }
    // Replacing left nothing but the file itself; a folder is not a file.
    EXPECT_TRUE(env()->FileExists(path) && !env()->FileExists(m_dir));
    EXPECT_EQ(Listing(), std::vector<std::string>{"book.cartera"});
    ASSERT_TRUE(fs::remove(path));

    // Failures report and leave nothing behind; a folder where the file should go fails the
    // rename, and the temporary file goes away.
    EXPECT_THAT(env()->WriteFileAtomic(m_dir + "/missing/book.cartera", "data").message(),
                HasSubstr("missing"));
    ASSERT_TRUE(fs::create_directory(m_dir + "/taken"));
    EXPECT_FALSE(env()->WriteFileAtomic(m_dir + "/taken", "data").ok());
    EXPECT_EQ(Listing(), std::vector<std::string>{"taken"});
    EXPECT_THAT(env()->ReadFile(m_dir + "/nothing", &data).message(), HasSubstr("nothing"));
    FileBytes none;
    EXPECT_EQ(env()->ReadFileBytes(m_dir + "/nothing", &none).kind(), ErrorKind::not_found);

    ASSERT_EQ(env()->CreateDirs(m_dir + "/a/b/c").message(), "");
    EXPECT_TRUE(fs::is_directory(m_dir + "/a/b/c"));
    EXPECT_EQ(env()->CreateDirs(m_dir + "/a/b/c").message(), "");  // already there is fine
    ASSERT_EQ(env()->WriteFileAtomic(m_dir + "/file", "x").message(), "");
    EXPECT_FALSE(env()->CreateDirs(m_dir + "/file/sub").ok());
}

// Runs work(i) for i = 0, 1, ... in a child until a random moment after its first round,
// then kills it and calls check(round), eight rounds in all.
void KillRepeatedly(const std::function<bool(int)>& work, const std::function<void(int)>& check) {
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> delayUs(0, 25000);
    for (int round = 0; round < 8; ++round) {
        int pipefd[2];
        ASSERT_EQ(pipe(pipefd), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The child works until it is killed, and says when a round completed.
            close(pipefd[0]);
            alarm(30);  // never outlive a parent that failed to kill it
            for (int i = 0;; ++i) {
                if (!work(i)) _exit(2);
                char c = 1;
                if (write(pipefd[1], &c, 1) != 1) _exit(3);
            }
        }
        close(pipefd[1]);
        char c;
        ASSERT_EQ(read(pipefd[0], &c, 1), 1);  // at least one round went through
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        close(pipefd[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        check(round);
    }
}

TEST_F(PosixEnvTest, AKilledSaveLeavesTheOldOrTheNewContent) {
    // Large enough that a kill often lands in the middle of a write.
    const std::string a(3 << 20, 'a'), b((7 << 20) / 2, 'b');
    const std::string path = m_dir + "/book.cartera", bak = path + ".bak";
    ASSERT_TRUE(env()->WriteFileAtomic(path, a).ok());
    std::string data;
    KillRepeatedly(
        [&](int i) { return cartera::PosixEnv()->WriteFileAtomic(path, i % 2 ? a : b).ok(); },
        [&](int round) {
            data = Read(path);
            ASSERT_TRUE(data == a || data == b) << "round " << round << ": " << data.size();
        });

    // The next save works, and clears the temporary files the killed writers left.
    ASSERT_TRUE(env()->WriteFileAtomic(path, "after").ok());
    EXPECT_EQ(Read(path), "after");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"book.cartera"}));
}

TEST_F(PosixEnvTest, ASaveKeepsModeLinksAndRefusesReadOnlyFilesAndALockHasOneHolder) {
    const std::string path = m_dir + "/book.cartera", link = m_dir + "/link.cartera";
    ASSERT_EQ(env()->WriteFileAtomic(path, "one").message(), "");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(env()->WriteFileAtomic(path, "two").message(), "");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    fs::create_symlink("book.cartera", link);
    ASSERT_EQ(env()->WriteFileAtomic(link, "three").message(), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(path), "three");

    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_THAT(env()->WriteFileAtomic(link, "five").message(), HasSubstr("read-only"));
    EXPECT_EQ(Read(path), "three");
    uint64_t size = 0;
    EXPECT_TRUE(env()->GetFileSize(m_dir + "/none", &size).IsNotFound());
    ASSERT_TRUE(env()->GetFileSize(link, &size).ok());
    EXPECT_EQ(size, 5u);  // the target's

    // A lock is held by one holder at a time.
    std::unique_ptr<cartera::FileLock> first, second;
    ASSERT_EQ(env()->LockFile(path, 0, &first).message(), "");
    ASSERT_TRUE(first);
    cartera::Status taken = env()->LockFile(path, 50, &second);
    EXPECT_EQ(taken.kind(), cartera::ErrorKind::locked);
    EXPECT_FALSE(second);
    EXPECT_NE(taken.message().find(path), std::string::npos) << taken.message();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        first.reset();
    });
    EXPECT_EQ(env()->LockFile(path, 5000, &second).message(), "");  // waits for the holder
    release.join();
    // Readers share the lock; a writer waits for them all.
    using cartera::LockMode;
    second.reset();
    ASSERT_TRUE(env()->LockFile(path, 0, &first, LockMode::shared).ok());
    ASSERT_TRUE(env()->LockFile(path, 0, &second, LockMode::shared).ok());
    std::unique_ptr<cartera::FileLock> writer;
    EXPECT_EQ(env()->LockFile(path, 20, &writer).kind(), ErrorKind::locked);

    // An append goes to the link's target in place, cut back to where it was asked to go,
    // and clears what a killed writer of the file left.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string stale = m_dir + "/.book.cartera.tmp-" + std::to_string(gone) + "-1";
    ASSERT_EQ(env()->WriteFileAtomic(stale, "left").message(), "");
    ASSERT_EQ(env()->AppendAt(link, 3, "ee").message(), "");  // "thr" + "ee"
    EXPECT_EQ(Read(path), "three");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(env()->AppendAt(path, 9, "x").kind(), ErrorKind::io);  // shorter than asked
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(env()->AppendAt(path, 5, "x").kind(), ErrorKind::denied);
    ASSERT_EQ(mkfifo((m_dir + "/fifo").c_str(), 0600), 0);  // refused, never waited on
    EXPECT_EQ(env()->AppendAt(m_dir + "/fifo", 0, "x").kind(), ErrorKind::invalid_input);
    EXPECT_EQ(Read(path), "three");
}

// Another program cutting a mapped file short makes what is gone read as zeros, and the
// reader is told, instead of the process ending with SIGBUS.
TEST_F(PosixEnvTest, AMappedFileCutShortIsToldNotACrash) {
    const std::string path = m_dir + "/big.cartera", content(3 << 20, 'b');
    ASSERT_TRUE(env()->WriteFileAtomic(path, content).ok());
    FileBytes bytes;
    ASSERT_TRUE(env()->ReadFileBytes(path, &bytes).ok() && bytes.Mapped());
    EXPECT_FALSE(bytes.CutShort());
    fs::resize_file(path, 1 << 20);
    const std::string_view view = bytes.View();
    EXPECT_EQ(std::count(view.begin(), view.end(), 'b'), 1 << 20);
    EXPECT_TRUE(bytes.CutShort());
}

// Each step of a save and of a restore failed in turn: the file holds the old or the new
// content, the save reports failure exactly when the new content is not in place, and the
// backup changes only with a save that put its new content in place.
TEST_F(PosixEnvTest, AFailedStepLeavesTheOldOrTheNewFileAndBackup) {
    using cartera::SaveStep;
    const std::string path = m_dir + "/book.cartera", bak = path + ".bak";
    const std::string old(100000, 'o'), young(150000, 'n'), previous = "previous";
    const std::vector<std::string> both = {"book.cartera", "book.cartera.bak"};
    std::string error, data, backup;
    for (SaveStep step :
         {SaveStep::open, SaveStep::write, SaveStep::shortWrite, SaveStep::fsync, SaveStep::close,
          SaveStep::linkBackup, SaveStep::rename, SaveStep::renameBackup, SaveStep::syncFolder,
          SaveStep::cleanUp, SaveStep::stat, SaveStep::access}) {
        for (int errorNumber : {EIO, ENOSPC}) {
            ASSERT_TRUE(env()->WriteFileAtomic(path, old).ok());
            ASSERT_TRUE(env()->WriteFileAtomic(bak, previous).ok());
            auto faulty = cartera::MakeFaultyPosixEnv(step, errorNumber);
            bool saved = (error = faulty->WriteFileWithBackup(path, young, bak).message()).empty();
            data = Read(path), backup = Read(bak);
            int n = static_cast<int>(step);
            ASSERT_TRUE(data == (saved ? young : old)) << n << " " << data.size();
            bool late = (step >= SaveStep::renameBackup && step <= SaveStep::cleanUp) ||
                        step == SaveStep::shortWrite;
            EXPECT_EQ(saved, late) << n << ": " << error;
            EXPECT_EQ(backup, saved && step != SaveStep::renameBackup ? old : previous) << n;
            EXPECT_TRUE(saved || error.find(std::strerror(errorNumber)) != std::string::npos);
            EXPECT_EQ(Listing(), both) << n;
        }
    }
    // An append failed at each step: reported saved exactly when its bytes are in the file,
    // and then whole; a close failing after the sync does not undo the save.
    for (SaveStep step :
         {SaveStep::stat, SaveStep::access, SaveStep::open, SaveStep::truncate, SaveStep::write,
          SaveStep::shortWrite, SaveStep::fsync, SaveStep::close}) {
        for (int errorNumber : {EIO, ENOSPC}) {
            ASSERT_TRUE(env()->WriteFileAtomic(path, old + "torn").ok());
            auto faulty = cartera::MakeFaultyPosixEnv(step, errorNumber);
            error = faulty->AppendAt(path, old.size(), young).message();
            data = Read(path);
            EXPECT_EQ(error.empty(), step == SaveStep::shortWrite || step == SaveStep::close)
                << static_cast<int>(step) << ": " << error;
            EXPECT_TRUE(error.empty() ? data == old + young : data == old || data == old + "torn")
                << static_cast<int>(step) << ": " << data.size();
        }
    }
}

}  // namespace
