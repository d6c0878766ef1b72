#pragma once
// Advice to the operating system about large buffers.
#include <cstddef>

namespace cartera {

// Asks for large pages behind the whole pages of [data, data + bytes), so filling a buffer of
// hundreds of megabytes takes a fault per 2 MB instead of per 4 KB. Nothing for small buffers
// or where the system has no such advice.
void AdviseLargePages(const void* data, size_t bytes);

// The same for the whole capacity of a vector-like container.
template <typename Container>
void AdviseLargePages(const Container& c) {
    AdviseLargePages(c.data(), c.capacity() * sizeof(*c.data()));
}

}  // namespace cartera
