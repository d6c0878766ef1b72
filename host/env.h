#pragma once
// File access behind an interface, so tests can run on an in-memory fake and inject faults.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/error.h"
#include "host/file_bytes.h"

namespace cartera {

// The kind of a failing system call's error number: not_found for a missing file or
// folder, denied for refused permission or a read-only file system, invalid_input for a
// name the system cannot take (too long, a loop of links, a folder), io for the rest.
ErrorKind FileErrorKind(int errorNumber);

// An advisory lock on a file, held until destroyed.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

class Env {
  public:
    virtual ~Env() = default;

    // Reads the whole file into *out; not_found when nothing is at path. A FIFO without a
    // writer reads as empty instead of waiting for one.
    virtual Status ReadFile(const std::string& path, std::string* out) = 0;
    // ReadFile's bytes and failures, held in *out; the file system may map a large file
    // instead of copying it. The default copies.
    virtual Status ReadFileBytes(const std::string& path, FileBytes* out);
    // Replaces the file with data atomically: after a crash or a kill at any moment the
    // path holds either its old content or the new one, never a mix. A failure means the
    // new content could not be put in place; the old file is then intact. Only a
    // regular file, or a symbolic link to one (whose target is replaced), is replaced: a
    // FIFO, a device, a folder or a link to nothing is refused (invalid_input), and so is a
    // read-only file (denied).
    virtual Status WriteFileAtomic(const std::string& path, std::string_view data) = 0;
    // WriteFileAtomic that also keeps the version it replaces as backup (unless backup is
    // empty or nothing was there), in the same all-or-nothing step: after a failure or a
    // kill at any moment, path is old or new and backup is the previous backup or the old
    // version of path, changed only once the new version is in place. Without hard links
    // (a file system that has none) the save goes ahead without a backup. The default has
    // none at all.
    virtual Status WriteFileWithBackup(const std::string& path, std::string_view data,
                                       const std::string& backup);
    // Puts backup in the place of path and path's version in the place of backup, in one
    // atomic exchange, so a failure or a kill leaves both as they were and a completed
    // restore swaps them (path, if missing, gets backup's content and backup stays). The
    // restored file takes path's permissions. Both must be regular files (path may be a
    // link to one); a read-only path is refused (denied), and so is a file system that
    // cannot exchange two files (io). A failure changed nothing.
    virtual Status RestoreBackup(const std::string& path, const std::string& backup);
    // Whether WriteFileAtomic would replace path (it is a regular file, or a link to one,
    // and not read-only), checked without writing: a change recorded beside the file is
    // refused as a save of it would be. Ok (the default) when nothing is there.
    virtual Status CanReplace(const std::string& path) { return Status(); }
    // Reads at most n bytes from the start of path into *out and the file's size into *size.
    // A failure when it cannot be read. The default reads the whole file.
    virtual Status ReadFileHead(const std::string& path, size_t n, std::string* out,
                                uint64_t* size);
    // Appends data at the end of path (created when missing) and syncs it (fdatasync), so
    // once ok the bytes outlive a crash. A failure when they could not all be written and
    // synced, and then the file is cut back to its old size where it can; a kill may leave
    // any prefix of data at the end, which a reader of the file must tell from whole
    // records. The default reads, extends and replaces the file atomically.
    virtual Status AppendFile(const std::string& path, std::string_view data);
    // Writes a command's results to path: into a FIFO or a character device (a terminal,
    // /dev/null) as a stream, anything else as WriteFileAtomic. A failure when they could
    // not all be written.
    virtual Status WriteResults(const std::string& path, std::string_view data) {
        return WriteFileAtomic(path, data);
    }
    // The file that path names: the target of a symbolic link, else path itself.
    virtual std::string Resolve(const std::string& path) { return path; }
    virtual bool FileExists(const std::string& path) = 0;
    // The size in bytes, and the time of the last change, of what path names (a link
    // followed); not_found when nothing is there.
    virtual Status GetFileSize(const std::string& path, uint64_t* size) = 0;
    virtual Status GetFileTime(const std::string& path, std::filesystem::file_time_type* time) = 0;
    // Creates the folder and its parents.
    virtual Status CreateDirs(const std::string& path) = 0;
    // Takes the advisory lock of path (through PATH.lock beside it, so it outlives atomic
    // replacements of path), waiting up to waitMs while another process holds it, into
    // *lock. A failure naming the file when it stays taken (locked) or cannot be made (the
    // kind and reason of the system's error); *lock is then null. Every process that
    // loads, changes and saves the file holds it across the three.
    virtual Status LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock);
    // Keeps the current content of path as copy by a hard link, replacing an older copy.
    // Nothing there is nothing to keep. A failure changed nothing.
    virtual Status KeepBackup(const std::string& path, const std::string& backup);
};

// How long the file commands wait for another writer of the same file.
inline constexpr int kLockWaitMs = 10000;

// The real file system. Never null; owned by the process.
Env* PosixEnv();

