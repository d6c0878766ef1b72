#pragma once
// File access behind an interface, so tests can run on an in-memory fake and inject faults.
#include <cstddef>
#include <cstdint>
#include <filesystem>
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

// A file read once from its start, a piece at a time.
class SequentialFile {
  public:
    virtual ~SequentialFile() = default;
    // Reads the next bytes, at most n, into buffer; *got says how many, 0 at the end. A
    // failure naming the file (invalid_input for a folder) when they cannot be read.
    virtual Status Read(char* buffer, size_t n, size_t* got) = 0;
};

// An advisory lock on a file, held until destroyed.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

// Writers hold a file's lock alone; readers share it, so they never see a change half made.
enum class LockMode { exclusive, shared };

// What a path names on disk, to tell whether another program changed it: its size, the time
// of its last change (nanoseconds) and its identity (inode). exists false when nothing is
// there; regular false for a FIFO, a device or a folder.
struct FileState {
    bool exists = false;
    bool regular = false;
    uint64_t size = 0;
    int64_t timeNs = 0;
    uint64_t id = 0;
    bool operator==(const FileState&) const = default;
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
    // Opens path to be read once from its start into *file, as ReadFile reads it (a FIFO
    // without a writer is empty) but a piece at a time: nothing sought, so a pipe or a
    // terminal reads too, and a large file is never held whole. not_found when nothing is at
    // path. The default holds ReadFileBytes' bytes.
    virtual Status OpenSequential(const std::string& path, std::unique_ptr<SequentialFile>* file);
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
    // Writes data at byte at of the existing regular file path, cutting off whatever stood
    // from at on (a record a killed writer left half written), and syncs it (fdatasync), so
    // once ok the bytes outlive a crash; a close that fails after the sync does not undo
    // that. A failure when they could not all be written and synced: the file is then cut
    // back to at where it can. A kill may leave any prefix of data at the end, which a reader
    // must tell from whole records. Refused as WriteFileAtomic refuses (a read-only file,
    // anything but a regular file), and with io when the file is shorter than at (another
    // program changed it). The first append of a process to a file also removes what killed
    // writers of it left (as a whole write does). The default reads, changes and replaces the
    // file atomically.
    virtual Status AppendAt(const std::string& path, uint64_t at, std::string_view data);
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
    // Size, time and identity of what path names (a link followed); exists false, and ok,
    // when nothing is there. The default has no identity and takes the time from GetFileTime.
    virtual Status GetFileState(const std::string& path, FileState* state);
    // Creates the folder and its parents.
    virtual Status CreateDirs(const std::string& path) = 0;
    // Removes the file path names; ok when nothing is there. The default cannot.
    virtual Status RemoveFile(const std::string& path);
    // Takes the advisory lock of path (through PATH.lock beside it, so it outlives atomic
    // replacements of path), waiting up to waitMs while another process holds it, into
    // *lock. A failure naming the file when it stays taken (locked) or cannot be made (the
    // kind and reason of the system's error); *lock is then null. Every process that
    // loads, changes and saves the file holds it across the three; readers take it shared.
    // A shared lock whose file cannot be made for want of permission is no lock (no writer
    // could take it either).
    virtual Status LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock,
                            LockMode mode = LockMode::exclusive);
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
        return Target()->ReadFile(p, out);
    }
    Status ReadFileBytes(const std::string& p, FileBytes* out) override {
        return Target()->ReadFileBytes(p, out);
    }
    Status OpenSequential(const std::string& p, std::unique_ptr<SequentialFile>* file) override {
        return Target()->OpenSequential(p, file);
    }
    Status WriteFileAtomic(const std::string& p, std::string_view data) override {
        return Target()->WriteFileAtomic(p, data);
    }
    Status WriteFileWithBackup(const std::string& p, std::string_view data,
                               const std::string& backup) override {
        return Target()->WriteFileWithBackup(p, data, backup);
    }
    Status AppendAt(const std::string& p, uint64_t at, std::string_view data) override {
        return Target()->AppendAt(p, at, data);
    }
    Status WriteResults(const std::string& p, std::string_view data) override {
        return Target()->WriteResults(p, data);
    }
    std::string Resolve(const std::string& p) override { return Target()->Resolve(p); }
    bool FileExists(const std::string& p) override { return Target()->FileExists(p); }
    Status GetFileSize(const std::string& p, uint64_t* size) override {
        return Target()->GetFileSize(p, size);
    }
    Status GetFileTime(const std::string& p, std::filesystem::file_time_type* time) override {
        return Target()->GetFileTime(p, time);
    }
    Status GetFileState(const std::string& p, FileState* state) override {
        return Target()->GetFileState(p, state);
    }
    Status CreateDirs(const std::string& p) override { return Target()->CreateDirs(p); }
    Status RemoveFile(const std::string& p) override { return Target()->RemoveFile(p); }
    Status LockFile(const std::string& p, int waitMs, std::unique_ptr<FileLock>* lock,
                    LockMode mode) override {
        return Target()->LockFile(p, waitMs, lock, mode);
    }
    Status KeepBackup(const std::string& p, const std::string& backup) override {
        return Target()->KeepBackup(p, backup);
    }

  protected:
    // The environment an operation goes to; the one given, unless a subclass says another.
    virtual Env* Target() const { return m_target; }

  private:
    Env* m_target;
};

}  // namespace cartera
