#include "host/env.h"

#include <cerrno>
#include <chrono>
#include <memory>

namespace cartera {
ErrorKind FileErrorKind(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENOTDIR:
            return ErrorKind::not_found;
        case EACCES:
        case EPERM:
        case EROFS:
            return ErrorKind::denied;
        case ENAMETOOLONG:
        case ELOOP:
        case EISDIR:
            return ErrorKind::invalid_input;
        default:
            return ErrorKind::io;
    }
}

Status Env::LockFile(const std::string&, int, std::unique_ptr<FileLock>* lock, LockMode) {
    *lock = std::make_unique<FileLock>();
    return {};
}

Status Env::GetFileState(const std::string& path, FileState* state) {
    *state = FileState();
    uint64_t size = 0;
    Status status = GetFileSize(path, &size);
    if (status.IsNotFound()) return {};
    std::filesystem::file_time_type time;
    if (status.ok()) status = GetFileTime(path, &time);
    if (status.ok())
        *state = FileState{
            true, true, size,
            std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count(),
            0};
    return status;
}

Status Env::WriteFileWithBackup(const std::string& path, std::string_view data,
                                const std::string&) {
    return WriteFileAtomic(path, data);
}

Status Env::ReadFileBytes(const std::string& path, FileBytes* out) {
    std::string copy;
    Status status = ReadFile(path, &copy);
    if (status.ok()) *out = FileBytes(std::move(copy));
    return status;
}

Status Env::OpenSequential(const std::string& path, std::unique_ptr<SequentialFile>* file) {
    // The bytes held, served a piece at a time.
    class Held : public SequentialFile {
      public:
        explicit Held(FileBytes bytes) : m_bytes(std::move(bytes)) {}
        Status Read(char* buffer, size_t n, size_t* got) override {
            std::string_view rest = m_bytes.View().substr(m_at);
            *got = rest.copy(buffer, n);
            m_at += *got;
            return {};
        }

      private:
        FileBytes m_bytes;
        size_t m_at = 0;
    };
    FileBytes bytes;
    if (Status read = ReadFileBytes(path, &bytes); !read.ok()) return read;
    *file = std::make_unique<Held>(std::move(bytes));
    return {};
}

Status Env::AppendAt(const std::string& path, uint64_t at, std::string_view data) {
    std::string content;
    Status status = ReadFile(path, &content);
    if (!status.ok()) return status;
    if (content.size() < at)
        return Status(ErrorKind::io,
                      "cannot write " + path + ": another program cut it short; read it again");
    content.resize(at);
    content.append(data);
    return WriteFileAtomic(path, content);
}

Status Env::KeepBackup(const std::string&, const std::string&) { return {}; }

Status Env::RemoveFile(const std::string& path) {
    return Status(ErrorKind::io, "cannot remove " + path + ": not on this file system");
}

}  // namespace cartera
