#include "host/env.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace cartera {
namespace {

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::string DirOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The target a path names: a symbolic link is followed, so saves replace what it points to
// and the link stays a link.
std::string Resolved(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string out = real;
    std::free(real);
    return out;
}

class PosixLock : public FileLock {
  public:
    explicit PosixLock(int fd) : m_fd(fd) {}
    ~PosixLock() override { ::close(m_fd); }

  private:
    int m_fd;
};

class RealEnv : public Env {
  public:
    bool ReadFile(const std::string& path, std::string* out, std::string* error) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (error) *error = ErrnoText("cannot open", path);
            return false;
        }
        out->clear();
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_size > 0) out->reserve(static_cast<size_t>(st.st_size));
        char buf[1 << 16];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (error) *error = ErrnoText("cannot read", path);
                ::close(fd);
                return false;
            }
            if (n == 0) break;
            out->append(buf, static_cast<size_t>(n));
        }
        ::close(fd);
        return true;
    }

    bool WriteFileAtomic(const std::string& path, std::string_view data,
                         std::string* error) override {
        // Write a temporary file beside the target, make it durable, then rename it over
        // the target: rename is atomic, so readers see the old or the new file only.
        const std::string target = Resolved(path);
        const std::string dir = DirOf(target);
        const std::string base = target.substr(target.find_last_of('/') + 1);
        struct stat old;
        const bool exists = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
        if (exists && ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
            if (error) *error = path + " is read-only; it was not changed";
            return false;
        }
        std::random_device rd;
        std::string tmp = dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(rd() & 0xffffff);
        int fd = Fails(SaveStep::open)
                     ? -1
                     : ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (error) *error = ErrnoText("cannot create", tmp);
            return false;
        }
        // The new file gets the old one's permissions (and owner where allowed).
        bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && exists) (void)!::fchown(fd, old.st_uid, old.st_gid);  // may not be ours
        ok = ok && WriteAll(fd, data) && !Fails(SaveStep::fsync) && ::fsync(fd) == 0;
        if (!ok && error) *error = ErrnoText("cannot write", tmp);
        bool closed = !Fails(SaveStep::close);
        closed = ::close(fd) == 0 && closed;
        if (!closed && ok) {
            ok = false;
            if (error) *error = ErrnoText("cannot write", tmp);
        }
        if (ok && (Fails(SaveStep::rename) || ::rename(tmp.c_str(), target.c_str()) != 0)) {
            ok = false;
            if (error) *error = ErrnoText("cannot replace", path);
        }
        if (!ok) {
            ::unlink(tmp.c_str());
            return false;
        }
        // The new content is in place: nothing below can make the save a failure.
        SyncFolder(dir);
        RemoveStaleTemporaries(dir, base);
        return true;
    }

    bool FileExists(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    bool IsMissing(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
    }

    bool CreateDirs(const std::string& path, std::string* error) override {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        if (ec) {
            if (error) *error = "cannot create folder " + path + ": " + ec.message();
            return false;
        }
        return true;
    }

    std::unique_ptr<FileLock> LockFile(const std::string& path, int waitMs,
                                       std::string* error) override {
        const std::string lockPath = Resolved(path) + ".lock";
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EACCES) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (error) *error = ErrnoText("cannot lock " + path + ": cannot open", lockPath);
            return nullptr;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        int pauseUs = 500;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                if (error) *error = ErrnoText("cannot lock", path);
                ::close(fd);
                return nullptr;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                if (error)
                    *error = path + " is in use by another program (still locked after " +
                             std::to_string(waitMs / 1000) + " s); try again later";
                ::close(fd);
                return nullptr;
            }
            ::usleep(static_cast<useconds_t>(pauseUs));
            pauseUs = std::min(pauseUs * 2, 20000);
        }
        return std::make_unique<PosixLock>(fd);
    }

    bool KeepBackup(const std::string& path, const std::string& backup,
                    std::string* error) override {
        if (IsMissing(path)) return true;  // nothing to keep yet
        // Linked under a temporary name first, so an old backup stays until the new one is
        // complete; named as the save's temporaries, so a killed writer's is cleared too.
        std::string tmp = DirOf(backup) + "/." + path.substr(path.find_last_of('/') + 1) + ".tmp-" +
                          std::to_string(::getpid()) + "-backup";
        ::unlink(tmp.c_str());
        if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) != 0 ||
            ::rename(tmp.c_str(), backup.c_str()) != 0) {
            if (error) *error = ErrnoText("cannot keep the previous version as", backup);
            ::unlink(tmp.c_str());
            return false;
        }
        // When the backup already was this file, rename did nothing and tmp is still there.
        ::unlink(tmp.c_str());
        return true;
    }

  protected:
    // Whether to fail this step of a save (errno then set), or for shortWrite to write
    // one byte; never, on the real system.
    virtual bool Fails(SaveStep) { return false; }

    bool WriteAll(int fd, std::string_view data) {
        size_t done = 0;
        while (done < data.size()) {
            if (Fails(SaveStep::write)) return false;
            size_t want = data.size() - done;
            if (Fails(SaveStep::shortWrite)) want = 1;
            ssize_t n = ::write(fd, data.data() + done, want);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    void SyncFolder(const std::string& dir) {
        int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0) return;
        if (!Fails(SaveStep::syncFolder)) ::fsync(dfd);
        ::close(dfd);
    }

    // Removes the temporary files of writers of the same file that were killed mid-save
    // (their process no longer exists). Best effort: errors are ignored.
    void RemoveStaleTemporaries(const std::string& dir, const std::string& base) {
        try {
            if (Fails(SaveStep::cleanUp))
                throw std::filesystem::filesystem_error(
                    "cannot list", dir, std::error_code(errno, std::generic_category()));
            std::error_code ec;
            const std::string prefix = "." + base + ".tmp-";
            std::filesystem::directory_iterator it(dir, ec), end;
            for (; !ec && it != end; it.increment(ec)) {
                std::string name = it->path().filename().string();
                if (name.rfind(prefix, 0) != 0) continue;
                long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
                if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                    std::filesystem::remove(it->path(), ec);
            }
        } catch (const std::exception&) {
            // The save is done; stale temporaries wait for the next one.
        }
    }
};

