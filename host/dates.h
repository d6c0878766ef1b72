#pragma once
// Date and time numbers. A date number counts days from 1970-01-01 (so a difference of two
// is a number of days); a time number counts seconds from midnight.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// A point in time, seconds since the epoch (the platform's CTime).
struct CTime {
    std::time_t t = 0;
    // The system clock; the system's own code takes "now" from its context (cartera::Now).
    static CTime GetCurrentTime();
};

// A calendar date and time of day (the platform's COleDateTime).
struct COleDateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The local date and time of day of a point in time.
int32_t FctimeToFn(const CTime& t);
int32_t HctimeToHn(const CTime& t);
// "HH:MM:SS".
std::string HnToHc(int32_t hn);

class CTimeLong {
  public:
    // "dd<sep>mm<sep>yyyy", and "dd<sep>mm<sep>yy" for the short form.
    static std::string FnToFc(int32_t fn, char sep);
    static std::string FnToFcS(int32_t fn, char sep);
    // The local point in time of a date and time number.
    static std::time_t GetTime(int32_t fn, int32_t hn);
    static COleDateTime GetOleDateTime(int32_t fn, int32_t hn);
};

namespace cartera {

int32_t DateNumber(int year, int month, int day);
void CivilDate(int32_t fn, int* year, int* month, int* day);
// Seconds from midnight; no range check.
inline int32_t TimeNumber(int h, int m, int s) { return h * 3600 + m * 60 + s; }

// "yyyy-mm-dd" and "HH:MM:SS", for machine-readable output.
std::string IsoDate(int32_t fn);
// A date as people read it, in the one form of the interface language: "31.12.2026" in
// German, "31/12/2026" in the others (day first, four-digit year, so ParseDateText reads it
// back). Grids, sheets, statistics and the command line's tables all show this form; CSV
// and JSON write IsoDate.
std::string DateText(int32_t fn);
// The same form in Qt's date-format notation ("dd.MM.yyyy"), for date fields.
const char* DateFieldFormat();

// While one lives on a thread, the conversions between local date and time numbers and
// points in time on that thread (CTimeLong::GetTime, FctimeToFn, HctimeToHn) take each
// day's start from a cache instead of asking the C library every time (mktime reads the
// time zone again at every call). A day with a change of offset from UTC in it or near it
// is converted as without the cache. The time zone must not change while one lives.
class LocalDayCache {
  public:
    LocalDayCache();
    ~LocalDayCache();
    LocalDayCache(const LocalDayCache&) = delete;
    LocalDayCache& operator=(const LocalDayCache&) = delete;

    // The cache active on this thread, or null.
    static LocalDayCache* Active();
    // The start of local date fn when the whole day has one offset from UTC, else nullopt.
    std::optional<std::time_t> DayStart(int32_t fn);
    // The local date and time number of t when it lies in the last day asked for.
    bool Local(std::time_t t, int32_t* fn, int32_t* hn) const;

  private:
    std::unordered_map<int32_t, std::optional<std::time_t>> m_days;
    int32_t m_lastDay = 0;
    std::optional<std::time_t> m_lastStart;
    LocalDayCache* m_outer;
};

}  // namespace cartera
