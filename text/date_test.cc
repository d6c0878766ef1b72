// Dates and times read back from what the program writes, from what users and brokers write,
// and nothing else.
#include "text/date.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "host/dates.h"

namespace cartera {
namespace {

TEST(ReadDate, WhatTheProgramWritesReadsBackAndEveryOtherTextIsRefused) {
    // What the formatters write reads back; the short form carries no century and reads as
    // the 2000s.
    for (int32_t day = DateNumber(1900, 1, 1); day <= DateNumber(2100, 12, 31); day += 13) {
        for (const std::string& text :
             {CTimeLong::FnToFc(day, '-'), CTimeLong::FnToFc(day, ' '), CTimeLong::FnToFc(day, '/'),
              CTimeLong::FnToFc(day, '.'), IsoDate(day)}) {
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
    EXPECT_TRUE(ParseDateText("5/3/2026", &back) && back == DateNumber(2026, 3, 5));

    // Invalid dates and times, junk and forms not named are refused, the number untouched.
    for (const char* text : {"29-02-2025", "29-02-2100", "31-04-2026", "00-01-2026", "01-13-2026",
                             "2026-02-30", "", "12-03-", "12-03-2026x", "x12-03-2026", "12-03/2026",
                             "123-01-2026", "1-1-1", "0000-01-01"}) {
        back = 12345;
        EXPECT_FALSE(ParseDateText(text, &back) || back != 12345) << '"' << text << '"';
    }
}

// The patterns of users (--date-format: only the form named, no two-digit years) and of
// brokers (two-digit years, month names), and times with colons or without.
TEST(ReadDate, PatternsAndTimeFormsReadOnlyWhatTheyName) {
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
        int32_t back = 0;
        EXPECT_EQ(ParseDateFormat(text, format, &back), read) << text << " as " << format;
        EXPECT_TRUE(!read || back == DateNumber(2024, 1, 7)) << text;
    }
    for (auto [text, pattern, read] :
         {Form{"01/07/24", "M/D/YY", true}, Form{"7-jan-24", "D-MMM-YY", true},
          Form{"07-JAN-2024", "D-MMM-YYYY", true}, Form{"7-Jux-24", "D-MMM-YY", false},
          Form{"7-Janu-24", "D-MMM-YY", false}, Form{"7/1/24", "D-MMM-YY", false}}) {
        int32_t back = 0;
        EXPECT_EQ(ReadDate(text, pattern, &back), read) << text << " as " << pattern;
        EXPECT_TRUE(!read || back == DateNumber(2024, 1, 7)) << text;
    }

    using Time = std::tuple<const char*, TimeForm, int32_t>;  // text, form, read (-1: refused)
    for (auto [text, form, read] :
         {Time{"09:30", TimeForm::colons, TimeNumber(9, 30, 0)},
          Time{"9:30:05", TimeForm::either, TimeNumber(9, 30, 5)},
          Time{"093005", TimeForm::compact, TimeNumber(9, 30, 5)},
          Time{"0930", TimeForm::either, TimeNumber(9, 30, 0)},
          Time{"093005", TimeForm::colons, -1}, Time{"09:30", TimeForm::compact, -1},
          Time{"24:00", TimeForm::colons, -1}, Time{"12:30:60", TimeForm::colons, -1},
          Time{"9:5", TimeForm::colons, -1}, Time{"12:30:", TimeForm::colons, -1},
          Time{"", TimeForm::either, -1}, Time{"12:30:00x", TimeForm::colons, -1},
          Time{"12300", TimeForm::compact, -1}, Time{"250000", TimeForm::compact, -1}}) {
        int32_t back = -1;
        EXPECT_EQ(ReadTime(text, form, &back), read >= 0) << '"' << text << '"';
        EXPECT_EQ(back, read) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace cartera
