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
// fills of one order, a sell.
const char kTradesEn[] =
    "Date,Time,Product,ISIN,Reference exchange,Venue,Quantity,Price,,Local value,,Value,,"
    "Exchange rate,Transaction and/or third,,Total,,Order ID\n"
    "15-03-2024,15:42,APPLE INC.,US0378331005,NDQ,XNAS,-5,172.50,USD,862.50,USD,795.48,EUR,"
    "1.0842,-0.50,EUR,794.98,EUR,aaaa-0001\n"
    "02-02-2024,10:05,APPLE INC.,US0378331005,NDQ,XNAS,10,185.00,USD,-1850.00,USD,-1706.33,EUR,"
    "1.0842,-1.00,EUR,-1707.33,EUR,aaaa-\n"
    "0002\n"
    "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,3,\"1,234.50\",EUR,\"-3,703.50\",EUR,"
    "\"-3,703.50\",EUR,,-2.00,EUR,\"-3,705.50\",EUR,bbbb-0003\n"
    "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,2,1234.00,EUR,-2468.00,EUR,-2468.00,"
    "EUR,,0.00,EUR,-2468.00,EUR,bbbb-0003\n";
const char kTradesNl[] =
    "Datum,Tijd,Product,ISIN,Beurs,Uitvoeringsplaats,Aantal,Koers,,Lokale waarde,,Waarde,,"
    "Wisselkoers,Transactiekosten en/of,,Totaal,,Order ID\n"
    "15-03-2024,15:42,APPLE INC.,US0378331005,NDQ,XNAS,-5,\"172,50\",USD,\"862,50\",USD,"
    "\"795,48\",EUR,\"1,0842\",\"-0,50\",EUR,\"794,98\",EUR,aaaa-0001\n"
    "02-02-2024,10:05,APPLE INC.,US0378331005,NDQ,XNAS,10,\"185,00\",USD,\"-1850,00\",USD,"
    "\"-1706,33\",EUR,\"1,0842\",\"-1,00\",EUR,\"-1707,33\",EUR,aaaa-\n"
    ",,,,,,,,,,,,,,,,,,0002\n"
    "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,3,\"1.234,50\",EUR,\"-3.703,50\",EUR,"
    "\"-3.703,50\",EUR,,\"-2,00\",EUR,\"-3.705,50\",EUR,bbbb-0003\n"
    "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,2,\"1234,00\",EUR,\"-2468,00\",EUR,"
    "\"-2468,00\",EUR,,\"0,00\",EUR,\"-2468,00\",EUR,bbbb-0003\n";

// The cash of the same account: the sell's cash side (it has an order id) and a currency
// exchange are in the trades or no movement; a cash sweep is not understood.
const char kAccountEn[] =
    "Date,Time,Value date,Product,ISIN,Description,FX,Change,,Balance,,Order Id\n"
    "15-03-2024,15:42,15-03-2024,APPLE INC.,US0378331005,Sell 5 Apple@172.5 USD,,USD,862.50,"
    "USD,862.50,aaaa-0001\n"
    "15-03-2024,07:12,14-03-2024,APPLE INC.,US0378331005,Dividend,,USD,2.40,USD,2.40,\n"
    "15-03-2024,07:12,14-03-2024,APPLE INC.,US0378331005,Dividend Tax,,USD,-0.36,USD,2.04,\n"
    "01-02-2024,09:00,01-02-2024,,,iDEAL Deposit,,EUR,5000.00,EUR,5000.00,\n"
    "20-03-2024,11:00,20-03-2024,,,Withdrawal,,EUR,-1000.00,EUR,4000.00,\n"
    "01-03-2024,06:00,29-02-2024,,,DEGIRO Exchange Connection Fee 2024,,EUR,-2.50,EUR,1.00,\n"
    "01-03-2024,06:00,01-03-2024,,,Interest,,EUR,1.25,EUR,2.25,\n"
    "16-03-2024,06:00,16-03-2024,,,Currency exchange,1.0842,USD,-862.50,USD,0.00,\n"
    "17-03-2024,08:00,17-03-2024,,,Degiro Cash Sweep Transfer,,EUR,-100.00,EUR,0.00,\n";
const char kAccountNl[] =
    "Datum,Tijd,Valutadatum,Product,ISIN,Omschrijving,FX,Mutatie,,Saldo,,Order Id\n"
    "15-03-2024,15:42,15-03-2024,APPLE INC.,US0378331005,Verkoop 5 Apple@172,5 USD,,USD,"
    "\"862,50\",USD,\"862,50\",aaaa-0001\n"
    "15-03-2024,07:12,14-03-2024,APPLE INC.,US0378331005,Dividend,,USD,\"2,40\",USD,\"2,40\",\n"
    "15-03-2024,07:12,14-03-2024,APPLE INC.,US0378331005,Dividendbelasting,,USD,\"-0,36\",USD,"
    "\"2,04\",\n"
    "01-02-2024,09:00,01-02-2024,,,iDEAL storting,,EUR,\"5000,00\",EUR,\"5000,00\",\n"
    "20-03-2024,11:00,20-03-2024,,,Terugstorting,,EUR,\"-1000,00\",EUR,\"4000,00\",\n"
    "01-03-2024,06:00,29-02-2024,,,DEGIRO Aansluitingskosten 2024,,EUR,\"-2,50\",EUR,\"1,00\",\n"
    "01-03-2024,06:00,01-03-2024,,,Rente,,EUR,\"1,25\",EUR,\"2,25\",\n"
    "16-03-2024,06:00,16-03-2024,,,Valuta Debitering,\"1,0842\",USD,\"-862,50\",USD,\"0,00\",\n"
    "17-03-2024,08:00,17-03-2024,,,Degiro Cash Sweep Transfer,,EUR,\"-100,00\",EUR,\"0,00\",\n";

TEST(DegiroReader, EnglishAndDutchExportsGiveTheSameStatement) {
    for (const char* file : {kTradesEn, kTradesNl, kAccountEn, kAccountNl})
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
    EXPECT_EQ(cash.rows[3].security, "US0378331005");
    EXPECT_EQ(cash.rows[3].currency, "USD");
    ASSERT_EQ(cash.notes.size(), 1u);
    EXPECT_EQ(cash.notes[0].line, 10u);
    ASSERT_EQ(cashNl.notes.size(), 1u);
}

TEST(DegiroReader, RefusesABadRowNamingItsLineAndField) {
    const std::string header =
        std::string(kTradesEn).substr(0, std::string(kTradesEn).find('\n') + 1);
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
