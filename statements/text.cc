#include "statements/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "host/error.h"
#include "host/strings.h"

namespace cartera::statements {

CsvLines::CsvLines(std::istream& in, char separator) : m_buf(in.rdbuf()), m_separator(separator) {}

int CsvLines::Get() {
    int c = m_buf ? m_buf->sbumpc() : EOF;
    if (c != EOF) ++m_bytes;
    return c;
}

int CsvLines::Peek() { return m_buf ? m_buf->sgetc() : EOF; }

bool CsvLines::Next(std::vector<std::string>* fields, size_t* line) {
    if (!m_started) {
        m_started = true;
        if (Peek() == 0xEF) {  // a byte-order mark: EF BB BF
            Get();
            if (Get() != 0xBB || Get() != 0xBF) FailRow(1, "file", "a broken byte-order mark");
        }
    }
    fields->clear();
    if (Peek() == EOF) return false;
    *line = m_line;
    std::string field;
    size_t size = 0;
    bool quoted = false, afterQuote = false;
    for (;;) {
        int c = Get();
        if (++size > kMaxRecordBytes) FailRow(*line, "record", "longer than 1 MiB");
        if (quoted) {
            if (c == EOF) FailRow(*line, "record", "a quoted field never closes");
            if (c == '"') {
                if (Peek() == '"') {
                    Get();
                    field += '"';
                } else {
                    quoted = false;
                    afterQuote = true;
                }
                continue;
            }
            if (c == '\n' || (c == '\r' && Peek() != '\n')) ++m_line;
            field += static_cast<char>(c);
            continue;
        }
        if (c == EOF || c == '\n' || c == '\r') {
            if (c == '\r' && Peek() == '\n') Get();
            if (c != EOF) ++m_line;
            fields->push_back(std::move(field));
            return true;
        }
        if (c == m_separator) {
            fields->push_back(std::move(field));
            field.clear();
            afterQuote = false;
            continue;
        }
        if (afterQuote) FailRow(m_line, "record", "text after a closing quote");
        if (c == '"' && field.empty()) {
            quoted = true;
            continue;
        }
        field += static_cast<char>(c);
    }
}

std::string NormalizedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name)
        if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
    return out;
}

bool ParseDecimal(std::string_view text, double* out) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double v = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool IsWholeCount(double v) {
    return v == std::floor(v) && std::fabs(v) <= std::numeric_limits<int32_t>::max();
}

void CheckLength(size_t line, std::string_view field, std::string_view text, size_t bound) {
    if (text.size() > bound)
        FailRow(line, field, "longer than " + std::to_string(bound) + " bytes");
}

void CheckRowTexts(const Statement& statement, size_t from) {
    for (size_t i = from; i < statement.rows.size(); ++i) {
        const StatementRow& row = statement.rows[i];
        const std::pair<const std::string*, std::string_view> codes[] = {
            {&row.account, "account"},
            {&row.currency, "currency"},
            {&row.id, "id"},
            {&row.cancels, "cancelled id"},
            {&row.security, "security"},
            {&row.symbol, "symbol"},
            {&row.code, "code"}};
        for (const auto& [text, field] : codes) CheckLength(row.line, field, *text, kMaxCodeBytes);
        CheckLength(row.line, "description", row.description, kMaxDescriptionBytes);
    }
}

void FailRow(size_t line, std::string_view field, const std::string& what) {
    throw Error(ErrorKind::invalid_input,
                "line " + std::to_string(line) + ", " + std::string(field) + ": " + what);
}

}  // namespace cartera::statements
