#pragma once
// A file's bytes held for reading: a read-only mapping of the file where the system allows,
// so a large file is neither copied nor given fresh memory the kernel must clear, else a
// copy in memory.
#include <cstddef>
#include <istream>
#include <streambuf>
#include <string>
#include <string_view>

namespace cartera {

class FileBytes {
  public:
    FileBytes() = default;
    explicit FileBytes(std::string copy) : m_copy(std::move(copy)) {}
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();  // ends the mapping, if any

    // The bytes, valid while this object lives unchanged.
    std::string_view View() const {
        return m_map ? std::string_view(m_map, m_size) : std::string_view(m_copy);
    }
    bool Mapped() const { return m_map != nullptr; }
    // Whether another program cut the mapped file short while it was mapped, so that what
    // View() showed from the cut on read as zero bytes instead of stopping the process
    // (SIGBUS). Bytes read before asking are only trustworthy when this is false.
    bool CutShort() const;

    // Maps the regular file at path, of at least atLeast bytes (and never empty), read-only
    // with its pages read in at once, into *out. False, *out unchanged, when it is not such a
    // file or the system refuses to map it; the caller then reads it. Writers of portfolio
    // files cut one short only under its lock, which readers share; a program that does
    // anyway is found by CutShort().
    static bool Map(const std::string& path, size_t atLeast, FileBytes* out);

  private:
    void Unmap();

    std::string m_copy;
    const char* m_map = nullptr;
    size_t m_size = 0;
    int m_slot = -1;  // of the mappings the SIGBUS handler watches
};

// Bytes held elsewhere (a FileBytes' view, a string) as a stream buffer, read without a
// copy; the bytes must outlive it and stay unchanged.
class ViewBuffer : public std::streambuf {
  public:
    explicit ViewBuffer(std::string_view bytes);
};

// A stream reading bytes held elsewhere, as ViewBuffer.
class ViewInput : private ViewBuffer, public std::istream {
  public:
    explicit ViewInput(std::string_view bytes)
        : ViewBuffer(bytes), std::istream(static_cast<ViewBuffer*>(this)) {}
};

}  // namespace cartera
