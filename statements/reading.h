#pragma once
// What every statement reader shares: CSV records with errors that name the line and the
// field, the bounds of a row's texts, and the finishing of a statement's rows.
#include <cstddef>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/quantity.h"
#include "statements/statement.h"
#include "text/csv.h"
#include "text/number.h"

namespace cartera::statements {

// The longest texts a row keeps: a code, a symbol, an account, a currency or an id, and a
// description. Far beyond any broker's, small enough that a hostile file cannot put
// megabytes into each movement of the journal.
inline constexpr size_t kMaxCodeBytes = 256;
inline constexpr size_t kMaxDescriptionBytes = 1024;

// A statement's CSV records, read one at a time (see CsvReader).
class CsvRows {
  public:
    // Fields separated by separator; 0: by the first line's (see CsvSeparatorOf).
    explicit CsvRows(std::istream& in, char separator = ',')
        : m_reader(in, kMaxCsvRecordBytes, separator) {}
    // The next record, blank ones too: true; false at the end. Throws cartera::Error
    // (invalid_input) as FailRow does for a record CsvReader refuses: "line N, record: WHAT
    // (column C)".
    bool Next(CsvRecord* record);
    size_t BytesRead() const { return m_reader.BytesRead(); }

  private:
    CsvReader m_reader;
};

// Hands every record of rows to take, reporting the bytes read every 4096 records and at the
// end through progress (when it is set).
template <typename Take>
void ForEachRecord(CsvRows& rows, const std::function<void(size_t)>& progress, Take take) {
    CsvRecord record;
    for (size_t count = 1; rows.Next(&record); ++count) {
        take(record);
        if (progress && count % 4096 == 0) progress(rows.BytesRead());
    }
    if (progress) progress(rows.BytesRead());
}

// Whether every field of the record is blank.
bool IsBlank(const CsvRecord& r);
// The header row at the start of a file's first bytes (all of it when the head ends
// inside it), fields separated by separator (0: as CsvRows finds it); empty when the head
// holds no complete field.
std::vector<std::string> HeaderOf(std::string_view head, char separator = ',');

// Three capital ASCII letters: how the brokers write a currency.
bool IsCurrencyCode(std::string_view text);
// Whether v is a whole number that fits a movement's contracts.
bool IsWholeCount(double v);
// An amount the reader computed (a gross dividend, a converted charge) without the noise of
// binary fractions: rounded to 10 decimals, so 0.5 x 0.204 + 0.036 is 0.138.
double Tidy(double v);

// Refuses (FailRow) a text longer than bound bytes: "line N, FIELD: longer than B bytes".
void CheckLength(size_t line, std::string_view field, std::string_view text, size_t bound);
// Refuses (FailRow) the first of the rows from index from on that holds a text longer than
// its bound, naming the row's line and the field.
void CheckRowTexts(const Statement& statement, size_t from);

// Throws cartera::Error (invalid_input): "line N, FIELD: WHAT".
[[noreturn]] void FailRow(size_t line, std::string_view field, const std::string& what);
// The same naming the text that could not be read: "line N, FIELD: "text" WHAT".
[[noreturn]] void ThrowRowError(size_t line, std::string_view field, std::string_view text,
                                std::string_view what);

// A quantity exactly as the row writes it in form, its sign kept; nullopt for an empty
// text. Refuses (ThrowRowError) a text that is no number ("is not a number"), one of more
// than ten decimals ("has more than 10 decimals", never rounded) and one of more than 18
// whole digits.
std::optional<Quantity> ReadRowQuantity(size_t line, std::string_view field, std::string_view text,
                                        const NumberForm& form);
// Its size: the quantity without its sign.
inline Quantity Magnitude(Quantity q) { return q < 0 ? -q : q; }

// An exchange that goes with the row `of` (its automatic conversion, its costs): at its line
// and moment, with its id and the suffix when it has one, the rest to fill in.
StatementRow ExchangeBeside(const StatementRow& of, std::string_view idSuffix);

// Rows that share one id (the fills of one order) keep the first bare and get "/2", "/3"…
// after it in file order, so that a second import tells them apart from each other.
void NumberRepeatedIds(std::vector<StatementRow>* rows);
// Sorts rows by date and time, keeping the file's order within a moment: brokers list
// the newest first.
void SortByTime(std::vector<StatementRow>* rows);

}  // namespace cartera::statements
