#pragma once
// File access behind an interface, so tests can run on an in-memory fake and inject faults.
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace cartera {

// An advisory lock on a file, held until destroyed.
class FileLock {
  public:
    virtual ~FileLock() = default;
};

class Env {
  public:
    virtual ~Env() = default;

    // Reads the whole file into *out. False (and *error set) when it cannot be read.
    virtual bool ReadFile(const std::string& path, std::string* out, std::string* error) = 0;
    // Replaces the file with data atomically: after a crash or a kill at any moment the
    // path holds either its old content or the new one, never a mix. False (and *error
    // set) when the new content could not be put in place; the old file is then intact.
    virtual bool WriteFileAtomic(const std::string& path, std::string_view data,
                                 std::string* error) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Creates the folder and its parents. False (and *error set) on failure.
    virtual bool CreateDirs(const std::string& path, std::string* error) = 0;
    // True only when nothing is at path (a file that exists but cannot be read is not
    // missing).
    virtual bool IsMissing(const std::string& path) { return !FileExists(path); }
    // Takes the advisory lock of path (through PATH.lock beside it, so it outlives atomic
    // replacements of path), waiting up to waitMs while another process holds it. Null,
    // with *error naming the file, when it stays taken or cannot be made. Every process
    // that loads, changes and saves the file holds it across the three.
    virtual std::unique_ptr<FileLock> LockFile(const std::string& path, int waitMs,
                                               std::string* error);
    // Keeps the current content of path as backup by a hard link, replacing an older
    // backup, so the next atomic save leaves the previous version there. False (and
    // *error set) when that cannot be done; nothing is then changed.
    virtual bool KeepBackup(const std::string& path, const std::string& backup, std::string* error);
};

// How long the file commands wait for another writer of the same file.
inline constexpr int kLockWaitMs = 10000;

// The real file system. Never null; owned by the process.
Env* PosixEnv();

// The steps of a save on the real file system, in order.
enum class SaveStep { open, write, shortWrite, fsync, close, rename, syncFolder, cleanUp };

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
    bool ReadFile(const std::string& path, std::string* out, std::string* error) override;
    bool WriteFileAtomic(const std::string& path, std::string_view data,
                         std::string* error) override;
    bool FileExists(const std::string& path) override;
    bool CreateDirs(const std::string& path, std::string* error) override;
    bool KeepBackup(const std::string& path, const std::string& backup,
                    std::string* error) override;

    void SetFailWrites(bool fail) { m_failWrites = fail; }
    int WriteCount() const { return m_writes; }
    std::map<std::string, std::string>& Files() { return m_files; }

  private:
    std::map<std::string, std::string> m_files;
    bool m_failWrites = false;
    int m_writes = 0;
};

}  // namespace cartera
