#include "statements/reading.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "host/error.h"
#include "host/strings.h"

namespace cartera::statements {

bool CsvRows::Next(CsvRecord* record) {
    CsvError error;
    if (m_reader.Next(record, &error)) return true;
    if (!error.message.empty())
        FailRow(static_cast<size_t>(error.line), "record",
                error.message + " (column " + std::to_string(error.column) + ")");
    return false;
}

bool IsBlank(const CsvRecord& r) {
    return std::all_of(r.fields.begin(), r.fields.end(),
                       [](const std::string& f) { return Trim(f).empty(); });
}

std::vector<std::string> HeaderOf(std::string_view head, char separator) {
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    head = head.substr(0, head.find_first_of("\r\n"));
    std::vector<CsvRecord> records;
    ParseCsv(head, &records, nullptr, separator == 0 ? CsvSeparatorOf(head) : separator);
    // A header that does not parse is no broker's.
    return records.empty() ? std::vector<std::string>() : std::move(records[0].fields);
}

bool IsCurrencyCode(std::string_view text) {
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

bool IsWholeCount(double v) {
    return v == std::floor(v) && std::fabs(v) <= std::numeric_limits<int32_t>::max();
}

double Tidy(double v) {
    if (!(std::fabs(v) < 1e6)) return v;  // beyond that the rounding itself would add noise
    return std::round(v * 1e10) / 1e10;
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

std::optional<Quantity> ReadRowQuantity(size_t line, std::string_view field, std::string_view text,
                                        const NumberForm& form) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    Quantity q;
    if (ReadQuantity(text, form, &q)) return q;
    double v = 0;
    if (!ReadNumber(text, form, &v)) ThrowRowError(line, field, text, "is not a number");
    // A number the exact reader refuses: too many decimals, or too many whole digits.
    ThrowRowError(line, field, text,
                  std::fabs(v) >= 1e18 ? "is beyond any quantity" : "has more than 10 decimals");
}

void ThrowRowError(size_t line, std::string_view field, std::string_view text,
                   std::string_view what) {
    FailRow(
        line, field,
        text.empty() ? std::string(what) : "\"" + std::string(text) + "\" " + std::string(what));
}

StatementRow ExchangeBeside(const StatementRow& of, std::string_view idSuffix) {
    StatementRow x;
    x.kind = RowKind::exchange;
    x.line = of.line;
    x.date = of.date;
    x.time = of.time;
    if (!of.id.empty()) x.id = of.id + std::string(idSuffix);
    return x;
}

void NumberRepeatedIds(std::vector<StatementRow>* rows) {
    std::unordered_map<std::string, int> seen;
    for (StatementRow& row : *rows) {
        if (row.id.empty()) continue;
        int n = ++seen[row.id];
        if (n > 1) row.id += "/" + std::to_string(n);
    }
}

void SortByTime(std::vector<StatementRow>* rows) {
    std::stable_sort(rows->begin(), rows->end(), [](const StatementRow& a, const StatementRow& b) {
        return a.date != b.date ? a.date < b.date : a.time < b.time;
    });
}

}  // namespace cartera::statements
