#include "grids/csv.h"

#include <ostream>

#include "grids/grid_qbase.h"
#include "grids/number_text.h"
#include "host/grid/table_grid.h"
#include "host/numbers.h"
#include "host/strings.h"

namespace cartera {
namespace {

// Walks the text keeping the line and character column of the current position.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek(size_t ahead = 0) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }
    bool AtLineBreak() const { return !AtEnd() && (Peek() == '\n' || Peek() == '\r'); }
    int Line() const { return m_line; }
    int Column() const { return m_column; }

    // Moves over one byte; a line break (CRLF counted once) starts a new line.
    char Take() {
        char c = m_text[m_pos++];
        if (c == '\n' || (c == '\r' && Peek() != '\n')) {
            ++m_line;
            m_column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            ++m_column;
        }
        return c;
    }
    void SkipLineBreak() {
        if (Peek() == '\r' && Peek(1) == '\n') Take();
        Take();
    }

  private:
    std::string_view m_text;
    size_t m_pos = 0;
    int m_line = 1;
    int m_column = 1;
};

bool Fail(const Cursor& at, const std::string& message, CsvError* error) {
    if (error) *error = CsvError{at.Line(), at.Column(), message};
    return false;
}

bool ReadQuoted(Cursor& c, std::string* field, CsvError* error) {
    Cursor start = c;
    c.Take();  // the opening quote
    for (;;) {
        if (c.AtEnd()) return Fail(start, "quoted field never closes", error);
        char ch = c.Take();
        if (ch != '"') {
            *field += ch;
        } else if (c.Peek() == '"') {
            c.Take();
            *field += '"';
        } else {
            break;
        }
    }
    if (!c.AtEnd() && c.Peek() != ',' && !c.AtLineBreak())
        return Fail(c, "text after a closing quote", error);
    return true;
}

bool ReadField(Cursor& c, std::string* field, CsvError* error) {
    if (c.Peek() == '"') return ReadQuoted(c, field, error);
    while (!c.AtEnd() && c.Peek() != ',' && !c.AtLineBreak()) {
        if (c.Peek() == '"') return Fail(c, "quote inside an unquoted field", error);
        *field += c.Take();
    }
    return true;
}

// A grid number cell as a plain decimal with the decimals shown; the text as it is when
// it does not read as a number.
std::string PlainNumber(const std::string& shown) {
    double value = 0;
    if (shown.empty() || !ParseGroupedNumber(shown, &value)) return shown;
    std::string decimal = GetSepDecimal();
    size_t at = shown.rfind(decimal);
    int decimals = at == std::string::npos ? 0 : static_cast<int>(shown.size() - at - 1);
    return FixedText(value, decimals);
}

}  // namespace

bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, CsvError* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Cursor c(text);
    while (!c.AtEnd()) {
        CsvRecord record;
        record.line = c.Line();
        for (;;) {
            std::string field;
            if (!ReadField(c, &field, error)) return false;
            record.fields.push_back(std::move(field));
            if (c.Peek() != ',' || c.AtEnd()) break;
            c.Take();
        }
        if (c.AtLineBreak()) c.SkipLineBreak();
        records->push_back(std::move(record));
    }
    return true;
}

std::string CsvField(std::string_view text) {
    bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                 (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return std::string(text);
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
    return out;
}

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out << ',';
        out << CsvField(fields[i]);
    }
    out << "\r\n";
}

void ExportGridCsv(const CUGCtrl& grid, std::ostream& out) {
    const auto* table = dynamic_cast<const CBaseGrid*>(&grid);
    std::vector<int> cols;
    std::vector<bool> numbers;
    for (int col = 0; col < grid.GetNumberCols(); ++col) {
        if (grid.IsColHidden(col) || grid.GetColWidth(col) <= 2) continue;
        cols.push_back(col);
        int id = table ? table->GetHeader().GetColID(col) : -1;
        numbers.push_back(table && ColumnKindOf(id) == ColumnKind::kNumber);
    }
    std::vector<std::string> fields;
    if (grid.GetTH_Height() > 0) {
        for (int col : cols) {
            // A table grid's heading in today's language, whatever it showed when built.
            std::string heading = table ? ::LS(table->GetHeader().GetColID(col)) : "";
            fields.push_back(heading.empty() ? grid.QuickGetText(col, -1) : heading);
        }
        WriteCsvRecord(out, fields);
    }
    for (int row = 0; row < grid.GetNumberRows(); ++row) {
        if (grid.GetRowHeight(row) <= 2) continue;
        fields.clear();
        for (size_t i = 0; i < cols.size(); ++i) {
            std::string text = grid.QuickGetText(cols[i], row);
            fields.push_back(numbers[i] ? PlainNumber(text) : text);
        }
        WriteCsvRecord(out, fields);
    }
}

}  // namespace cartera
