#pragma once
// File access behind an interface, so tests can run on an in-memory fake and inject faults.
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace cartera {

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
};

// The real file system. Never null; owned by the process.
Env* PosixEnv();

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

    void SetFailWrites(bool fail) { m_failWrites = fail; }
    int WriteCount() const { return m_writes; }
    std::map<std::string, std::string>& Files() { return m_files; }

private:
    std::map<std::string, std::string> m_files;
    bool m_failWrites = false;
    int m_writes = 0;
};

}  // namespace cartera
