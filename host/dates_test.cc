#include "host/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/context.h"

namespace {

using cartera::CivilDate;
using cartera::DateNumber;
using cartera::TimeNumber;

class DatesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) m_oldTz = tz;
        SetZone("UTC");
    }
    void TearDown() override {
        m_oldTz ? setenv("TZ", m_oldTz->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void SetZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
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

// The forms the program writes dates and times in (text/date.h reads them back).
TEST_F(DatesTest, DateAndTimeTextsAreWrittenInTheirForms) {
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
}

TEST_F(DatesTest, ClockAndTimeZoneGiveLocalDateAndTimeNumbers) {
    // 2000-01-01 13:14:15 UTC.
    const std::time_t t = 946684800 + 13 * 3600 + 14 * 60 + 15;
    cartera::Context ctx{nullptr, [t] { return t; }, "", cartera::Language::en};
    CTime now{cartera::Now(ctx)};
    EXPECT_EQ(std::tuple(now.t, FctimeToFn(now), HctimeToHn(now)),
              std::tuple(t, DateNumber(2000, 1, 1), TimeNumber(13, 14, 15)));
    EXPECT_EQ(CTimeLong::GetTime(FctimeToFn(now), HctimeToHn(now)), t);
    COleDateTime o = CTimeLong::GetOleDateTime(DateNumber(2026, 3, 5), TimeNumber(8, 7, 6));
    EXPECT_EQ(std::tuple(o.year, o.month, o.day, o.hour, o.minute, o.second),
              std::tuple(2026, 3, 5, 8, 7, 6));
    // One second before midnight stays on the same day.
    ctx.clock = [] { return std::time_t{946684800 - 1}; };
    now = CTime{cartera::Now(ctx)};
    EXPECT_EQ(std::pair(FctimeToFn(now), HctimeToHn(now)),
              std::pair(DateNumber(1999, 12, 31), 86399));
    // An empty clock is the system's.
    ctx.clock = {};
    std::time_t before = std::time(nullptr);
    std::time_t got = cartera::Now(ctx);
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
