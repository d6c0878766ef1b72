#pragma once
// Date and time numbers. A date number counts days from 1970-01-01 (so a difference of two
// is a number of days); a time number counts seconds from midnight.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

// A point in time, seconds since the epoch (the platform's CTime).
struct CTime {
    std::time_t t = 0;
    static CTime GetCurrentTime();  // from the clock of cartera::SetClock
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

// Parses "dd?mm?yyyy" or "dd?mm?yy" (any one non-digit separator), the forms FnToFc and
// FnToFcS write, and ISO "yyyy-mm-dd". False when the text is not a valid date.
bool ParseDateText(std::string_view text, int32_t* fn);
// Parses "HH:MM" or "HH:MM:SS". False when the text is not a valid time of day.
bool ParseTimeText(std::string_view text, int32_t* hn);
// "yyyy-mm-dd" and "HH:MM:SS", for machine-readable output.
std::string IsoDate(int32_t fn);

// The clock behind CTime::GetCurrentTime; the system clock unless a test set another.
void SetClock(std::function<std::time_t()> clock);  // empty restores the system clock

}  // namespace cartera
