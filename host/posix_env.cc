#include "host/posix_env.h"

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
#include <functional>
#include <random>
#include <set>

namespace cartera {
namespace {

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// The failure errno says, with its kind. A missing folder where a file is to be written is
// an io error: not_found is for what was asked to be read.
Status ErrnoStatus(const std::string& what, const std::string& path, bool writing = false) {
    int number = errno;
    ErrorKind kind = FileErrorKind(number);
    if (writing && kind == ErrorKind::not_found) kind = ErrorKind::io;
    Status status(kind, ErrnoText(what, path));
    errno = number;
    return status;
}

std::string DirOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

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

// An open file read with read(2), closed when destroyed.
class PosixSequentialFile : public SequentialFile {
  public:
    // Opened without waiting, so a FIFO without a writer reads as empty; into *file.
    static Status Open(const std::string& path, std::unique_ptr<PosixSequentialFile>* file) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return ErrnoStatus("cannot open", path);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        *file = std::make_unique<PosixSequentialFile>(fd, path);
        return {};
    }
    PosixSequentialFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~PosixSequentialFile() override { ::close(m_fd); }
    PosixSequentialFile(const PosixSequentialFile&) = delete;
    PosixSequentialFile& operator=(const PosixSequentialFile&) = delete;

    Status Read(char* buffer, size_t n, size_t* got) override {
        for (;;) {
            ssize_t r = ::read(m_fd, buffer, n);
            if (r >= 0) {
                *got = static_cast<size_t>(r);
                return {};
            }
            if (errno != EINTR) return ErrnoStatus("cannot read", m_path);
        }
    }
    // The size of a regular file, 0 for anything else: room to reserve.
    size_t SizeHint() const {
        struct stat st;
        return ::fstat(m_fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    }

  private:
    int m_fd;
    std::string m_path;
};

class RealEnv : public Env {
  public:
    explicit RealEnv(std::function<bool(SaveStep)> fails = {}) : m_fails(std::move(fails)) {}

    Status ReadFile(const std::string& path, std::string* out) override {
        std::unique_ptr<PosixSequentialFile> file;
        if (Status opened = PosixSequentialFile::Open(path, &file); !opened.ok()) return opened;
        out->clear();
        out->reserve(file->SizeHint());
        char buf[1 << 16];
        size_t got = 0;
        do {
            if (Status read = file->Read(buf, sizeof buf, &got); !read.ok()) return read;
            out->append(buf, got);
        } while (got > 0);
        return {};
    }

    Status OpenSequential(const std::string& path, std::unique_ptr<SequentialFile>* file) override {
        std::unique_ptr<PosixSequentialFile> opened;
        Status status = PosixSequentialFile::Open(path, &opened);
        *file = std::move(opened);
        return status;
    }

    // Files of a megabyte or more are mapped: a copy would cost fresh memory and a pass.
    Status ReadFileBytes(const std::string& path, FileBytes* out) override {
        constexpr size_t kMapAtLeast = size_t{1} << 20;
        return FileBytes::Map(path, kMapAtLeast, out) ? Status() : Env::ReadFileBytes(path, out);
    }

    Status WriteFileAtomic(const std::string& path, std::string_view data) override {
        return WriteFileWithBackup(path, data, std::string());
    }

    Status AppendAt(const std::string& path, uint64_t at, std::string_view data) override {
        std::string target;
        struct stat st;
        bool exists = false;
        if (Status refused = ReplaceableTarget(path, &target, &st, &exists); !refused.ok())
            return refused;
        // Without waiting, so a FIFO put in its place since is refused rather than waited on.
        int fd =
            Fails(SaveStep::open) ? -1 : ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return ErrnoStatus("cannot write", path, true);
        Status result;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            result = Status(ErrorKind::invalid_input, path + " is not a regular file");
        } else if (static_cast<uint64_t>(st.st_size) < at) {
            result = Status(ErrorKind::io, "cannot write " + path +
                                               ": another program cut it short; read it again");
        } else if (static_cast<uint64_t>(st.st_size) > at &&
                   (Fails(SaveStep::truncate) || ::ftruncate(fd, static_cast<off_t>(at)) != 0)) {
            result = ErrnoStatus("cannot write", path, true);
        } else if (!WriteAllAt(fd, data, at) || Fails(SaveStep::fsync) || ::fdatasync(fd) != 0) {
            // What was not reported saved must not be read back: cut off again.
            result = ErrnoStatus("cannot write", path, true);
            if (::ftruncate(fd, static_cast<off_t>(at)) == 0) (void)::fdatasync(fd);
        }
        // Once the data is synced the change is saved, whatever close says.
        ::close(fd);
        // What killed writers left is cleared once a process, not at every append.
        if (result.ok() && m_cleaned.insert(target).second)
            RemoveStaleTemporaries(DirOf(target), BaseOf(target));
        return result;
    }

