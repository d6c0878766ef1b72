#include "host/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using cartera::CivilDate;
using cartera::DateNumber;
using cartera::ParseDateText;
using cartera::ParseTimeText;
using cartera::TimeNumber;

// Runs each test in UTC with the system clock, and puts both back afterwards.
class DatesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) m_oldTz = tz;
        SetZone("UTC");
    }
    void TearDown() override {
        cartera::SetClock({});
        if (m_oldTz)
            SetZone(m_oldTz->c_str());
        else
            unsetenv("TZ");
        tzset();
    }
    static void SetZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

  private:
    std::optional<std::string> m_oldTz;
};

// Days since 1970-01-01 by the C library, an oracle independent of the code under test;
// nullopt when the C library rolls the date over (no such day).
std::optional<int64_t> LibcDays(int y, int m, int d) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_hour = 12;
    std::time_t t = timegm(&tm);
    if (tm.tm_mon != m - 1) return std::nullopt;
    return (static_cast<int64_t>(t) - 43200) / 86400;
}

// Every day from 1600 to 2400: the day number the C library counts (which knows the leap
// days of 1600, 2000 and 2400 and not those of 1700 to 2300), and back.
TEST_F(DatesTest, DateNumbersCountDaysAndRoundTrip) {
    for (int y = 1600; y <= 2400; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                std::optional<int64_t> libc = LibcDays(y, m, d);
                if (!libc) break;
                int32_t fn = DateNumber(y, m, d);
                ASSERT_EQ(fn, *libc) << y << "-" << m << "-" << d;
                int yy, mm, dd;
                CivilDate(fn, &yy, &mm, &dd);
                ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d) << fn;
            }
        }
    }
}

TEST_F(DatesTest, DateAndTimeTextsReadBackAndTheParsersRejectAllElse) {
    const int32_t fn = DateNumber(2026, 3, 5);
    for (auto [text, want] : {std::pair{CTimeLong::FnToFc(fn, '-'), "05-03-2026"},
                              {CTimeLong::FnToFcS(fn, ' '), "05 03 26"},
                              {CTimeLong::FnToFcS(DateNumber(2000, 12, 31), '/'), "31/12/00"},
                              {CTimeLong::FnToFcS(DateNumber(1999, 1, 9), '-'), "09-01-99"},
                              {CTimeLong::FnToFc(DateNumber(1900, 2, 28), '.'), "28.02.1900"},
                              {cartera::IsoDate(fn), "2026-03-05"},
                              {HnToHc(TimeNumber(9, 5, 7)), "09:05:07"},
                              {HnToHc(TimeNumber(23, 59, 59)), "23:59:59"}})
        EXPECT_EQ(text, want) << want;

    // What the formatters write reads back; the short form carries no century and reads as
    // the 2000s.
    for (int32_t day = DateNumber(1900, 1, 1); day <= DateNumber(2100, 12, 31); day += 13) {
        for (const std::string& text :
             {CTimeLong::FnToFc(day, '-'), CTimeLong::FnToFc(day, ' '), CTimeLong::FnToFc(day, '/'),
              CTimeLong::FnToFc(day, '.'), cartera::IsoDate(day)}) {
            int32_t back = -1;
            ASSERT_TRUE(ParseDateText(text, &back) && back == day) << text;
        }
        const int32_t in2000s = DateNumber(2000, 1, 1) + (day - DateNumber(1900, 1, 1)) % 36524;
        int32_t back = -1;
        ASSERT_TRUE(ParseDateText(CTimeLong::FnToFcS(in2000s, '-'), &back) && back == in2000s);
    }
    for (int32_t t = 0; t < 86400; t += 61) {
        int32_t back = -1;
        ASSERT_TRUE(ParseTimeText(HnToHc(t), &back) && back == t) << t;
    }
    int32_t back = -1;
    EXPECT_TRUE(ParseDateText("5/3/2026", &back) && back == fn);
    EXPECT_TRUE(ParseDateText("29-02-2024", &back) && back == DateNumber(2024, 2, 29));
    EXPECT_TRUE(ParseTimeText("09:30", &back) && back == TimeNumber(9, 30, 0));

    // Invalid dates and times, junk and forms not named are refused, the number untouched.
    for (const char* text :
         {"31-02-2026", "29-02-2025",  "29-02-2100",  "31-04-2026", "00-01-2026", "01-00-2026",
          "01-13-2026", "2026-13-01",  "2026-02-30",  "",           "abc",        "12-03",
          "12-03-",     "12-03-2026x", "x12-03-2026", "12-03/2026", "12--2026",   "123-01-2026",
          "12-03-202",  "1-1-1",       "12-03-20266", "0000-01-01", "2026-03-005"}) {
        back = 12345;
        EXPECT_FALSE(ParseDateText(text, &back) || back != 12345) << '"' << text << '"';
    }
    for (const char* text : {"24:00", "12:60", "12:30:60", "9:5", "12:30:", "12:30:5", "", "ab:cd",
                             "12:30:00x", "12-30", "1230", "12:30:00:00"}) {
        back = 777;
        EXPECT_FALSE(ParseTimeText(text, &back) || back != 777) << '"' << text << '"';
    }

    // The date formats of the command line and import: only the form named, no two-digit
    // years.
    using Form = std::tuple<const char*, const char*, bool>;  // text, format, read
    for (auto [text, format, read] :
         {Form{"2024-01-07", "YYYY-MM-DD", true}, Form{"07/01/2024", "DD/MM/YYYY", true},
          Form{"1/7/2024", "M/D/YYYY", true}, Form{"01/07/2024", "M/D/YYYY", true},
          Form{"20240107", "YYYYMMDD", true}, Form{"2024-1-7", "YYYY-MM-DD", false},
          Form{"01/07/99", "YYYY-MM-DD", false}, Form{"2024-01-07x", "YYYY-MM-DD", false},
          Form{"2024-02-30", "YYYY-MM-DD", false}, Form{"5.3.24", "D.M.YYYY", false},
          Form{"123/1/2024", "D/M/YYYY", false}, Form{"2024-01-07", "YY-MM-DD", false},
          Form{"24-01-07", "YY-MM-DD", false}, Form{"2024-01-07", "YYYY-MM-DD-DD", false},
          Form{"202417", "YYYYMD", false}}) {
        back = 0;
        EXPECT_EQ(cartera::ParseDateFormat(text, format, &back), read) << text << " as " << format;
        EXPECT_TRUE(!read || back == DateNumber(2024, 1, 7)) << text;
    }
}

