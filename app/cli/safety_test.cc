// Journals kept whole: concurrent writers, unreadable files, lost output, backups, special
// files and the kinds of file errors.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "host/env.h"
#include "testing/faulty_env.h"
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using SafetyTest = CliTest;
namespace fs = std::filesystem;

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
    const std::vector<std::string> add = Bracket("New", "0", "1");
    const std::string portfolio = Bytes(p);
    Write(file, good.substr(0, 5));  // damaged
    for (const auto& args : {add, buy, std::vector<std::string>{"commissions", "list"}})
        EXPECT_THAT(Fails(3, args), HasSubstr(file)) << args[0];
    EXPECT_EQ(std::pair(Bytes(file), Bytes(p)), std::pair(good.substr(0, 5), portfolio));

    fs::rename(file, file + ".saved");  // missing: an empty set of schedules
    fs::create_directory(file);         // exists, cannot be read
    EXPECT_THAT(Fails(1, add), HasSubstr("cannot read"));
    Fails(1, buy);
    EXPECT_TRUE(fs::is_directory(file) && Load(p)->ledger->GetOrders().empty());
    fs::remove(file);
    Ok(add);
}

struct FailingBuffer : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
};

TEST_F(SafetyTest, SpecialFilesAreNeverReplacedAndLostOutputSaysWhetherTheChangeWasMade) {
    const std::string p = NewPortfolio();
    // Only regular files are replaced, a FIFO takes results as a stream, and a save through
    // a symbolic link keeps its backup beside the target.
    const std::string fifo = home + "/out.fifo", dangling = home + "/dangling.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(home + "/nothing", dangling);
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Ok({"export", p, "journal", "--out", fifo});
    char buf[64] = {};
    EXPECT_GT(::read(reader, buf, sizeof buf), 0);
    ::close(reader);
    Fails(2, {"export", p, "journal", "--out", dangling});
    const std::string folder = fs::path(p).parent_path().string();
    ASSERT_EQ(::mkfifo((folder + "/f.cartera").c_str(), 0600), 0);
    Fails(2, {"new", "f", "--force"});
    Fails(2, {"restore", folder + "/f.cartera"});
    Fails(2, {"show", folder});
    EXPECT_TRUE(fs::is_fifo(fifo) && fs::is_fifo(folder + "/f.cartera"));
    EXPECT_TRUE(fs::is_symlink(dangling));
    // A statement is read from a FIFO as from a pipe: nothing sought, its head read once.
    const std::string source = NewPortfolio("source"), in = home + "/in.fifo";
    Ok({"cash", source, "--type", "deposit", "--amount", "5"});
    const std::string journal = Run({"export", source, "journal"}).out;
    ASSERT_EQ(::mkfifo(in.c_str(), 0600), 0);
    const int held = ::open(in.c_str(), O_RDONLY | O_NONBLOCK);  // so the write need not wait
    std::ofstream(in) << journal;
    EXPECT_EQ(Ok({"import", NewPortfolio("q"), in}), "1\n");
    ::close(held);

    const std::string link = home + "/link.cartera";
    fs::create_symlink(p, link);
    const std::string before = Run({"export", p, "journal"}).out;
    Ok({"cash", link, "--type", "deposit", "--amount", "5"});
    Ok({"compact", link});
    Ok({"restore", link});
    EXPECT_EQ(Run({"export", p, "journal"}).out, before);
    EXPECT_TRUE(fs::exists(p + ".bak") && fs::is_symlink(link) && !fs::exists(link + ".bak"));

    // Output lost after the change was saved has a status of its own, so a script does not
    // make the change twice; a closed pipe is such a loss, not a death by SIGPIPE.
    FailingBuffer buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    EXPECT_EQ(Run({"export", p, "journal"}, out, err), 1);
    EXPECT_EQ(Run({"cash", p, "--type", "deposit", "--amount", "5"}, out, err), 7);
    EXPECT_EQ(err.str(),
              "cartera-cli: cannot write the output\ncartera-cli: warning: the change was saved, "
              "but its output could not be written\n");
    EXPECT_EQ(Load(p)->ledger->GetOrders().size(), 1u);

    int pipefd[2];
    ASSERT_EQ(::pipe(pipefd), 0);
    ::close(pipefd[0]);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
        ::dup2(pipefd[1], STDOUT_FILENO);
        ::execl(CARTERA_CLI_PATH, "cartera-cli", "--home", home.c_str(), "cash", p.c_str(),
                "--type", "deposit", "--amount", "6", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipefd[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    EXPECT_EQ(Load(p)->ledger->GetOrders().size(), 2u);
}

// Restore takes back one change at a time, across checkpoints, says which, and puts back
// with --redo; a refused one changes nothing. A copy of the file holds every change. A file
// error gives the system's reason and its kind, not "locked", "read-only" or "no portfolio
// file".
TEST_F(SafetyTest, RestoreTakesBackOneChangeAtATimeAndFileErrorsHaveTheirOwnKinds) {
    const std::string p = NewPortfolio();
    EXPECT_THAT(Fails(5, {"restore", p}), HasSubstr("nothing to take back"));
    auto journal = [&](const std::string& path) { return Run({"export", path, "journal"}).out; };
    const std::string none = journal(p);
    Ok({"buy", p, "--code", "A", "--contracts", "1", "--price", "1", "--date", "2026-12-07"});
    const std::string one = journal(p);
    Ok({"compact", p});
    Ok({"buy", p, "--code", "B", "--contracts", "2", "--price", "1", "--date", "2026-12-05"});
    const std::string two = journal(p);
    fs::copy_file(p, home + "/copy.cartera");
    EXPECT_EQ(journal(home + "/copy.cartera"), two);
    const fs::perms readWrite = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(p, readWrite);
    EXPECT_EQ(Ok({"restore", p}), "took back: add of B B 2 (2026-12-05)\n");
    EXPECT_EQ(std::pair(journal(p), fs::status(p).permissions() & fs::perms::all),
              std::pair(one, readWrite));
    Ok({"restore", p});  // the change before it, from before the checkpoint
    EXPECT_EQ(journal(p), none);
    Fails(5, {"restore", p});
    EXPECT_EQ(Ok({"restore", p, "--redo"}), "put back: add of B A 1 (2026-12-07)\n");
    fs::permissions(p, fs::perms::owner_read);
    Fails(6, {"restore", p, "--redo"});
    fs::permissions(p, readWrite);
    Ok({"restore", p, "--redo"});
    EXPECT_EQ(journal(p), two);

    AddBroker();  // so no missing file is looked for
    Ok({"cash", p, "--type", "deposit", "--amount", "5"});
    const std::string backup = Bytes(p + ".bak");
    EXPECT_THAT(Fails(2, {"new", std::string(300, 'n')}), HasSubstr("too long"));
    using Case = std::tuple<SaveStep, int, int, std::vector<std::string>>;  // error, status
    for (const auto& [step, errorNumber, code, args] :
         {Case{SaveStep::lock, EACCES, 6, {"delete", home + "/none.cartera", "1"}},
          Case{SaveStep::stat, EIO, 1, {"show", p, "totals"}},
          Case{SaveStep::access, EIO, 1, {"cash", p, "--type", "deposit", "--amount", "6"}}}) {
        auto faulty = MakeFaultyPosixEnv(step, errorNumber);
        context.env = faulty.get();
        RunResult r = Run(args);
        context.env = PosixEnv();
        EXPECT_EQ(r.code, code) << r.err;
        if (code != 0) {
            EXPECT_THAT(r.err, HasSubstr(std::strerror(errorNumber)));
        }
    }
    fs::permissions(p, fs::perms::owner_read);
    EXPECT_THAT(Fails(6, {"cash", p, "--type", "deposit", "--amount", "7"}),
                HasSubstr("read-only"));
    EXPECT_EQ(Bytes(p + ".bak"), backup);  // a refused save keeps the backup
}

}  // namespace
}  // namespace cartera::cli::testing
