#include "statements/trading212.h"

#include <gtest/gtest.h>

#include <sstream>

#include "statements/test_rows.h"

namespace cartera::statements {
namespace {

Statement Read(const std::string& text) {
    std::istringstream in(text);
    return ReadTrading212(in);
}

// One EUR account's history in the older header style (the account's currency in the
// headings) and in the newer one (currency columns, the columns in another order): half a
// share of a USD stock with a charge in EUR, a dividend on it with tax withheld, cash.
const std::string kOlder = TestData("trading212_older.csv");
const std::string kNewer = TestData("trading212_newer.csv");

TEST(Trading212Reader, BothHeaderStylesGiveTheSameStatementFractionsKept) {
    EXPECT_TRUE(RecognisesTrading212(kOlder));
    EXPECT_TRUE(RecognisesTrading212(kNewer));
    EXPECT_FALSE(RecognisesTrading212("Date,Time,Product,ISIN,Quantity,Price,,Order ID\n"));

    Statement s = Read(kOlder);
    EXPECT_EQ(Describe(s), Describe(Read(kNewer)));
    EXPECT_EQ(s.format, "trading212");
    EXPECT_EQ(s.idPrefix, "T212:");
    ASSERT_EQ(s.rows.size(), 7u);
    // 0.05 EUR charged on 90 USD at 1.10 USD to the euro.
    EXPECT_EQ(s.rows[1].quantity, 0.5);
    EXPECT_NEAR(s.rows[1].commission, 0.055, 1e-12);
    EXPECT_THAT(Describe(s.rows[1]),
                ::testing::StartsWith("0 line 3  USD id=EOF001 2024-01-03 15:30:01 US0378331005 "
                                      "AAPL buy 0.5 @180 c="));
    EXPECT_FALSE(s.rows[3].buy);
    EXPECT_EQ(s.rows[3].time, 17 * 3600);  // fractions of a second dropped
    // Gross: 0.5 x 0.204 net plus 0.036 withheld, which is an expense of the security.
    EXPECT_EQ(s.rows[4].kind, RowKind::dividend);
    EXPECT_NEAR(s.rows[4].amount, 0.138, 1e-12);
    EXPECT_NEAR(s.rows[4].rate, 0.276, 1e-12);
    EXPECT_EQ(s.rows[5].kind, RowKind::expense);
    EXPECT_EQ(s.rows[5].security, "US0378331005");
    EXPECT_NEAR(s.rows[5].amount, 0.036, 1e-12);
    EXPECT_EQ(s.rows[0].kind, RowKind::imposition);
    EXPECT_EQ(s.rows[0].currency, "EUR");
    EXPECT_EQ(s.rows[6].kind, RowKind::income);
    ASSERT_EQ(s.notes.size(), 1u);  // the card payment; the conversion is no movement
    EXPECT_EQ(s.notes[0].line, 9u);
}

TEST(Trading212Reader, RefusesABadRowNamingItsLineAndField) {
    const std::string header = kNewer.substr(0, kNewer.find('\n') + 1);
    struct Case {
        std::string row, message;
    } cases[] = {
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,half,180,USD,1,,,90,USD,,,,\n",
         "line 2, no. of shares"},
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,-1,180,USD,1,,,90,USD,,,,\n",
         "line 2, no. of shares"},
        {"Market buy,03/01/2024 15:30,US0,AAPL,A,,E1,1,180,USD,1,,,90,USD,,,,\n", "line 2, time"},
        {"Deposit,2024-01-02 08:00:00,,,,,dep-1,,,,,,,,EUR,,,,\n", "line 2, total"},
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,1,180,USD,,,,90,EUR,,,0.1,EUR\n",
         "line 2, exchange rate"},
    };
    for (const Case& c : cases) ExpectRefused([&] { Read(header + c.row); }, c.message);
}

}  // namespace
}  // namespace cartera::statements