TEST_F(DatesTest, ClockAndTimeZoneGiveLocalDateAndTimeNumbers) {
    // 2000-01-01 13:14:15 UTC.
    const std::time_t t = 946684800 + 13 * 3600 + 14 * 60 + 15;
    cartera::SetClock([t] { return t; });
    CTime now = CTime::GetCurrentTime();
    EXPECT_EQ(std::tuple(now.t, FctimeToFn(now), HctimeToHn(now)),
              std::tuple(t, DateNumber(2000, 1, 1), TimeNumber(13, 14, 15)));
    EXPECT_EQ(CTimeLong::GetTime(FctimeToFn(now), HctimeToHn(now)), t);
    COleDateTime o = CTimeLong::GetOleDateTime(DateNumber(2026, 3, 5), TimeNumber(8, 7, 6));
    EXPECT_EQ(std::tuple(o.year, o.month, o.day, o.hour, o.minute, o.second),
              std::tuple(2026, 3, 5, 8, 7, 6));
    // One second before midnight stays on the same day.
    cartera::SetClock([] { return std::time_t{946684800 - 1}; });
    now = CTime::GetCurrentTime();
    EXPECT_EQ(std::pair(FctimeToFn(now), HctimeToHn(now)),
              std::pair(DateNumber(1999, 12, 31), 86399));
    // An empty clock goes back to the system's.
    cartera::SetClock({});
    std::time_t before = std::time(nullptr);
    std::time_t got = CTime::GetCurrentTime().t;
    EXPECT_TRUE(got >= before && got <= std::time(nullptr));

    SetZone("CET-1");                           // one hour east of UTC, no daylight saving
    const std::time_t late = 946684800 - 1800;  // 1999-12-31 23:30 UTC = 00:30 the next day
    EXPECT_EQ(std::pair(FctimeToFn(CTime{late}), HctimeToHn(CTime{late})),
              std::pair(DateNumber(2000, 1, 1), TimeNumber(0, 30, 0)));
    EXPECT_EQ(CTimeLong::GetTime(DateNumber(2000, 1, 1), TimeNumber(0, 30, 0)), late);
}

// The day cache must give what the C library gives, in zones with daylight saving (one at
// 02:00, one at midnight, where the day's start does not exist), across years, leap days,
// the ends of 32-bit time and times outside the day.
TEST_F(DatesTest, DayCacheConvertsAsTheCLibrary) {
    std::vector<int32_t> days;
    for (int32_t d = -1; d <= 1; ++d)
        for (int32_t day :
             {DateNumber(1901, 12, 13), DateNumber(1901, 12, 14), DateNumber(2038, 1, 19), 0,
              DateNumber(2000, 2, 29), DateNumber(2024, 2, 29), DateNumber(2023, 12, 31)})
            days.push_back(day + d);
    for (int32_t d = 0; d < 62; ++d) days.push_back(DateNumber(2024, 3, 1) + d);
    for (int32_t d = 0; d < 62; ++d) days.push_back(DateNumber(2024, 9, 20) + d);
    for (int32_t d = 0; d < 200; ++d) days.push_back(-40000 + d * 397);
    for (const char* zone : {"CET-1CEST,M3.5.0,M10.5.0/3", "<-03>3<-02>,M10.1.0/0,M2.3.0/0"}) {
        SetZone(zone);
        std::vector<std::time_t> plain, cached, again;
        auto convert = [&](std::vector<std::time_t>* out) {
            for (int32_t fn : days) {
                for (int32_t hn : {0, 1800, 3599, 7200, 9000, 86399, -1, 86400}) {
                    std::time_t t = CTimeLong::GetTime(fn, hn);
                    out->push_back(t);
                    for (std::time_t u : {t, t - 86400, t + 3600}) {
                        out->push_back(FctimeToFn(CTime{u}));
                        out->push_back(HctimeToHn(CTime{u}));
                    }
                }
            }
        };
        convert(&plain);
        {
            cartera::LocalDayCache cache;
            convert(&cached);
            convert(&again);  // now from the cache
        }
        EXPECT_TRUE(cached == plain && again == plain) << zone;
    }
}

}  // namespace
