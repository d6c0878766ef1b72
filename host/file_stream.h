#pragma once
// A file read once as a stream, from its start: its first bytes are read at once and kept, to
// tell its format by, then given again before the rest, so a pipe or /dev/stdin is recognised
// and read without seeking, and a large file is never held whole, only a piece at a time.
#include <cstddef>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "host/env.h"

namespace cartera {

class FileInputBuffer : public std::streambuf {
  public:
    // Reads the first headBytes of file now.
    FileInputBuffer(std::unique_ptr<SequentialFile> file, size_t headBytes);
    // The file's first bytes (all of it when shorter).
    std::string_view Head() const { return m_head; }
    // The first failure of a read; ok while there was none. The stream then ends there.
    const Status& Failure() const { return m_failure; }

  protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* s, std::streamsize n) override;

  private:
    // Reads into to until n bytes or the end; how many. A failure ends the file.
    size_t Fill(char* to, size_t n);

    std::unique_ptr<SequentialFile> m_file;
    std::string m_head;
    std::string m_chunk;  // the rest of the file, read a chunk at a time
    Status m_failure;
};

class FileInput : private FileInputBuffer, public std::istream {
  public:
    FileInput(std::unique_ptr<SequentialFile> file, size_t headBytes)
        : FileInputBuffer(std::move(file), headBytes),
          std::istream(static_cast<FileInputBuffer*>(this)) {}
    using FileInputBuffer::Failure;
    using FileInputBuffer::Head;
};

}  // namespace cartera
