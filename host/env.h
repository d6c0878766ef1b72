#pragma once
// File access behind an interface, so tests can run on an in-memory fake and inject faults.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/error.h"

namespace cartera {

// Where a failed file operation says why: a message naming the file with the system's
// reason, and the kind of failure callers act on. Made from a message string (the kind then
// dropped), from both, or from nullptr when neither is wanted.
class ErrorOut {
  public:
    ErrorOut(std::nullptr_t = nullptr) {}
    ErrorOut(std::string* message, ErrorKind* kind = nullptr) : m_message(message), m_kind(kind) {}
    void Set(ErrorKind kind, const std::string& message) const {
        if (m_message) *m_message = message;
        if (m_kind) *m_kind = kind;
    }

  private:
    std::string* m_message = nullptr;
    ErrorKind* m_kind = nullptr;
};

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

    // Reads the whole file into *out. False (and error set) when it cannot be read. A FIFO
    // without a writer reads as empty instead of waiting for one.
    virtual bool ReadFile(const std::string& path, std::string* out, ErrorOut error) = 0;
    // Replaces the file with data atomically: after a crash or a kill at any moment the
    // path holds either its old content or the new one, never a mix. False (and error set)
    // when the new content could not be put in place; the old file is then intact. Only a
    // regular file, or a symbolic link to one (whose target is replaced), is replaced: a
    // FIFO, a device, a folder or a link to nothing is refused (invalid_input), and so is a
    // read-only file (denied).
    virtual bool WriteFileAtomic(const std::string& path, std::string_view data,
                                 ErrorOut error) = 0;
    // WriteFileAtomic that also keeps the version it replaces as backup (unless backup is
    // empty or nothing was there), in the same all-or-nothing step: after a failure or a
    // kill at any moment, path is old or new and backup is the previous backup or the old
    // version of path, changed only once the new version is in place. Without hard links
    // (a file system that has none) the save goes ahead without a backup. The default has
    // none at all.
    virtual bool WriteFileWithBackup(const std::string& path, std::string_view data,
                                     const std::string& backup, ErrorOut error);
    // Puts backup in the place of path and path's version in the place of backup, in one
    // atomic exchange, so a failure or a kill leaves both as they were and a completed
    // restore swaps them (path, if missing, gets backup's content and backup stays). The
    // restored file takes path's permissions. Both must be regular files (path may be a
    // link to one); a read-only path is refused (denied), and so is a file system that
    // cannot exchange two files (io). False (and error set) when nothing was changed.
    virtual bool RestoreBackup(const std::string& path, const std::string& backup, ErrorOut error);
    // Whether WriteFileAtomic would replace path (it is a regular file, or a link to one,
    // and not read-only), checked without writing: a change recorded beside the file is
    // refused as a save of it would be. True (the default) when nothing is there.
    virtual bool CanReplace(const std::string& path, ErrorOut error) { return true; }
    // Reads at most n bytes from the start of path into *out and the file's size into *size.
    // False (and error set) when it cannot be read. The default reads the whole file.
    virtual bool ReadFileHead(const std::string& path, size_t n, std::string* out, uint64_t* size,
                              ErrorOut error);
    // Appends data at the end of path (created when missing) and syncs it (fdatasync), so
    // once true the bytes outlive a crash. False (and error set) when they could not all be
    // written and synced, and then cuts the file back to its old size where it can; a kill
    // may leave any prefix of data at the end, which a reader of the file must tell from
    // whole records. The default reads, extends and replaces the file atomically.
    virtual bool AppendFile(const std::string& path, std::string_view data, ErrorOut error);
    // Writes a command's results to path: into a FIFO or a character device (a terminal,
    // /dev/null) as a stream, anything else as WriteFileAtomic. False (and error set) when
    // they could not all be written.
    virtual bool WriteResults(const std::string& path, std::string_view data, ErrorOut error) {
        return WriteFileAtomic(path, data, error);
    }
    // The file that path names: the target of a symbolic link, else path itself.
    virtual std::string Resolve(const std::string& path) { return path; }
    virtual bool FileExists(const std::string& path) = 0;
    // Creates the folder and its parents. False (and *error set) on failure.
    virtual bool CreateDirs(const std::string& path, std::string* error) = 0;
    // True only when nothing is at path (a file that exists but cannot be read is not
    // missing).
    virtual bool IsMissing(const std::string& path) { return !FileExists(path); }
    // Takes the advisory lock of path (through PATH.lock beside it, so it outlives atomic
    // replacements of path), waiting up to waitMs while another process holds it. Null,
    // with error naming the file, when it stays taken (locked) or cannot be made (the
    // kind and reason of the system's error). Every process that loads, changes and saves
    // the file holds it across the three.
    virtual std::unique_ptr<FileLock> LockFile(const std::string& path, int waitMs, ErrorOut error);
    // Keeps the current content of path as copy by a hard link, replacing an older copy.
    // False (and *error set) when that cannot be done; nothing is then changed.
    virtual bool KeepBackup(const std::string& path, const std::string& backup, std::string* error);
};

// How long the file commands wait for another writer of the same file.
inline constexpr int kLockWaitMs = 10000;

// The real file system. Never null; owned by the process.
Env* PosixEnv();

// The steps of a save on the real file system, in order, then those of a restore, then
// the checks before them and the taking of a lock. An append opens, writes (shortWrite),
// syncs its data (fsync) and closes. linkBackup links the old version to a
// temporary name, renameBackup moves it over the backup once the new one is in place; a
// restore syncs the backup (fsync), exchanges the two files, then syncs the folder. stat
// is every look at whether a file is there (also IsMissing and FileExists), access the
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
    bool ReadFile(const std::string& path, std::string* out, ErrorOut error) override;
    bool WriteFileAtomic(const std::string& path, std::string_view data, ErrorOut error) override;
    bool WriteFileWithBackup(const std::string& path, std::string_view data,
                             const std::string& backup, ErrorOut error) override;
    bool RestoreBackup(const std::string& path, const std::string& backup, ErrorOut error) override;
    bool AppendFile(const std::string& path, std::string_view data, ErrorOut error) override;
    bool FileExists(const std::string& path) override;
    bool CreateDirs(const std::string& path, std::string* error) override;
    bool KeepBackup(const std::string& path, const std::string& backup,
                    std::string* error) override;

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
