#pragma once
// What every statement reader needs: a small CSV reader that counts lines, numbers read
// without the process locale, and errors that name the line and the field.
#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// The longest record a reader takes: far beyond any real row, small enough that a file
// without line breaks cannot fill the memory.
inline constexpr size_t kMaxRecordBytes = size_t{1} << 20;

// The longest texts a row keeps: a code, a symbol, an account, a currency or an id, and a
// description. Far beyond any broker's, small enough that a hostile file cannot put
// megabytes into each movement of the journal.
inline constexpr size_t kMaxCodeBytes = 256;
inline constexpr size_t kMaxDescriptionBytes = 1024;

// Reads CSV records (RFC 4180, any one-character separator) from a stream, one at a time:
// a field in double quotes may hold separators, line breaks and doubled quotes; records end
// at CRLF, LF or CR; a UTF-8 byte-order mark at the start is skipped.
class CsvLines {
  public:
    explicit CsvLines(std::istream& in, char separator = ',');
    // The next record and the line it starts on (from 1): true; false at the end. Throws
    // cartera::Error (invalid_input) naming the line for a quote that never closes, text
    // after a closing quote, or a record longer than kMaxRecordBytes.
    bool Next(std::vector<std::string>* fields, size_t* line);
    size_t BytesRead() const { return m_bytes; }

  private:
    int Get();
    int Peek();

    std::streambuf* m_buf;
    char m_separator;
    size_t m_line = 1;
    size_t m_bytes = 0;
    bool m_started = false;
};

// A name as letters and digits only, lower case: "Buy/Sell" and "buySell" give "buysell".
std::string NormalizedName(std::string_view name);
// A plain decimal number with a point ("-1,234.5" takes no grouping: false), blanks around
// it allowed, a leading '+' too. False for anything else, an empty text included.
bool ParseDecimal(std::string_view text, double* out);
// Whether v is a whole number that fits a movement's contracts.
bool IsWholeCount(double v);

// Refuses (FailRow) a text longer than bound bytes: "line N, FIELD: longer than B bytes".
void CheckLength(size_t line, std::string_view field, std::string_view text, size_t bound);
// Refuses (FailRow) the first of the rows from index from on that holds a text longer than
// its bound, naming the row's line and the field.
void CheckRowTexts(const Statement& statement, size_t from);

// Throws cartera::Error (invalid_input): "line N, FIELD: WHAT".
[[noreturn]] void FailRow(size_t line, std::string_view field, const std::string& what);

}  // namespace cartera::statements
