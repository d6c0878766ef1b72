#pragma once
// An in-memory file system for tests, fuzzing and benchmarks: nothing touches the disk.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/context.h"
#include "host/env.h"

namespace cartera {

// An in-memory file system for tests, with switches that make writes fail, refuse them as
// a read-only file would, or keep locks taken as another writer would.
class MemEnv : public Env {
  public:
    Status ReadFile(const std::string& path, std::string* out) override;
    Status WriteFileAtomic(const std::string& path, std::string_view data) override;
    Status WriteFileWithBackup(const std::string& path, std::string_view data,
                               const std::string& backup) override;
    Status AppendAt(const std::string& path, uint64_t at, std::string_view data) override;
    bool FileExists(const std::string& path) override;
    // A file's time is the count of all writes so far, so a write moves it on.
    Status GetFileSize(const std::string& path, uint64_t* size) override;
    Status GetFileTime(const std::string& path, std::filesystem::file_time_type* time) override;
    // The time is the count of writes when the file was last written.
    Status GetFileState(const std::string& path, FileState* state) override;
    Status CreateDirs(const std::string& path) override;
    Status RemoveFile(const std::string& path) override;
    Status KeepBackup(const std::string& path, const std::string& backup) override;
    Status LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock,
                    LockMode mode) override;

    void SetFailWrites(bool fail) { m_failWrites = fail; }
    // Writes and appends to paths ending with suffix fail (empty: none).
    void SetFailPaths(const std::string& suffix) { m_failSuffix = suffix; }
    // Writes and appends to paths ending with suffix are refused as read-only (empty: none).
    void SetReadOnlyPaths(const std::string& suffix) { m_readOnlySuffix = suffix; }
    // Every lock stays taken by another writer (locked after the wait), or not.
    void SetLocksHeld(bool held) { m_locksHeld = held; }
    // The next append writes only its first bytes bytes, then fails (a torn append).
    void TearNextAppend(size_t bytes) { m_tearAt = bytes; }
    int WriteCount() const { return m_writes; }
    std::map<std::string, std::string>& Files() { return m_files; }

  private:
    bool Fails(const std::string& path) const {
        return m_failWrites || (!m_failSuffix.empty() && path.ends_with(m_failSuffix));
    }
    // The failure a write to path meets first, if any.
    Status Refusal(const std::string& path) const;
    void Wrote(const std::string& path) { m_written[path] = ++m_writes; }

    std::map<std::string, std::string> m_files;
    std::map<std::string, int> m_written;  // the write count when each file was last written
    bool m_failWrites = false;
    bool m_locksHeld = false;
    std::string m_failSuffix, m_readOnlySuffix;
    size_t m_tearAt = SIZE_MAX;
    int m_writes = 0;
};

namespace testing {

// For a ledger that needs no file: an in-memory file system of the process's (shared by
// every caller, empty unless one of them wrote), the system clock, the home folder
// "/mem/bare" and English.
const Context& BareContext();

// Forwards every operation to a target that may change while it lives (a faulty file system
// after a good one), so the code handed it at construction follows the swap. The targets are
// not owned and must outlive their use.
class RedirectEnv : public EnvWrapper {
  public:
    explicit RedirectEnv(Env* target) : EnvWrapper(target), m_to(target) {}
    void Redirect(Env* target) { m_to = target; }

  protected:
    Env* Target() const override { return m_to; }

  private:
    Env* m_to;
};

}  // namespace testing
}  // namespace cartera
