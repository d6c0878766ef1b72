#include "testing/mem_env.h"

#include <chrono>

namespace cartera {

Status MemEnv::RemoveFile(const std::string& path) {
    m_files.erase(path);
    return {};
}

Status MemEnv::ReadFile(const std::string& path, std::string* out) {
    auto it = m_files.find(path);
    if (it == m_files.end())
        return Status(ErrorKind::not_found, "cannot open " + path + ": No such file or directory");
    *out = it->second;
    return {};
}

Status MemEnv::WriteFileAtomic(const std::string& path, std::string_view data) {
    return WriteFileWithBackup(path, data, std::string());
}

Status MemEnv::Refusal(const std::string& path) const {
    if (!m_readOnlySuffix.empty() && path.ends_with(m_readOnlySuffix))
        return Status(ErrorKind::denied, path + " is read-only; it was not changed");
    if (Fails(path)) return Status(ErrorKind::io, "cannot write " + path + ": injected failure");
    return {};
}

Status MemEnv::WriteFileWithBackup(const std::string& path, std::string_view data,
                                   const std::string& backup) {
    if (Status refused = Refusal(path); !refused.ok()) return refused;
    auto it = m_files.find(path);
    if (it != m_files.end() && !backup.empty()) m_files[backup] = it->second;
    m_files[path] = std::string(data);
    Wrote(path);
    return {};
}

Status MemEnv::AppendAt(const std::string& path, uint64_t at, std::string_view data) {
    if (Status refused = Refusal(path); !refused.ok()) return refused;
    auto it = m_files.find(path);
    if (it == m_files.end())
        return Status(ErrorKind::io, "cannot write " + path + ": No such file or directory");
    if (it->second.size() < at)
        return Status(ErrorKind::io, "cannot write " + path + ": another program cut it short");
    it->second.resize(at);
    if (m_tearAt != SIZE_MAX) {  // a kill in the middle: a prefix stays
        it->second.append(data.substr(0, m_tearAt));
        m_tearAt = SIZE_MAX;
        Wrote(path);
        return Status(ErrorKind::io, "cannot write " + path + ": injected failure");
    }
    it->second.append(data);
    Wrote(path);
    return {};
}

Status MemEnv::LockFile(const std::string& path, int waitMs, std::unique_ptr<FileLock>* lock,
                        LockMode) {
    lock->reset();
    if (m_locksHeld)
        return Status(ErrorKind::locked, path +
                                             " is in use by another program (still locked after " +
                                             std::to_string(waitMs / 1000) + " s)");
    *lock = std::make_unique<FileLock>();
    return {};
}

Status MemEnv::GetFileState(const std::string& path, FileState* state) {
    *state = FileState();
    auto it = m_files.find(path);
    if (it != m_files.end()) *state = FileState{true, true, it->second.size(), m_written[path], 0};
    return {};
}

bool MemEnv::FileExists(const std::string& path) { return m_files.count(path) != 0; }

Status MemEnv::GetFileSize(const std::string& path, uint64_t* size) {
    auto it = m_files.find(path);
    if (it == m_files.end())
        return Status(ErrorKind::not_found,
                      "cannot look at " + path + ": No such file or directory");
    *size = it->second.size();
    return {};
}

Status MemEnv::GetFileTime(const std::string& path, std::filesystem::file_time_type* time) {
    uint64_t size;
    Status status = GetFileSize(path, &size);
    if (status.ok()) *time = std::filesystem::file_time_type(std::chrono::nanoseconds(m_writes));
    return status;
}

Status MemEnv::CreateDirs(const std::string&) { return {}; }

Status MemEnv::KeepBackup(const std::string& path, const std::string& backup) {
    auto it = m_files.find(path);
    if (it != m_files.end()) m_files[backup] = it->second;
    return {};
}

const Context& testing::BareContext() {
    static MemEnv env;
    static const Context bare{&env, {}, "/mem/bare", Language::en};
    return bare;
}

}  // namespace cartera