    // The order, and what a kill or a failure after each step leaves:
    //   1. the new version is written to a temporary file and synced: nothing changed yet;
    //   2. the old version is hard-linked to a second temporary name: nothing changed yet;
    //   3. the new version is renamed over path: path is new, the backup still the
    //      previous one (a kill leaves the link of 2, cleared as a stale temporary);
    //   4. the link of 2 is renamed over the backup: the backup is the old version.
    // So the backup only changes once the new version is in place, and a failed or refused
    // save leaves both files as they were. A failure at 4 leaves the previous backup, and
    // the save, whose new version is in place, still succeeds.
    Status WriteFileWithBackup(const std::string& path, std::string_view data,
                               const std::string& backup) override {
        std::string target;
        struct stat old;
        bool exists = false;
        Status error = ReplaceableTarget(path, &target, &old, &exists);
        if (!error.ok()) return error;
        const bool keep = exists && !backup.empty();
        if (keep && !(error = BackupReplaceable(backup)).ok()) return error;
        const std::string dir = DirOf(target), base = BaseOf(target);
        const std::string tmp = TemporaryName(dir, base);
        int fd = Fails(SaveStep::open)
                     ? -1
                     : ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return ErrnoStatus("cannot write", target, true);  // no temporary name
        // The new file gets the old one's permissions (and owner where allowed).
        bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && exists) (void)!::fchown(fd, old.st_uid, old.st_gid);  // may not be ours
        ok = ok && WriteAll(fd, data) && !Fails(SaveStep::fsync) && ::fsync(fd) == 0;
        if (!ok) error = ErrnoStatus("cannot write", tmp);
        bool closed = !Fails(SaveStep::close);
        closed = ::close(fd) == 0 && closed;
        if (!closed && ok) {
            ok = false;
            error = ErrnoStatus("cannot write", tmp);
        }
        std::string kept;  // the old version under a temporary name until the new one is in
        if (ok && keep) {
            kept = TemporaryName(dir, base) + "-backup";
            if (Fails(SaveStep::linkBackup) || ::link(target.c_str(), kept.c_str()) != 0) {
                // A file system without hard links saves without a backup.
                if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) {
                    ok = false;
                    error = ErrnoStatus("cannot keep the previous version of", path);
                }
                kept.clear();
            }
        }
        if (ok && (Fails(SaveStep::rename) || ::rename(tmp.c_str(), target.c_str()) != 0)) {
            ok = false;
            error = ErrnoStatus("cannot replace", path);
        }
        if (!ok) {
            ::unlink(tmp.c_str());
            if (!kept.empty()) ::unlink(kept.c_str());
            return error;
        }
        // The new content is in place: nothing below can make the save a failure.
        if (!kept.empty()) {
            if (!Fails(SaveStep::renameBackup)) (void)::rename(kept.c_str(), backup.c_str());
            // Left when the rename failed, or when the backup already was this file.
            ::unlink(kept.c_str());
        }
        SyncFolder(dir);
        RemoveStaleTemporaries(dir, base);
        return {};
    }

    Status WriteResults(const std::string& path, std::string_view data) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))
            return WriteFileAtomic(path, data);
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return ErrnoStatus("cannot open", path);
        Status error;
        bool ok = WriteAll(fd, data);
        if (!ok) error = ErrnoStatus("cannot write", path);
        if (::close(fd) != 0 && ok) error = ErrnoStatus("cannot write", path);
        return error;
    }

    std::string Resolve(const std::string& path) override { return Resolved(path); }

    bool FileExists(const std::string& path) override {
        struct stat st;
        return !Fails(SaveStep::stat) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    Status GetFileSize(const std::string& path, uint64_t* size) override {
        struct stat st;
        if (Fails(SaveStep::stat) || ::stat(path.c_str(), &st) != 0)
            return ErrnoStatus("cannot look at", path);
        *size = static_cast<uint64_t>(st.st_size);
        return {};
    }

    Status GetFileTime(const std::string& path, std::filesystem::file_time_type* time) override {
        std::error_code ec;
        *time = std::filesystem::last_write_time(path, ec);
        if (!ec) return {};
        errno = ec.value();
        return ErrnoStatus("cannot look at", path);
    }

    Status GetFileState(const std::string& path, FileState* state) override {
        struct stat st;
        *state = FileState();
        if (Fails(SaveStep::stat) || ::stat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) return {};
            return ErrnoStatus("cannot look at", path);
        }
        *state = FileState{true, S_ISREG(st.st_mode), static_cast<uint64_t>(st.st_size),
                           st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                           static_cast<uint64_t>(st.st_ino)};
        return {};
    }

    Status RemoveFile(const std::string& path) override {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return ErrnoStatus("cannot remove", path, true);
        return {};
    }

    Status CreateDirs(const std::string& path) override {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        if (ec)
            return Status(FileErrorKind(ec.value()),
                          "cannot create folder " + path + ": " + ec.message());
        return {};
    }

    Status LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock,
                    LockMode mode) override {
        lock->reset();
        const std::string lockPath = Resolved(path) + ".lock";
        int fd = Fails(SaveStep::lock)
                     ? -1
                     : ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            // An existing lock file may still be read; when it is not there either, the
            // reason is the refused permission.
            const int refused = errno;
            fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) errno = refused;
        }
        if (fd < 0 && mode == LockMode::shared && (errno == EACCES || errno == EROFS)) {
            *lock = std::make_unique<FileLock>();  // no writer can make it either
            return {};
        }
        if (fd < 0) return ErrnoStatus("cannot lock " + path + ": cannot open", lockPath);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        int pauseUs = 500;
        const int how = mode == LockMode::shared ? LOCK_SH : LOCK_EX;
        while (::flock(fd, how | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                Status failed = ErrnoStatus("cannot lock", path);
                ::close(fd);
                return failed;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd);
                return Status(ErrorKind::locked,
                              path + " is in use by another program (still locked after " +
                                  std::to_string(waitMs / 1000) + " s); try again later");
            }
            ::usleep(static_cast<useconds_t>(pauseUs));
            pauseUs = std::min(pauseUs * 2, 20000);
        }
        *lock = std::make_unique<PosixLock>(fd);
        return {};
    }

    Status KeepBackup(const std::string& path, const std::string& backup) override {
        uint64_t size;
        if (GetFileSize(path, &size).IsNotFound()) return {};  // nothing to keep yet
        // Linked under a temporary name first, so an old backup stays until the new one is
        // complete; named as the save's temporaries, so a killed writer's is cleared too.
        std::string tmp =
            DirOf(backup) + "/." + BaseOf(path) + ".tmp-" + std::to_string(::getpid()) + "-backup";
        ::unlink(tmp.c_str());
        if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) != 0 ||
            ::rename(tmp.c_str(), backup.c_str()) != 0) {
            Status failed = ErrnoStatus("cannot keep the previous version as", backup);
            ::unlink(tmp.c_str());
            return failed;
        }
        // When the backup already was this file, rename did nothing and tmp is still there.
        ::unlink(tmp.c_str());
        return {};
    }

  protected:
    std::set<std::string> m_cleaned;  // files whose folder an append cleared of temporaries

    // The file a save replaces, in *target: path, or the target of the link path is. With
    // *exists and *old its status, when there is one. A failure for anything but a regular
    // file or nothing, and for a read-only file.
    Status ReplaceableTarget(const std::string& path, std::string* target, struct stat* old,
                             bool* exists) {
        *target = path;
        *exists = false;
        if (Fails(SaveStep::stat) || ::lstat(path.c_str(), old) != 0) {
            if (errno == ENOENT) return {};
            return ErrnoStatus("cannot look at", path);
        }
        if (S_ISLNK(old->st_mode)) {
            if (::stat(path.c_str(), old) != 0) {
                if (errno == ENOENT)
                    return Status(ErrorKind::invalid_input,
                                  path + " is a symbolic link to nothing; it was not replaced");
                return ErrnoStatus("cannot look at", path);
            }
            *target = Resolved(path);
        }
        if (!S_ISREG(old->st_mode))
            return Status(ErrorKind::invalid_input,
                          path + " is not a regular file; it was not replaced");
        *exists = true;
        bool readOnly = (old->st_mode & 0222) == 0;
        if (!readOnly && (Fails(SaveStep::access) || ::access(target->c_str(), W_OK) != 0)) {
            readOnly = errno == EACCES || errno == EROFS || errno == EPERM;
            if (!readOnly) return ErrnoStatus("cannot check access to", path);
        }
        if (readOnly) return Status(ErrorKind::denied, path + " is read-only; it was not changed");
        return {};
    }

    // Whether a backup may be put at path: nothing there, a regular file or a link.
    Status BackupReplaceable(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
            return {};
        return Status(ErrorKind::invalid_input,
                      path + " is not a regular file and cannot take the previous version");
    }

    // A temporary name beside the file base in dir; named so that the temporaries of a
    // killed writer are found and removed by the next save.
    static std::string TemporaryName(const std::string& dir, const std::string& base) {
        std::random_device rd;
        return dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
               std::to_string(rd() & 0xffffff);
    }

    // Whether to fail this step of a save (errno then set), or for shortWrite to write
    // one byte; never, on the real system.
    bool Fails(SaveStep step) const { return m_fails && m_fails(step); }

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

    bool WriteAllAt(int fd, std::string_view data, uint64_t at) {
        size_t done = 0;
        while (done < data.size()) {
            if (Fails(SaveStep::write)) return false;
            size_t want = data.size() - done;
            if (Fails(SaveStep::shortWrite)) want = 1;
            ssize_t n = ::pwrite(fd, data.data() + done, want, static_cast<off_t>(at + done));
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

  private:
    std::function<bool(SaveStep)> m_fails;
};

}  // namespace

Env* PosixEnv() {
    static RealEnv env;
    return &env;
}

std::unique_ptr<Env> MakePosixEnv(std::function<bool(SaveStep)> fails) {
    return std::make_unique<RealEnv>(std::move(fails));
}

}  // namespace cartera
