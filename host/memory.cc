#include "host/memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace cartera {

void AdviseLargePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLarge = uintptr_t{2} << 20;
    if (bytes < 2 * kLarge) return;
    // Only the 2 MB-aligned middle: the advice must not reach memory other owners share.
    uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kLarge - 1);
    // An address computed from the buffer's own, so the cast loses nothing.
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin,  // NOLINT(performance-no-int-to-ptr)
                MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace cartera
