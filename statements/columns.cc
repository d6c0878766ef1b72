#include "statements/columns.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <unordered_map>

#include "host/error.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "statements/text.h"

namespace cartera::statements {

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsCurrencyCode(std::string_view text) {
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

namespace {

// The decimal separator a number without a fixed convention uses.
char GuessDecimal(std::string_view text) {
    size_t point = text.rfind('.'), comma = text.rfind(',');
    if (point == std::string_view::npos) return ',';
    if (comma == std::string_view::npos) return '.';
    return point > comma ? '.' : ',';
}

}  // namespace

bool ParseBrokerNumber(std::string_view text, char decimal, double* out) {
    text = Trim(text);
    if (decimal == 0) {
        decimal = GuessDecimal(text);
        char other = decimal == '.' ? ',' : '.';
        // "1.234.567" groups by its only separator.
        if (std::count(text.begin(), text.end(), decimal) > 1 &&
            std::count(text.begin(), text.end(), other) == 0)
            decimal = other;
    }
    const char thousands = decimal == '.' ? ',' : '.';
    // "1,2,3" and "1,,2" are no numbers: thousands come in groups of three.
    if (!ThousandsInPlace(text, {&thousands, 1}, {&decimal, 1})) return false;
    std::string plain;
    plain.reserve(text.size());
    for (char c : text) {
        if (c == thousands) continue;
        plain += c == decimal ? '.' : c;
    }
    return ParsePlainNumber(plain, out);
}

double Tidy(double v) {
    if (!(std::fabs(v) < 1e6)) return v;  // beyond that the rounding itself would add noise
    return std::round(v * 1e10) / 1e10;
}

void ThrowRowError(size_t line, std::string_view field, std::string_view text,
                   std::string_view what) {
    FailRow(
        line, field,
        text.empty() ? std::string(what) : "\"" + std::string(text) + "\" " + std::string(what));
}

bool IsBlank(const Record& r) {
    return std::all_of(r.fields.begin(), r.fields.end(),
                       [](const std::string& f) { return Trim(f).empty(); });
}

std::vector<std::string> HeaderOf(std::string_view head) {
    std::istringstream in{std::string(head.substr(0, head.find_first_of("\r\n")))};
    std::vector<std::string> fields;
    size_t line = 0;
    try {
        CsvLines(in).Next(&fields, &line);
    } catch (const Error&) {
        fields.clear();  // a header that does not parse is no broker's
    }
    return fields;
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
