#include "host/file_bytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <utility>

namespace cartera {
namespace {

// The mappings a SIGBUS may come from. A file cut short under its mapping makes every read
// past the cut raise SIGBUS, which would end the process: the handler puts zero pages over
// the rest of the mapping and notes it, so the reader finishes and reports an I/O error.
struct WatchedMapping {
    std::atomic<uintptr_t> start{0};
    std::atomic<size_t> size{0};
    std::atomic<bool> cut{false};
};
constexpr int kWatched = 64;
WatchedMapping g_watched[kWatched];
struct sigaction g_previous {};
uintptr_t g_pageSize = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (WatchedMapping& w : g_watched) {
        const uintptr_t start = w.start.load(std::memory_order_acquire);
        const size_t size = w.size.load(std::memory_order_acquire);
        if (start == 0 || at < start || at >= start + size) continue;
        const uintptr_t from = at & ~(g_pageSize - 1);
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the page's address is a number here
        if (::mmap(reinterpret_cast<void*>(from), start + size - from, PROT_READ,
                   MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
            w.cut.store(true, std::memory_order_release);
            return;  // the read is made again, of zeros
        }
    }
    // Not one of ours: as the handler before would have it.
    if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the read faults again, and ends the process
    }
}

// A slot for a mapping at start of size bytes; -1 when all are taken (then not mapped).
int Watch(const char* start, size_t size) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        g_pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previous);
    });
    for (int i = 0; i < kWatched; ++i) {
        uintptr_t free = 0;
        if (g_watched[i].start.load() == 0 &&
            g_watched[i].start.compare_exchange_strong(free, reinterpret_cast<uintptr_t>(start))) {
            g_watched[i].cut.store(false);
            g_watched[i].size.store(size, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

}  // namespace

FileBytes::FileBytes(FileBytes&& other) noexcept
    : m_copy(std::move(other.m_copy)),
      m_map(std::exchange(other.m_map, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_slot(std::exchange(other.m_slot, -1)) {}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this == &other) return *this;
    Unmap();
    m_copy = std::move(other.m_copy);
    m_map = std::exchange(other.m_map, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_slot = std::exchange(other.m_slot, -1);
    return *this;
}

FileBytes::~FileBytes() { Unmap(); }

bool FileBytes::CutShort() const {
    return m_slot >= 0 && g_watched[m_slot].cut.load(std::memory_order_acquire);
}

void FileBytes::Unmap() {
    if (m_slot >= 0) {  // unwatched first, so the handler never reaches a range in other use
        g_watched[m_slot].size.store(0);
        g_watched[m_slot].start.store(0, std::memory_order_release);
    }
    if (m_map)
        ::munmap(const_cast<char*>(m_map),
                 m_size);  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    m_map = nullptr;
    m_size = 0;
    m_slot = -1;
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
    mapped.m_slot = Watch(mapped.m_map, size);
    if (mapped.m_slot < 0) return false;  // unwatched, a cut would end the process: read it
    *out = std::move(mapped);
    return true;
}

ViewBuffer::ViewBuffer(std::string_view bytes) {
    // Only read: the get area never writes through its pointers.
    char* begin = const_cast<char*>(bytes.data());  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    setg(begin, begin, begin + bytes.size());
}

}  // namespace cartera
