#include "host/file_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace cartera {

FileBytes::FileBytes(FileBytes&& other) noexcept
    : m_copy(std::move(other.m_copy)),
      m_map(std::exchange(other.m_map, nullptr)),
      m_size(std::exchange(other.m_size, 0)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this == &other) return *this;
    Unmap();
    m_copy = std::move(other.m_copy);
    m_map = std::exchange(other.m_map, nullptr);
    m_size = std::exchange(other.m_size, 0);
    return *this;
}

FileBytes::~FileBytes() { Unmap(); }

void FileBytes::Unmap() {
    if (m_map)
        ::munmap(const_cast<char*>(m_map),
                 m_size);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    m_map = nullptr;
    m_size = 0;
}

bool FileBytes::Map(const std::string& path, size_t atLeast, FileBytes* out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    void* map = MAP_FAILED;
    size_t size = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<size_t>(st.st_size) >= atLeast) {
        size = static_cast<size_t>(st.st_size);
        map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    }
    ::close(fd);
    if (map == MAP_FAILED) return false;
    FileBytes mapped;
    mapped.m_map = static_cast<const char*>(map);
    mapped.m_size = size;
    *out = std::move(mapped);
    return true;
}

}  // namespace cartera
