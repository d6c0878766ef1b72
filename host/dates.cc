#include "host/dates.h"

#include <cstdio>

#include "host/strings.h"

namespace cartera {
namespace {
std::function<std::time_t()>& Clock() {
    static std::function<std::time_t()> clock;
    return clock;
}

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

thread_local LocalDayCache* t_activeDays = nullptr;

// The point in time of a local date and time by the C library.
std::time_t MakeLocalTime(int32_t fn, int32_t hn) {
    COleDateTime o = CTimeLong::GetOleDateTime(fn, hn);
    std::tm tm{};
    tm.tm_year = o.year - 1900;
    tm.tm_mon = o.month - 1;
    tm.tm_mday = o.day;
    tm.tm_hour = o.hour;
    tm.tm_min = o.minute;
    tm.tm_sec = o.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

bool ValidDate(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

bool ReadInt(std::string_view s, size_t* pos, size_t maxDigits, int* out, size_t* digits) {
    size_t start = *pos;
    int v = 0;
    while (*pos < s.size() && *pos - start < maxDigits && s[*pos] >= '0' && s[*pos] <= '9') {
        v = v * 10 + (s[*pos] - '0');
        ++*pos;
    }
    *digits = *pos - start;
    *out = v;
    return *digits > 0;
}
}  // namespace

// Days from civil, after H. Hinnant's public-domain algorithm.
int32_t DateNumber(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
}

void CivilDate(int32_t z, int* year, int* month, int* day) {
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int y = static_cast<int>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    *year = y + (m <= 2);
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
}

bool ParseDateText(std::string_view s, int32_t* fn) {
    size_t pos = 0, n1, n2, n3;
    int a, b, c;
    if (!ReadInt(s, &pos, 4, &a, &n1) || pos >= s.size()) return false;
    char sep = s[pos++];
    if (sep >= '0' && sep <= '9') return false;
    if (!ReadInt(s, &pos, 2, &b, &n2) || pos >= s.size() || s[pos++] != sep) return false;
    if (!ReadInt(s, &pos, 4, &c, &n3) || pos != s.size()) return false;
    int y, m, d;
    if (n1 == 4) {
        y = a, m = b, d = c;
        if (n3 > 2) return false;
    } else {
        if (n1 > 2 || (n3 != 2 && n3 != 4)) return false;
        d = a, m = b, y = n3 == 2 ? 2000 + c : c;
    }
    if (!ValidDate(y, m, d)) return false;
    *fn = DateNumber(y, m, d);
    return true;
}

namespace {
// The run of letter c starting at format[at], and its length.
size_t RunOf(std::string_view format, size_t at) {
    size_t n = 1;
    while (at + n < format.size() && format[at + n] == format[at]) ++n;
    return n;
}
bool IsDateLetter(char c) { return c == 'Y' || c == 'M' || c == 'D'; }
}  // namespace

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

bool ParseDateFormat(std::string_view s, std::string_view format, int32_t* fn) {
    if (!ValidDateFormat(format)) return false;
    int y = 0, m = 0, d = 0;
    size_t pos = 0;
    for (size_t at = 0; at < format.size();) {
        const char c = format[at];
        if (!IsDateLetter(c)) {
            if (pos >= s.size() || s[pos++] != c) return false;
            ++at;
            continue;
        }
        const size_t n = RunOf(format, at);
        size_t digits = 0;
        int* field = c == 'Y' ? &y : c == 'M' ? &m : &d;
        if (!ReadInt(s, &pos, n == 1 ? 2 : n, field, &digits) || (n > 1 && digits != n))
            return false;
        at += n;
    }
    if (pos != s.size() || !ValidDate(y, m, d)) return false;
    *fn = DateNumber(y, m, d);
    return true;
}

bool ParseTimeText(std::string_view s, int32_t* hn) {
    size_t pos = 0, n;
    int h, m, sec = 0;
    if (!ReadInt(s, &pos, 2, &h, &n) || pos >= s.size() || s[pos++] != ':') return false;
    if (!ReadInt(s, &pos, 2, &m, &n) || n != 2) return false;
    if (pos < s.size()) {
        if (s[pos++] != ':' || !ReadInt(s, &pos, 2, &sec, &n) || n != 2 || pos != s.size())
            return false;
    }
    if (h > 23 || m > 59 || sec > 59) return false;
    *hn = TimeNumber(h, m, sec);
    return true;
}

std::string IsoDate(int32_t fn) {
    int y, m, d;
    CivilDate(fn, &y, &m, &d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

LocalDayCache::LocalDayCache() : m_outer(t_activeDays) { t_activeDays = this; }

LocalDayCache::~LocalDayCache() { t_activeDays = m_outer; }

LocalDayCache* LocalDayCache::Active() { return t_activeDays; }

std::optional<std::time_t> LocalDayCache::DayStart(int32_t fn) {
    auto [it, added] = m_days.try_emplace(fn);
    if (added) {
        // One offset from half a day before to half a day after, a day of 86,400 seconds
        // that starts at midnight: every time of it then occurs once, at start + seconds.
        const std::time_t start = MakeLocalTime(fn, 0), next = MakeLocalTime(fn + 1, 0);
        std::tm first = LocalTime(start);
        bool uniform = start != -1 && next - start == 86400 &&
                       DateNumber(first.tm_year + 1900, first.tm_mon + 1, first.tm_mday) == fn &&
                       first.tm_hour == 0 && first.tm_min == 0 && first.tm_sec == 0;
        for (std::time_t t : {start - 43200, next - 1, next + 43200})
            uniform = uniform && LocalTime(t).tm_gmtoff == first.tm_gmtoff;
        if (uniform) it->second = start;
    }
    m_lastDay = fn;
    m_lastStart = it->second;
    return it->second;
}

bool LocalDayCache::Local(std::time_t t, int32_t* fn, int32_t* hn) const {
    if (!m_lastStart || t < *m_lastStart || t - *m_lastStart >= 86400) return false;
    *fn = m_lastDay;
    *hn = static_cast<int32_t>(t - *m_lastStart);
    return true;
}

void SetClock(std::function<std::time_t()> clock) { Clock() = std::move(clock); }

}  // namespace cartera

CTime CTime::GetCurrentTime() {
    auto& clock = cartera::Clock();
    return CTime{clock ? clock() : std::time(nullptr)};
}

int32_t FctimeToFn(const CTime& t) {
    int32_t fn, hn;
    if (auto* days = cartera::LocalDayCache::Active(); days && days->Local(t.t, &fn, &hn))
        return fn;
    std::tm tm = cartera::LocalTime(t.t);
    return cartera::DateNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

int32_t HctimeToHn(const CTime& t) {
    int32_t fn, hn;
    if (auto* days = cartera::LocalDayCache::Active(); days && days->Local(t.t, &fn, &hn))
        return hn;
    std::tm tm = cartera::LocalTime(t.t);
    return cartera::TimeNumber(tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::string HnToHc(int32_t hn) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hn / 3600, (hn / 60) % 60, hn % 60);
    return buf;
}

namespace cartera {

namespace {
char DateSeparator() { return CurrentLanguage() == Language::de ? '.' : '/'; }
}  // namespace

std::string DateText(int32_t fn) { return CTimeLong::FnToFc(fn, DateSeparator()); }

const char* DateFieldFormat() { return DateSeparator() == '.' ? "dd.MM.yyyy" : "dd/MM/yyyy"; }

}  // namespace cartera

std::string CTimeLong::FnToFc(int32_t fn, char sep) {
    int y, m, d;
    cartera::CivilDate(fn, &y, &m, &d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", d, sep, m, sep, y);
    return buf;
}

std::string CTimeLong::FnToFcS(int32_t fn, char sep) {
    int y, m, d;
    cartera::CivilDate(fn, &y, &m, &d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", d, sep, m, sep, ((y % 100) + 100) % 100);
    return buf;
}

COleDateTime CTimeLong::GetOleDateTime(int32_t fn, int32_t hn) {
    COleDateTime o;
    cartera::CivilDate(fn, &o.year, &o.month, &o.day);
    o.hour = hn / 3600;
    o.minute = (hn / 60) % 60;
    o.second = hn % 60;
    return o;
}

std::time_t CTimeLong::GetTime(int32_t fn, int32_t hn) {
    if (auto* days = cartera::LocalDayCache::Active(); days && hn >= 0 && hn < 86400) {
        if (std::optional<std::time_t> start = days->DayStart(fn)) return *start + hn;
    }
    return cartera::MakeLocalTime(fn, hn);
}
