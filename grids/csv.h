#pragma once
// CSV (RFC 4180): a reader and a writer, a grid's contents as CSV, and movements read from
// CSV as the entry pages would record them.
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/dates.h"
#include "host/error.h"
#include "model/order.h"

class CUGCtrl;
class CSistemaCartera;

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
// separated by commas, records by CRLF, LF or CR; a field in double quotes may hold commas,
// line breaks and doubled quotes. A UTF-8 byte-order mark is skipped; a line break at the
// very end ends the last record; an empty line is a record of one empty field.
class CsvReader {
  public:
    // Reads in (not owned; must outlive the reader). A record of more than maxRecordBytes
    // bytes is an error.
    explicit CsvReader(std::istream& in, size_t maxRecordBytes = kMaxCsvRecordBytes);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next record into *record: true. False at the end of the input (error->message
    // empty) or on an error (*error set, naming the line): a quote inside an unquoted
    // field, text after a closing quote, a quoted field that never closes, a record too
    // long. No record is read after an error.
    bool Next(CsvRecord* record, CsvError* error);

    class Cursor;  // where the reader is in the input

  private:
    std::unique_ptr<Cursor> m_cursor;
    size_t m_maxRecordBytes;
    bool m_failed = false;
};

// Every record of text, as CsvReader reads them without a length limit. False (records
// partly filled, *error set) on the first error.
bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, CsvError* error);

// The field as written: in double quotes, inner quotes doubled, when it holds a comma, a
// quote, a line break or blanks at either end; as it is otherwise.
std::string CsvField(std::string_view text);
// The fields joined by commas, ending in CRLF.
void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields);

// What the grid shows: the visible columns in grid order (spacer columns of 2 pixels or
// less left out), the heading texts as a first record unless the grid has no headings,
// then every row but the separator rows (2 pixels or less). Cells of a table grid's number
// columns are written as plain decimals with a point, as many decimals as shown and a
// leading "-" for negative values; every other cell as shown.
void ExportGridCsv(const CUGCtrl& grid, std::ostream& out);

// The ledger's journal in the form ParseMovementsCsv reads, one record per movement in
// journal order: date (YYYY-MM-DD), time, type word, code, symbol, contracts, price,
// commission (the typed amount of a buy or sell, the whole movement's), group, decimals.
// A cash movement is written as one unit of its total.
void ExportMovementsCsv(const CSistemaCartera& ledger, std::ostream& out);

// Reads movements: a header record naming the columns (any order, names ignoring case)
// date, type, code, contracts and price, and optionally time, symbol, commission,
// schedule, group and decimals; the movements grid's headings in the interface language
// name the same columns, its derived columns (Total, Guarantee, Point Value, Balance) are
// ignored, and without a code column the symbol is the code. Types are buy, sell,
// dividend, expense, imposition, deposit and refund, or the grid's type letters. Each row
// becomes the movement the entry page would record: buys and sells with page decimals 2
// and a typed commission, a schedule chosen by name prefix, or else the default schedule;
// cash movements with the symbol (or code) as description and the price as amount;
// dividends with the contracts as shares and the price per share. Dates are read in
// dateFormat (see ParseDateFormat), ISO 8601 unless told otherwise; a movement beyond the
// entry bounds (CheckEntryBounds) is refused. Blank lines are skipped.
// The input is read a record at a time, each at most maxRecordBytes long; what its stream
// buffer throws on a read error propagates. On any error invalid_input naming the line and the
// column, out untouched.
Status ParseMovementsCsv(std::istream& in, const CSistemaCartera& ledger,
                         std::vector<COrderCartera>* out,
                         std::string_view dateFormat = kIsoDateFormat,
                         size_t maxRecordBytes = kMaxCsvRecordBytes);

}  // namespace cartera
