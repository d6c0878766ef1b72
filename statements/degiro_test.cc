#include "statements/degiro.h"

#include <gtest/gtest.h>

#include <sstream>

#include "statements/test_rows.h"

namespace cartera::statements {
namespace {

Statement Read(const std::string& text) {
    std::istringstream in(text);
    return ReadDegiro(in);
}

// The same trades exported in English (points) and in Dutch (decimal commas): a USD buy
// whose EUR costs need the exchange rate, its order id wrapped onto a second line, two
// fills of one order, a sell. The account files hold the cash of the same account: the
// sell's cash side (it has an order id) and a currency exchange are in the trades or no
// movement; a cash sweep is not understood.
const std::string kTradesEn = TestData("degiro_trades_en.csv");
const std::string kTradesNl = TestData("degiro_trades_nl.csv");
const std::string kAccountEn = TestData("degiro_account_en.csv");
const std::string kAccountNl = TestData("degiro_account_nl.csv");

TEST(DegiroReader, EnglishAndDutchExportsGiveTheSameStatement) {
    for (const std::string& file : {kTradesEn, kTradesNl, kAccountEn, kAccountNl})
        EXPECT_TRUE(RecognisesDegiro(file));
    EXPECT_FALSE(RecognisesDegiro("Action,Time,ISIN,Ticker,No. of shares\n"));

    Statement en = Read(kTradesEn);
    EXPECT_EQ(Describe(en), Describe(Read(kTradesNl)));
    EXPECT_EQ(en.format, "degiro");
    EXPECT_EQ(en.idPrefix, "DEGIRO:");
    ASSERT_EQ(en.rows.size(), 4u);
    EXPECT_EQ(Describe(en.rows[0]),
              "0 line 5  EUR id=bbbb-0003 2024-02-02 09:30:00 NL0010273215 ASML HOLDING buy "
              "3 @1234.5 c=2 x1 amount=0 rate=0");
    EXPECT_EQ(en.rows[1].id, "bbbb-0003/2");  // the second fill of one order
    EXPECT_EQ(Describe(en.rows[2]),           // costs in EUR, price in USD at 1.0842
              "0 line 3  USD id=aaaa-0002 2024-02-02 10:05:00 US0378331005 APPLE INC. buy "
              "10 @185 c=1.0842 x1 amount=0 rate=0");
    EXPECT_FALSE(en.rows[3].buy);
    EXPECT_DOUBLE_EQ(en.rows[3].commission, 0.5 * 1.0842);

    Statement cash = Read(kAccountEn);
    Statement cashNl = Read(kAccountNl);
    EXPECT_EQ(Describe(cash), Describe(cashNl));
    std::string kinds;  // imposition, fee, interest, dividend, tax, withdrawal
    for (const StatementRow& r : cash.rows)
        kinds += std::to_string(static_cast<int>(r.kind)) + ":" + ExactNumberText(r.amount) + " ";
    EXPECT_EQ(kinds, "5:5000 3:2.5 4:1.25 2:2.4 3:0.36 6:1000 ");
    EXPECT_EQ(cash.rows[3].security + " " + cash.rows[3].currency, "US0378331005 USD");
    ASSERT_EQ(cash.notes.size(), 1u);
    EXPECT_EQ(cash.notes[0].line, 10u);
    ASSERT_EQ(cashNl.notes.size(), 1u);
}

TEST(DegiroReader, RefusesABadRowNamingItsLineAndField) {
    const std::string header = kTradesEn.substr(0, kTradesEn.find('\n') + 1);
    struct Case {
        std::string row, message;
    } cases[] = {
        {"2024-02-30,09:30,ASML,NL0010273215,EAM,XAMS,2,1234.00,EUR,,,,,,,,,,x\n", "line 2, date"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,zwei,1234.00,EUR,,,,,,,,,,x\n",
         "line 2, quantity"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,2,12x,EUR,,,,,,,,,,x\n", "line 2, price"},
        // Costs in EUR on a USD price need the rate.
        {"02-02-2024,09:30,X,US0,N,X,2,10.00,USD,,,,,,-1.00,EUR,,,x\n", "line 2, exchange rate"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,2,\"1234.00\n", "line 2, record"},
    };
    for (const Case& c : cases) ExpectRefused([&] { Read(header + c.row); }, c.message);
}

}  // namespace
}  // namespace cartera::statements
