#include "host/dates.h"

#include <cstdio>

#include "host/strings.h"

namespace cartera {
namespace {
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

}  // namespace cartera

CTime CTime::GetCurrentTime() { return CTime{std::time(nullptr)}; }

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
