#pragma once
// Dates and times of day read from text: one reader of date patterns, and the forms the
// program and its users write.
#include <cstdint>
#include <string_view>

namespace cartera {

// Reads a date written as pattern shows it: YYYY four digits, YY two (a year of the 2000s),
// MM and DD two, M and D one or two, MMM a month's English abbreviation in any case ("Mar");
// every other character of the pattern stands for itself. False, *date untouched, when the
// text does not follow the pattern or names no valid date.
bool ReadDate(std::string_view text, std::string_view pattern, int32_t* date);

// The date format the command line and import take unless told otherwise (ISO 8601).
inline constexpr std::string_view kIsoDateFormat = "YYYY-MM-DD";
// Whether format is a date format a user may give (--date-format, a mapping's
// date_format): "YYYY" once, "MM" or "M" once, "DD" or "D" once (M and D not followed
// directly by another of these letters), any other character standing for itself. No
// two-digit years, no month names.
bool ValidDateFormat(std::string_view format);
// ReadDate in a format ValidDateFormat accepts; false for another format.
bool ParseDateFormat(std::string_view text, std::string_view format, int32_t* date);
// The forms the program shows and ISO 8601: "dd?mm?yyyy" or "dd?mm?yy" (any one separator
// that is no digit and no pattern letter, day and month in one or two digits), "yyyy-mm-dd".
bool ParseDateText(std::string_view text, int32_t* date);

// How a time of day is written: "HH:MM" or "HH:MM:SS" with the hour in one or two digits
// (colons), "HHMMSS" or "HHMM" (compact), or either.
enum class TimeForm { colons, compact, either };
// Reads a time of day in form; false, *time untouched, for anything else.
bool ReadTime(std::string_view text, TimeForm form, int32_t* time);
// ReadTime with colons: what the program writes and the command line takes.
bool ParseTimeText(std::string_view text, int32_t* time);

}  // namespace cartera
