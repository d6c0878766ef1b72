#include "host/file_stream.h"

#include <algorithm>

namespace cartera {
namespace {
constexpr size_t kChunkBytes = size_t{1} << 16;
}  // namespace

FileInputBuffer::FileInputBuffer(std::unique_ptr<SequentialFile> file, size_t headBytes)
    : m_file(std::move(file)), m_head(headBytes, '\0') {
    m_head.resize(Fill(m_head.data(), m_head.size()));
    setg(m_head.data(), m_head.data(), m_head.data() + m_head.size());
}

size_t FileInputBuffer::Fill(char* to, size_t n) {
    size_t done = 0;
    while (done < n && m_failure.ok()) {
        size_t got = 0;
        m_failure = m_file->Read(to + done, n - done, &got);
        if (got == 0) break;
        done += got;
    }
    return done;
}

FileInputBuffer::int_type FileInputBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    m_chunk.resize(kChunkBytes);
    const size_t got = Fill(m_chunk.data(), m_chunk.size());
    if (got == 0) return traits_type::eof();
    setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + got);
    return traits_type::to_int_type(*gptr());
}

std::streamsize FileInputBuffer::xsgetn(char* s, std::streamsize n) {
    // What the buffer holds, then the rest straight from the file: large reads (the XML
    // reader's) are not copied twice.
    const std::streamsize held = std::min<std::streamsize>(n, egptr() - gptr());
    std::copy(gptr(), gptr() + held, s);
    setg(eback(), gptr() + held, egptr());
    if (held == n) return held;
    return held + static_cast<std::streamsize>(Fill(s + held, static_cast<size_t>(n - held)));
}

}  // namespace cartera
