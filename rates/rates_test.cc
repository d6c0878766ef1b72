// The rates table from the ECB's files: its gaps, weekends and cross rates against rates
// worked out by hand, the single-day file, the zips, the table kept in the home, and damaged
// files refused with their line or byte.
#include "rates/rates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "host/dates.h"
#include "testing/mem_env.h"

namespace cartera::rates {
namespace {

std::string TestFile(const std::string& name) {
    std::ifstream in(std::string(CARTERA_RATES_TESTDATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int32_t Dec(int day) { return DateNumber(2026, 12, day); }

class RatesTest : public ::testing::Test {
  protected:
    // Puts a test file (or bytes) into the in-memory disk and imports it into the home.
    Status ImportBytes(const std::string& bytes, ImportSummary* summary = nullptr) {
        env.Files()["/in/file"] = bytes;
        return table.Import(ctx, "/in/file", summary);
    }
    void ExpectRate(std::string_view from, std::string_view to, int32_t on, double rate,
                    int32_t takenFrom) {
        SCOPED_TRACE(std::string(from) + std::string(to) + " " + IsoDate(on));
        const std::optional<DatedRate> r = table.Lookup(from, to, on);
        ASSERT_TRUE(r);
        EXPECT_DOUBLE_EQ(r->rate, rate);
        EXPECT_EQ(IsoDate(r->date), IsoDate(takenFrom));
    }

    MemEnv env;
    Context ctx{&env, {}, "/home", Language::en};
    RatesTable table;
};

TEST_F(RatesTest, HistoryGivesEachDayItsRateOrTheLastEarlierOneCrossingThroughTheEuro) {
    ImportSummary summary;
    ASSERT_TRUE(ImportBytes(TestFile("eurofxref-hist.csv"), &summary).ok());
    EXPECT_EQ(summary.datesRead, 4u);
    EXPECT_EQ(summary.currenciesRead, 4u);
    ExpectRate("EUR", "USD", Dec(4), 1.05, Dec(4));
    ExpectRate("USD", "EUR", Dec(6), 1 / 1.05, Dec(4));      // Sunday: Friday's
    ExpectRate("USD", "GBP", Dec(3), 0.85 / 1.04, Dec(3));   // through the euro
    ExpectRate("USD", "JPY", Dec(3), 158.0 / 1.04, Dec(2));  // JPY N/A: Wednesday's
    ExpectRate("GBP", "JPY", Dec(1), 157.5 / 0.81, DateNumber(2026, 11, 30));  // no row
    ExpectRate("CYP", "EUR", Dec(4), 1 / 0.585, DateNumber(2026, 11, 30));
    ExpectRate("XXX", "XXX", Dec(4), 1, Dec(4));
    EXPECT_EQ(table.Rate("EUR", "USD", DateNumber(2026, 11, 29)), std::nullopt);
    EXPECT_EQ(table.Rate("EUR", "XXX", Dec(4)), std::nullopt);
    EXPECT_EQ(table.Rate("XXX", "USD", Dec(4)), std::nullopt);
}

TEST_F(RatesTest, TheDailyFileAndTheZipsMergeIntoTheTableTheHomeKeeps) {
    ImportSummary summary;
    ASSERT_TRUE(ImportBytes(TestFile("eurofxref.zip"), &summary).ok());
    EXPECT_EQ(summary.datesRead, 1u);
    EXPECT_EQ(summary.currencies, 3u);
    ASSERT_TRUE(ImportBytes(TestFile("eurofxref-hist.zip"), &summary).ok());
    EXPECT_EQ(summary.dates, 5u);
    EXPECT_EQ(summary.currencies, 4u);
    ExpectRate("GBP", "USD", Dec(8), 1.06 / 0.845, Dec(7));
    ExpectRate("GBP", "CYP", Dec(8), 0.585 / 0.845, DateNumber(2026, 11, 30));

    // The home's table reads back the same, and the plain files give what the zips gave.
    RatesTable loaded, plain;
    ASSERT_TRUE(loaded.Load(ctx).ok());
    EXPECT_EQ(loaded, table);
    ASSERT_TRUE(ReadRates(TestFile("eurofxref.csv"), &plain).ok());
    ASSERT_TRUE(ReadRates(TestFile("eurofxref-hist.csv"), &plain).ok());
    EXPECT_EQ(plain, table);
    // Streamed: sizes and CRC after the data (flag 8), the header's sizes 0.
    std::string streamed = TestFile("eurofxref.zip"), daily;
    const size_t end = 30 + 1 + 62;  // the header, the name "-", the deflated bytes
    streamed.insert(end, std::string("PK\x07\x08") + streamed.substr(14, 12));
    streamed[6] |= 8;
    streamed.replace(18, 8, 8, '\0');
    RatesTable fromStream, fromCsv;
    ASSERT_TRUE(ReadRates(streamed, &fromStream).ok());
    ASSERT_TRUE(ReadRates(TestFile("eurofxref.csv"), &fromCsv).ok());
    EXPECT_EQ(fromStream, fromCsv);
    // A later file's rate replaces the table's.
    ASSERT_TRUE(ImportBytes("Date,USD,\n2026-12-07,1.07,\n").ok());
    ExpectRate("EUR", "USD", Dec(7), 1.07, Dec(7));
}

TEST_F(RatesTest, DamagedFilesAreRefusedWithTheirLineOrByteAndTheTableStays) {
    ASSERT_TRUE(ImportBytes(TestFile("eurofxref.csv")).ok());
    const std::string kept = env.Files()["/home/rates.csv"];
    const std::string zip = TestFile("eurofxref-hist.zip");
    std::string flipped = zip;
    flipped[60] ^= 0x55;  // inside the deflated data
    const std::pair<std::string, std::string> bad[] = {
        {zip.substr(0, 20), "zip: a header cut short at byte 0"},
        {zip.substr(0, 90), "zip: an entry cut short at byte 48"},
        {flipped, "zip: "},
        {"Date,USD,\n2026-02-30,1.0,\n", "line 2, Date: \"2026-02-30\" is not a date"},
        {"Date,USD,\n2026-12-01,1.0,\n2026-12-02,1,05,\n", "line 3, column 3: \"05\" stands"},
        {"Date,USD,\n2026-12-01,abc,\n", "line 2, USD: \"abc\" is not a rate"},
        {"Date,USD,\n2026-12-01,-1,\n", "line 2, USD: \"-1\" is not a rate"},
        {"Date,USD\n2026-12-01\n", "line 2: 1 fields where the header names 2"},
        {"Date,usd,\n", "line 1, column 2: \"usd\" is not a currency code"},
        {"When,USD,\n", "line 1: not an ECB rates file"},
        {"Date,USD,\n\"2026-12-01,1\n", "line 2, column 1: "},
        {"", "line 1: not an ECB rates file: it is empty"},
    };
    for (const auto& [bytes, message] : bad) {
        SCOPED_TRACE(message);
        const Status s = ImportBytes(bytes);
        EXPECT_EQ(s.kind(), ErrorKind::invalid_input);
        EXPECT_THAT(s.message(), ::testing::HasSubstr("/in/file: " + message));
        EXPECT_EQ(env.Files()["/home/rates.csv"], kept);
    }
    // Every cut of the zip is refused or read, never a crash.
    for (size_t n = 0; n < zip.size(); ++n) (void)ImportBytes(zip.substr(0, n));
    // A home table that does not read as rates is damage, named as the home's file.
    env.Files()["/home/rates.csv"] = "Date,USD,\nyesterday,1,\n";
    const Status damaged = table.Load(ctx);
    EXPECT_EQ(damaged.kind(), ErrorKind::damaged);
    EXPECT_THAT(damaged.message(), ::testing::HasSubstr("/home/rates.csv: line 2, Date"));
}

}  // namespace
}  // namespace cartera::rates
