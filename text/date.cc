#include "text/date.h"

#include <string>

#include "host/dates.h"

namespace cartera {
namespace {

bool ValidDate(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

// Reads up to maxDigits digits from s at *pos; false when there is none.
bool ReadDigits(std::string_view s, size_t* pos, size_t maxDigits, int* out, size_t* digits) {
    const size_t start = *pos;
    int v = 0;
    while (*pos < s.size() && *pos - start < maxDigits && s[*pos] >= '0' && s[*pos] <= '9') {
        v = v * 10 + (s[*pos] - '0');
        ++*pos;
    }
    *digits = *pos - start;
    *out = v;
    return *digits > 0;
}

// Exactly n digits.
bool ReadFixed(std::string_view s, size_t* pos, size_t n, int* out) {
    size_t digits = 0;
    return ReadDigits(s, pos, n, out, &digits) && digits == n;
}

// The run of letter c starting at format[at], and its length.
size_t RunOf(std::string_view format, size_t at) {
    size_t n = 1;
    while (at + n < format.size() && format[at + n] == format[at]) ++n;
    return n;
}

bool IsDateLetter(char c) { return c == 'Y' || c == 'M' || c == 'D'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A month's English abbreviation at *pos, any case: its number, or 0.
int ReadMonthName(std::string_view s, size_t* pos) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (*pos + 3 > s.size()) return 0;
    std::string name;
    for (size_t i = 0; i < 3; ++i) name += Lower(s[*pos + i]);
    for (int m = 0; m < 12; ++m) {
        if (name == kMonths[m]) {
            *pos += 3;
            return m + 1;
        }
    }
    return 0;
}

// One field of a pattern (a run of n letters c) read at *pos into y, m or d.
bool ReadField(std::string_view s, size_t* pos, char c, size_t n, int* y, int* m, int* d) {
    size_t digits = 0;
    if (c == 'Y') {
        if ((n != 2 && n != 4) || !ReadFixed(s, pos, n, y)) return false;
        if (n == 2) *y += 2000;
        return true;
    }
    int* field = c == 'M' ? m : d;
    if (c == 'M' && n == 3) return (*m = ReadMonthName(s, pos)) != 0;
    if (n == 1) return ReadDigits(s, pos, 2, field, &digits);
    return n == 2 && ReadFixed(s, pos, 2, field);
}

}  // namespace

bool ReadDate(std::string_view s, std::string_view pattern, int32_t* date) {
    int y = 0, m = 0, d = 0;
    size_t pos = 0;
    for (size_t at = 0; at < pattern.size();) {
        const char c = pattern[at];
        if (!IsDateLetter(c)) {
            if (pos >= s.size() || s[pos++] != c) return false;
            ++at;
            continue;
        }
        const size_t n = RunOf(pattern, at);
        if (!ReadField(s, &pos, c, n, &y, &m, &d)) return false;
        at += n;
    }
    if (pos != s.size() || !ValidDate(y, m, d)) return false;
    *date = DateNumber(y, m, d);
    return true;
}

bool ValidDateFormat(std::string_view format) {
    int seen[3] = {0, 0, 0};  // Y, M, D
    for (size_t at = 0; at < format.size();) {
        const char c = format[at];
        if (!IsDateLetter(c)) {
            ++at;
            continue;
        }
        const size_t n = RunOf(format, at);
        if (c == 'Y' ? n != 4 : n > 2) return false;
        // One or two digits need something else after them to end.
        if (n == 1 && at + 1 < format.size() && IsDateLetter(format[at + 1])) return false;
        ++seen[c == 'Y' ? 0 : c == 'M' ? 1 : 2];
        at += n;
    }
    return seen[0] == 1 && seen[1] == 1 && seen[2] == 1;
}

bool ParseDateFormat(std::string_view text, std::string_view format, int32_t* date) {
    return ValidDateFormat(format) && ReadDate(text, format, date);
}

bool ParseDateText(std::string_view text, int32_t* date) {
    const size_t at = text.find_first_not_of("0123456789");
    if (at == 0 || at == std::string_view::npos || IsDateLetter(text[at])) return false;
    std::string patterns[] = {"YYYY-M-D", "D-M-YYYY", "D-M-YY"};
    for (std::string& pattern : patterns) {
        for (char& c : pattern)
            if (c == '-') c = text[at];
        if (ReadDate(text, pattern, date)) return true;
    }
    return false;
}

bool ReadTime(std::string_view s, TimeForm form, int32_t* time) {
    int h = 0, m = 0, sec = 0;
    size_t pos = 0, digits = 0;
    const bool compact = s.find(':') == std::string_view::npos;
    if (compact ? form == TimeForm::colons : form == TimeForm::compact) return false;
    if (compact) {
        if (!ReadFixed(s, &pos, 2, &h) || !ReadFixed(s, &pos, 2, &m)) return false;
        if (pos < s.size() && !ReadFixed(s, &pos, 2, &sec)) return false;
    } else {
        if (!ReadDigits(s, &pos, 2, &h, &digits) || pos >= s.size() || s[pos++] != ':')
            return false;
        if (!ReadFixed(s, &pos, 2, &m)) return false;
        if (pos < s.size() && (s[pos++] != ':' || !ReadFixed(s, &pos, 2, &sec))) return false;
    }
    if (pos != s.size() || h > 23 || m > 59 || sec > 59) return false;
    *time = TimeNumber(h, m, sec);
    return true;
}

bool ParseTimeText(std::string_view text, int32_t* time) {
    return ReadTime(text, TimeForm::colons, time);
}

}  // namespace cartera
