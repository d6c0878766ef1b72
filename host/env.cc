#include "host/env.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <csignal>
#include <cstdlib>

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

bool WriteAll(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Removes the temporary files of writers of the same file that were killed mid-save
// (their process no longer exists).
void RemoveStaleTemporaries(const std::string& dir, const std::string& base) {
    std::error_code ec;
    const std::string prefix = "." + base + ".tmp-";
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), ec);
    }
}

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
        std::string dir = DirOf(path);
        std::string base = path.substr(path.find_last_of('/') + 1);
        std::random_device rd;
        std::string tmp = dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(rd() & 0xffffff);
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (error) *error = ErrnoText("cannot create", tmp);
            return false;
        }
        bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
        if (!ok && error) *error = ErrnoText("cannot write", tmp);
        if (::close(fd) != 0 && ok) {
            ok = false;
            if (error) *error = ErrnoText("cannot write", tmp);
        }
        if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
            ok = false;
            if (error) *error = ErrnoText("cannot replace", path);
        }
        if (!ok) {
            ::unlink(tmp.c_str());
            return false;
        }
        RemoveStaleTemporaries(dir, base);
        int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
        return true;
    }

    bool FileExists(const std::string& path) override {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
};

Env* g_current = nullptr;

}  // namespace

Env* PosixEnv() {
    static RealEnv env;
    return &env;
}

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

bool MemEnv::WriteFileAtomic(const std::string& path, std::string_view data,
                             std::string* error) {
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

}  // namespace cartera