// Forwards every operation to target (not owned, outlives the wrapper), so an environment
// that watches or changes one operation overrides that one alone.
class EnvWrapper : public Env {
  public:
    explicit EnvWrapper(Env* target) : m_target(target) {}
    Status ReadFile(const std::string& p, std::string* out) override {
        return m_target->ReadFile(p, out);
    }
    Status ReadFileBytes(const std::string& p, FileBytes* out) override {
        return m_target->ReadFileBytes(p, out);
    }
    Status WriteFileAtomic(const std::string& p, std::string_view data) override {
        return m_target->WriteFileAtomic(p, data);
    }
    Status WriteFileWithBackup(const std::string& p, std::string_view data,
                               const std::string& backup) override {
        return m_target->WriteFileWithBackup(p, data, backup);
    }
    Status RestoreBackup(const std::string& p, const std::string& backup) override {
        return m_target->RestoreBackup(p, backup);
    }
    Status CanReplace(const std::string& p) override { return m_target->CanReplace(p); }
    Status ReadFileHead(const std::string& p, size_t n, std::string* out, uint64_t* size) override {
        return m_target->ReadFileHead(p, n, out, size);
    }
    Status AppendFile(const std::string& p, std::string_view data) override {
        return m_target->AppendFile(p, data);
    }
    Status WriteResults(const std::string& p, std::string_view data) override {
        return m_target->WriteResults(p, data);
    }
    std::string Resolve(const std::string& p) override { return m_target->Resolve(p); }
    bool FileExists(const std::string& p) override { return m_target->FileExists(p); }
    Status GetFileSize(const std::string& p, uint64_t* size) override {
        return m_target->GetFileSize(p, size);
    }
    Status GetFileTime(const std::string& p, std::filesystem::file_time_type* time) override {
        return m_target->GetFileTime(p, time);
    }
    Status CreateDirs(const std::string& p) override { return m_target->CreateDirs(p); }
    Status LockFile(const std::string& p, int waitMs, std::unique_ptr<FileLock>* lock) override {
        return m_target->LockFile(p, waitMs, lock);
    }
    Status KeepBackup(const std::string& p, const std::string& backup) override {
        return m_target->KeepBackup(p, backup);
    }

  private:
    Env* m_target;
};

// The steps of a save on the real file system, in order, then those of a restore, then
// the checks before them and the taking of a lock. An append opens, writes (shortWrite),
// syncs its data (fsync) and closes. linkBackup links the old version to a
// temporary name, renameBackup moves it over the backup once the new one is in place; a
// restore syncs the backup (fsync), exchanges the two files, then syncs the folder. stat
// is every look at whether a file is there (also FileExists and GetFileSize), access the
// check that the file may be written, lock the opening of the lock file.
enum class SaveStep {
    open,
    write,
    shortWrite,
    fsync,
    close,
    linkBackup,
    rename,
    renameBackup,
    syncFolder,
    cleanUp,
    exchange,
    stat,
    access,
    lock,
};

// The real file system with a save that asks, before each step, whether to fail it with
// an error number: so tests can fail each step in turn. A short write writes one byte.
std::unique_ptr<Env> MakeFaultyPosixEnv(SaveStep step, int errorNumber);

// The environment the system's file code uses; the real file system unless a test
// installed another (not owned).
Env* CurrentEnv();
void SetCurrentEnv(Env* env);  // nullptr restores the real file system

// Installs an environment for the lifetime of the object.
class ScopedEnv {
  public:
    explicit ScopedEnv(Env* env) : m_previous(CurrentEnv()) { SetCurrentEnv(env); }
    ~ScopedEnv() { SetCurrentEnv(m_previous); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    Env* m_previous;
};

// An in-memory file system for tests, with a switch that makes writes fail.
class MemEnv : public Env {
  public:
    Status ReadFile(const std::string& path, std::string* out) override;
    Status WriteFileAtomic(const std::string& path, std::string_view data) override;
    Status WriteFileWithBackup(const std::string& path, std::string_view data,
                               const std::string& backup) override;
    Status RestoreBackup(const std::string& path, const std::string& backup) override;
    Status AppendFile(const std::string& path, std::string_view data) override;
    bool FileExists(const std::string& path) override;
    // A file's time is the count of all writes so far, so a write moves it on.
    Status GetFileSize(const std::string& path, uint64_t* size) override;
    Status GetFileTime(const std::string& path, std::filesystem::file_time_type* time) override;
    Status CreateDirs(const std::string& path) override;
    Status KeepBackup(const std::string& path, const std::string& backup) override;

    void SetFailWrites(bool fail) { m_failWrites = fail; }
    // Writes and appends to paths ending with suffix fail (empty: none).
    void SetFailPaths(const std::string& suffix) { m_failSuffix = suffix; }
    // The next append writes only its first bytes bytes, then fails (a torn append).
    void TearNextAppend(size_t bytes) { m_tearAt = bytes; }
    int WriteCount() const { return m_writes; }
    std::map<std::string, std::string>& Files() { return m_files; }

  private:
    std::map<std::string, std::string> m_files;
    bool Fails(const std::string& path) const {
        return m_failWrites || (!m_failSuffix.empty() && path.ends_with(m_failSuffix));
    }

    bool m_failWrites = false;
    std::string m_failSuffix;
    size_t m_tearAt = SIZE_MAX;
    int m_writes = 0;
};

}  // namespace cartera
