#pragma once
// CSV (RFC 4180): the one reader every CSV file of the program goes through (statements,
// movements, what the tests read back), and the writer of the exports.
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cartera {

struct CsvRecord {
    int line = 0;  // the line the record starts on, from 1
    std::vector<std::string> fields;
};

struct CsvError {
    int line = 0;    // from 1
    int column = 0;  // character on the line, from 1
    std::string message;
};

// The longest record the streaming reader takes by default: far beyond any real row, and
// small enough that a file without line breaks cannot fill the memory.
inline constexpr size_t kMaxCsvRecordBytes = size_t{1} << 20;

// Reads records one at a time from a stream, holding no more than one record: fields
// separated by commas (or the separator given: a spreadsheet of a comma language saves ';'),
// records by CRLF, LF or CR; a field in double quotes may hold commas, line breaks and doubled
// quotes. A UTF-8 byte-order mark is skipped; a line break at the very end ends the last record; an
// empty line is a record of one empty field.
class CsvReader {
  public:
    // Reads in (not owned; must outlive the reader), fields separated by separator; 0: the
    // one CsvSeparatorOf finds in the first line (its first 4 KiB). A record of more than
    // maxRecordBytes bytes is an error.
    explicit CsvReader(std::istream& in, size_t maxRecordBytes = kMaxCsvRecordBytes,
                       char separator = ',');
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next record into *record: true. False at the end of the input (error->message
    // empty) or on an error (*error set, naming the line and column): a quote inside an
    // unquoted field, text after a closing quote, a quoted field that never closes (named
    // where it opened), a record too long. No record is read after an error. What the
    // stream's buffer throws on a read error propagates.
    bool Next(CsvRecord* record, CsvError* error);
    // The bytes taken from the stream so far, for a progress line.
    size_t BytesRead() const;

    class Cursor;  // where the reader is in the input

  private:
    std::unique_ptr<Cursor> m_cursor;
    size_t m_maxRecordBytes;
    bool m_failed = false;
};

// The separator of a header line: ';' where it holds more semicolons than commas outside
// quotes (a spreadsheet of a decimal-comma language saves so), else ','.
char CsvSeparatorOf(std::string_view line);

// Every record of text, as CsvReader reads them without a length limit. False (records
// partly filled, *error set) on the first error.
bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, CsvError* error,
              char separator = ',');

// The field as written: in double quotes, inner quotes doubled, when it holds a comma, a
// quote, a line break or blanks at either end; as it is otherwise.
std::string CsvField(std::string_view text);
// The fields joined by commas, ending in CRLF.
void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields);

}  // namespace cartera