// Fails one step of every save with an error number.
class FaultyEnv : public RealEnv {
  public:
    FaultyEnv(SaveStep step, int errorNumber) : m_step(step), m_error(errorNumber) {}

  protected:
    bool Fails(SaveStep step) override {
        if (step != m_step) return false;
        errno = m_error;
        return true;
    }

  private:
    SaveStep m_step;
    int m_error;
};

Env* g_current = nullptr;

}  // namespace

Env* PosixEnv() {
    static RealEnv env;
    return &env;
}

std::unique_ptr<Env> MakeFaultyPosixEnv(SaveStep step, int errorNumber) {
    return std::make_unique<FaultyEnv>(step, errorNumber);
}

std::unique_ptr<FileLock> Env::LockFile(const std::string&, int, std::string*) {
    return std::make_unique<FileLock>();
}

bool Env::KeepBackup(const std::string&, const std::string&, std::string*) { return true; }

Env* CurrentEnv() { return g_current ? g_current : PosixEnv(); }
void SetCurrentEnv(Env* env) { g_current = env; }

bool MemEnv::ReadFile(const std::string& path, std::string* out, std::string* error) {
    auto it = m_files.find(path);
    if (it == m_files.end()) {
        if (error) *error = "cannot open " + path + ": No such file or directory";
        return false;
    }
    *out = it->second;
    return true;
}

bool MemEnv::WriteFileAtomic(const std::string& path, std::string_view data, std::string* error) {
    if (m_failWrites) {
        if (error) *error = "cannot write " + path + ": injected failure";
        return false;
    }
    ++m_writes;
    m_files[path] = std::string(data);
    return true;
}

bool MemEnv::FileExists(const std::string& path) { return m_files.count(path) != 0; }

bool MemEnv::CreateDirs(const std::string&, std::string*) { return true; }

bool MemEnv::KeepBackup(const std::string& path, const std::string& backup, std::string*) {
    auto it = m_files.find(path);
    if (it != m_files.end()) m_files[backup] = it->second;
    return true;
}

}  // namespace cartera
