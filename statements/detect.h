#pragma once
// Which reader a statement file needs, told from its first bytes, and reading it by name.
// Readers are registered in one table (detect.cc): each has a name, a test of the file's
// first bytes and a function that reads the whole stream.
#include <cstddef>
#include <functional>
#include <istream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// Cartera's own movements CSV: recognised here, read by the movements import of the grids
// layer (ParseMovementsCsv), not by ReadStatement.
inline constexpr std::string_view kCarteraFormat = "cartera";

// How much of a file DetectFormat wants to see.
inline constexpr size_t kDetectBytes = 64 * 1024;

struct ReadOptions {
    // A mapping (a file's path or a shipped mapping's name) for readers that need one.
    std::string map;
    // Called now and then with the bytes read so far, for a progress line.
    std::function<void(size_t)> progress;
};

struct FormatEntry {
    std::string_view name;
    std::string_view description;
    // Whether the file's first bytes (up to kDetectBytes) look like this format.
    bool (*recognises)(std::string_view head);
    // Reads the whole statement; throws cartera::Error (invalid_input) naming the line and
    // field of the first bad row. Null for the format read elsewhere (kCarteraFormat).
    Statement (*read)(std::istream& in, const ReadOptions& options);
};

// A stream that reads its source once, from the start: the first kDetectBytes are read at
// once and kept for DetectFormat, then given again before the rest of the source, so a
// pipe or /dev/stdin is recognised and read without seeking. What the source's buffer
// throws on a read error propagates.
class HeadKeptBuffer : public std::streambuf {
  public:
    // Reads the head now; source must outlive the buffer.
    explicit HeadKeptBuffer(std::istream& source);
    // The source's first bytes (all of it when shorter).
    std::string_view Head() const { return m_head; }

  protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* s, std::streamsize n) override;

  private:
    std::streambuf* m_source;
    std::string m_head;
    std::string m_chunk;  // the rest of the source, read a chunk at a time
};

class HeadKeptInput : private HeadKeptBuffer, public std::istream {
  public:
    explicit HeadKeptInput(std::istream& source)
        : HeadKeptBuffer(source), std::istream(static_cast<HeadKeptBuffer*>(this)) {}
    using HeadKeptBuffer::Head;
};

// Every registered format, in the order detection tries them; Cartera's own CSV is last
// and takes whatever no other format claims (its reader reports what it cannot read).
const std::vector<FormatEntry>& Formats();
// The entry of that name; null when none has it.
const FormatEntry* FindFormat(std::string_view name);
// The name of the first format whose test accepts head.
std::string DetectFormat(std::string_view head);
// Reads in as the named format. Throws cartera::Error (invalid_input) for an unknown name
// (listing the known ones), for kCarteraFormat, and for a bad row (its line and field).
Statement ReadStatement(std::istream& in, const std::string& format,
                        const ReadOptions& options = {});

}  // namespace cartera::statements
