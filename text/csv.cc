#include "text/csv.h"

#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>

#include "host/file_bytes.h"

namespace cartera {
namespace {

// How far a reader told to find its separator looks into the first line.
constexpr size_t kSeparatorLookAhead = 4096;

bool Fail(int line, int column, const std::string& message, CsvError* error) {
    if (error) *error = CsvError{line, column, message};
    return false;
}

}  // namespace

// Walks the input keeping the line and character column of the current position, and the
// bytes taken since the record began.
class CsvReader::Cursor {
  public:
    Cursor(std::streambuf* in, char separator) : m_in(in), m_separator(separator) {}

    char Separator() const { return m_separator; }
    void SetSeparator(char separator) { m_separator = separator; }

    bool AtEnd() { return Get(0) == kEnd; }
    // The byte ahead positions on; '\0' past the end.
    char Peek(size_t ahead = 0) {
        int c = Get(ahead);
        return c == kEnd ? '\0' : static_cast<char>(c);
    }
    bool AtLineBreak() { return !AtEnd() && (Peek() == '\n' || Peek() == '\r'); }
    int Line() const { return m_line; }
    int Column() const { return m_column; }
    size_t RecordBytes() const { return m_recordBytes; }
    size_t Taken() const { return m_taken; }
    void StartRecord() { m_recordBytes = 0; }

    // Moves over one byte; a line break (CRLF counted once) starts a new line.
    char Take() {
        char c;
        if (!m_ahead.empty()) {
            c = m_ahead.front();
            m_ahead.erase(0, 1);
        } else {
            c = static_cast<char>(m_in->sbumpc());
        }
        ++m_recordBytes;
        ++m_taken;
        if (c == '\n' || (c == '\r' && Peek() != '\n')) {
            ++m_line;
            m_column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            ++m_column;
        }
        return c;
    }
    // Appends the bytes up to the next separator, quote, line break or the end, while the
    // record stays within limit bytes; as Take one at a time would.
    void TakeRun(size_t limit, std::string* field) {
        if (!m_ahead.empty() || !m_in) return;
        for (int c = m_in->sgetc(); c != kEnd && m_recordBytes < limit; c = m_in->snextc()) {
            const char ch = static_cast<char>(c);
            if (ch == m_separator || ch == '"' || ch == '\n' || ch == '\r') return;
            field->push_back(ch);
            ++m_recordBytes;
            ++m_taken;
            if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++m_column;
        }
    }
    void SkipLineBreak() {
        if (Take() == '\r' && Peek() == '\n') Take();
    }

  private:
    static constexpr int kEnd = std::char_traits<char>::eof();

    int Get(size_t ahead) {
        if (ahead == 0 && m_ahead.empty()) return m_in ? m_in->sgetc() : kEnd;
        while (m_ahead.size() <= ahead) {
            int c = m_in ? m_in->sbumpc() : kEnd;
            if (c == kEnd) return kEnd;
            m_ahead.push_back(static_cast<char>(c));
        }
        return static_cast<unsigned char>(m_ahead[ahead]);
    }

    std::streambuf* m_in;
    char m_separator;
    std::string m_ahead;  // bytes looked at ahead and not yet taken
    size_t m_recordBytes = 0;
    size_t m_taken = 0;
    int m_line = 1;
    int m_column = 1;
};

namespace {

using Cursor = CsvReader::Cursor;

bool Fail(Cursor& at, const std::string& message, CsvError* error) {
    return Fail(at.Line(), at.Column(), message, error);
}

// Whether taking one more byte makes the record longer than limit (then *error says so).
bool TooLong(Cursor& c, size_t limit, CsvError* error) {
    if (c.RecordBytes() < limit) return false;
    Fail(c, "the record is longer than " + std::to_string(limit) + " bytes", error);
    return true;
}

bool ReadQuoted(Cursor& c, size_t limit, std::string* field, CsvError* error) {
    const int line = c.Line(), column = c.Column();
    c.Take();  // the opening quote
    for (;;) {
        if (c.AtEnd()) return Fail(line, column, "quoted field never closes", error);
        if (TooLong(c, limit, error)) return false;
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
    if (!c.AtEnd() && c.Peek() != c.Separator() && !c.AtLineBreak())
        return Fail(c, "text after a closing quote", error);
    return true;
}

bool ReadField(Cursor& c, size_t limit, std::string* field, CsvError* error) {
    if (c.Peek() == '"') return ReadQuoted(c, limit, field, error);
    for (;;) {
        c.TakeRun(limit, field);
        if (c.AtEnd() || c.Peek() == c.Separator() || c.AtLineBreak()) break;
        if (c.Peek() == '"') return Fail(c, "quote inside an unquoted field", error);
        if (TooLong(c, limit, error)) return false;
        *field += c.Take();
    }
    return true;
}

}  // namespace

CsvReader::CsvReader(std::istream& in, size_t maxRecordBytes, char separator)
    : m_cursor(std::make_unique<Cursor>(in.rdbuf(), separator)), m_maxRecordBytes(maxRecordBytes) {
    Cursor& c = *m_cursor;
    if (c.Peek() == '\xEF' && c.Peek(1) == '\xBB' && c.Peek(2) == '\xBF') {
        for (int i = 0; i < 3; ++i) c.Take();
    }
    if (separator == 0) {
        // A header fits the look ahead, which holds what it peeks until it is taken.
        std::string first;
        for (size_t i = 0; i < kSeparatorLookAhead && c.Peek(i) != '\0'; ++i) {
            if (c.Peek(i) == '\n' || c.Peek(i) == '\r') break;
            first += c.Peek(i);
        }
        c.SetSeparator(CsvSeparatorOf(first));
    }
    c.StartRecord();
}

CsvReader::~CsvReader() = default;

size_t CsvReader::BytesRead() const { return m_cursor->Taken(); }

bool CsvReader::Next(CsvRecord* record, CsvError* error) {
    if (error) *error = CsvError{};
    Cursor& c = *m_cursor;
    if (m_failed || c.AtEnd()) return false;
    c.StartRecord();
    record->line = c.Line();
    size_t count = 0;  // the fields' strings are reused, keeping their room
    for (;;) {
        if (count == record->fields.size()) record->fields.emplace_back();
        std::string& field = record->fields[count++];
        field.clear();
        if (!ReadField(c, m_maxRecordBytes, &field, error)) {
            record->fields.resize(count);
            m_failed = true;
            return false;
        }
        if (c.Peek() != c.Separator() || c.AtEnd()) break;
        c.Take();
    }
    record->fields.resize(count);
    if (c.AtLineBreak()) c.SkipLineBreak();
    return true;
}

char CsvSeparatorOf(std::string_view line) {
    size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (char ch : line) {
        if (ch == '"') quoted = !quoted;
        if (quoted) continue;
        commas += ch == ',';
        semicolons += ch == ';';
    }
    return semicolons > commas ? ';' : ',';
}

bool ParseCsv(std::string_view text, std::vector<CsvRecord>* records, CsvError* error,
              char separator) {
    ViewInput in(text);
    CsvReader reader(in, std::numeric_limits<size_t>::max(), separator);
    CsvRecord record;
    CsvError failure;
    while (reader.Next(&record, &failure)) records->push_back(std::move(record));
    if (failure.message.empty()) return true;
    if (error) *error = failure;
    return false;
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

}  // namespace cartera
