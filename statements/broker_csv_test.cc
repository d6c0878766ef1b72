// The CSV brokers: DEGIRO and Trading 212 exports read by their own readers, and broker
// files read through a mapping.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "model/sistema.h"
#include "statements/mapping.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"

namespace cartera::statements {
namespace {

Statement ReadWith(const std::string& map, const std::string& text) {
    std::istringstream in(text);
    return ReadMapped(in, ParseMapping(map));
}

// The same trades exported in English (points) and in Dutch (decimal commas): a USD buy
// whose EUR costs need the exchange rate, its order id wrapped onto a second line, two
// fills of one order, a sell. The account files hold the cash of the same account: the
// sell's cash side (it has an order id) and a currency exchange are in the trades or no
// movement; a cash sweep is not understood.
const std::string kTradesEn = TestData("degiro/trades_en.csv");
const std::string kTradesNl = TestData("degiro/trades_nl.csv");
const std::string kAccountEn = TestData("degiro/account_en.csv");
const std::string kAccountNl = TestData("degiro/account_nl.csv");

TEST(DegiroReader, EnglishAndDutchExportsGiveTheSameStatement) {
    for (const std::string& file : {kTradesEn, kTradesNl, kAccountEn, kAccountNl})
        EXPECT_TRUE(Recognises("degiro", file));
    EXPECT_FALSE(Recognises("degiro", "Action,Time,ISIN,Ticker,No. of shares\n"));

    Statement en = Read("degiro", kTradesEn);
    EXPECT_EQ(Describe(en), Describe(Read("degiro", kTradesNl)));
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

    Statement cash = Read("degiro", kAccountEn);
    Statement cashNl = Read("degiro", kAccountNl);
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
    const std::pair<std::string, std::string> cases[] = {
        {"2024-02-30,09:30,ASML,NL0010273215,EAM,XAMS,2,1234.00,EUR,,,,,,,,,,x\n", "line 2, date"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,zwei,1234.00,EUR,,,,,,,,,,x\n",
         "line 2, quantity"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,2,12x,EUR,,,,,,,,,,x\n", "line 2, price"},
        // Costs in EUR on a USD price need the rate.
        {"02-02-2024,09:30,X,US0,N,X,2,10.00,USD,,,,,,-1.00,EUR,,,x\n", "line 2, exchange rate"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,2,\"1234.00\n", "line 2, record"},
        {"02-02-2024,09:30,ASML,NL0010273215,EAM,XAMS,\"1,2,3\",1234.00,EUR,,,,,,,,,,x\n",
         "line 2, quantity"},
        {"02-02-2024,09:30," + std::string(257, 'A') + ",NL0,EAM,XAMS,2,1234.00,EUR,,,,,,,,,,x\n",
         "line 2, symbol: longer than 256 bytes"},
    };
    for (const auto& [row, message] : cases)
        ExpectRefused([&] { Read("degiro", header + row); }, message);
}

// One EUR account's history in the older header style (the account's currency in the
// headings) and in the newer one (currency columns, the columns in another order): half a
// share of a USD stock with a charge in EUR, a dividend on it with tax withheld, cash.
const std::string kOlder = TestData("trading212/older.csv");
const std::string kNewer = TestData("trading212/newer.csv");

TEST(Trading212Reader, BothHeaderStylesGiveTheSameStatementFractionsKept) {
    EXPECT_TRUE(Recognises("trading212", kOlder));
    EXPECT_TRUE(Recognises("trading212", kNewer));
    EXPECT_FALSE(Recognises("trading212", "Date,Time,Product,ISIN,Quantity,Price,,Order ID\n"));

    Statement s = Read("trading212", kOlder);
    EXPECT_EQ(Describe(s), Describe(Read("trading212", kNewer)));
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
    const std::pair<std::string, std::string> cases[] = {
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,half,180,USD,1,,,90,USD,,,,\n",
         "line 2, no. of shares"},
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,-1,180,USD,1,,,90,USD,,,,\n",
         "line 2, no. of shares"},
        {"Market buy,03/01/2024 15:30,US0,AAPL,A,,E1,1,180,USD,1,,,90,USD,,,,\n", "line 2, time"},
        {"Deposit,2024-01-02 08:00:00,,,,,dep-1,,,,,,,,EUR,,,,\n", "line 2, total"},
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,1,180,USD,,,,90,EUR,,,0.1,EUR\n",
         "line 2, exchange rate"},
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,\"1,,2\",180,USD,1,,,90,USD,,,,\n",
         "line 2, no. of shares"},
    };
    for (const auto& [row, message] : cases)
        ExpectRefused([&] { Read("trading212", header + row); }, message);
}

std::vector<std::string> WithoutLines(Statement s) {
    for (StatementRow& r : s.rows) r.line = 0;
    return Describe(s);
}

// The movements a statement's rows of each currency plan into an empty ledger, every field.
std::vector<std::string> Movements(const Statement& s) {
    std::set<std::string> currencies;
    for (const StatementRow& r : s.rows) currencies.insert(r.currency);
    std::vector<std::string> out;
    for (const std::string& currency : currencies) {
        for (const COrderCartera& m :
             PlanImport(s, CSistemaCartera(testing::BareContext()), {"", currency}).added)
            out.push_back(currency + " " + std::to_string(m.type) + " " + IsoDate(m.date) + " " +
                          HnToHc(m.time) + " " + std::string(m.quoteCode) + " " +
                          std::string(m.symbol) + " " + m.contracts.Text() + " @" +
                          ExactNumberText(m.price) + " c=" + ExactNumberText(m.commission) + " x" +
                          ExactNumberText(m.pointValue) + " " + std::string(m.orderText));
    }
    return out;
}

// Each shipped mapping reads its broker's file as the built-in reader does, row for row and
// movement for movement: costs converted into the price's currency, dividends made gross
// with their tax as an expense, the ISIN as quote code.
class ShippedMappingTest : public testing::LedgerTest {};

TEST_F(ShippedMappingTest, EachReadsWhatItsBuiltInReaderReads) {
    const struct {
        const char *map, *format, *file;
        size_t rows;
    } shipped[] = {{"degiro", "degiro", "degiro/mapped_trades.csv", 4},
                   {"trading212", "trading212", "trading212/newer.csv", 7},
                   {"ib", "ib-flex-csv", "ib-flex-csv/ib_trades.csv", 2}};
    for (const auto& c : shipped) {
        SCOPED_TRACE(c.map);
        const std::string file = TestData(c.file);
        const Statement read = Read(c.format, file);
        const Statement mapped = ReadWith(std::string(ShippedMapping(c.map)), file);
        EXPECT_EQ(read.rows.size(), c.rows);
        EXPECT_EQ(Describe(mapped), Describe(read));
        EXPECT_EQ(Movements(mapped), Movements(read));
        EXPECT_EQ(mapped.idPrefix, read.idPrefix);  // so either import knows the other's rows
    }
    EXPECT_TRUE(ShippedMapping("mybroker").empty());
}

// A broker of our own invention: dd/mm/yyyy, decimal commas, words in a type column,
// signed cash amounts. Its trades are the ones the shipped Interactive Brokers mapping
// reads from a Flex CSV (the order row left out there).
TEST(Mapping, AMappingFileReadsTheTradesTheShippedOneReads) {
    Statement shipped =
        ReadWith(std::string(ShippedMapping("ib")), TestData("ib-flex-csv/ib_trades.csv"));
    Statement own = ReadWith(TestData("map/mybroker.map"), TestData("map/mybroker.csv"));
    ASSERT_EQ(own.rows.size(), 4u);
    std::vector<std::string> ownRows = WithoutLines(own);
    ownRows.resize(2);  // the trades
    EXPECT_EQ(WithoutLines(shipped), ownRows);
    EXPECT_EQ(Describe(own.rows[1]),
              "0 line 3 U1 USD id=1002 2024-01-03 15:30:00 123456789 AAPL 240119C00190000 2 "
              "@1.25 c=1.3 x100 amount=0 rate=0");
    EXPECT_EQ(own.rows[2].kind, RowKind::dividend);
    EXPECT_DOUBLE_EQ(own.rows[2].rate, 0.24);
    EXPECT_EQ(own.rows[3].kind, RowKind::expense);
    EXPECT_DOUBLE_EQ(own.rows[3].amount, 0.36);
    ASSERT_EQ(own.notes.size(), 1u);
    EXPECT_EQ(own.notes[0].text, "1 rows of type \"Transfer\" left out");
    EXPECT_EQ(own.notes[0].line, 6u);
    // As an editor may save it, with a byte-order mark.
    EXPECT_EQ(Describe(ReadWith("\xEF\xBB\xBF" + TestData("map/mybroker.map"),
                                TestData("map/mybroker.csv"))),
              Describe(own));
}

TEST(Mapping, ABadMappingOrRowIsRefusedWithItsLine) {
    const std::string trades = "date = D\nquantity = Q\nprice = P\nsigned_quantity = yes\n";
    struct Case {
        std::string map, file, message;
    } cases[] = {
        {"date = D\nquantity Q\n", "", "mapping line 2: expected key = value"},
        {"# c\n\ndate = D\ncolour = red\n", "", "mapping line 4: unknown key \"colour\""},
        {"date = D\ndate_format = YY-MM\n", "", "mapping line 2:"},
        {"date = D\ndate = E\n", "", "mapping line 2: date given twice"},
        {"code = column 0\n", "", "mapping line 1:"},
        {"quantity = Q\nprice = P\nsigned_quantity = yes\n", "", "date is missing"},
        {"date = D\nquantity = Q\nprice = P\n", "", "buy and sell"},
        {trades, "D,Q\n2024-01-02,1\n", "line 1, price: \"P\" is not a column"},
        {trades, "D,Q,P\n2024-01-02,1,2\n2024-01-03,1,x\n", "line 3, price"},
        {trades, "D,Q,P\n2024-01-02,1,2\n02.01.2024,1,2\n", "line 3, date"},
        {trades, "D,Q,P\n2024-01-02,0,2\n", "line 2, quantity"},
        {trades, "D,Q,P\n2024-01-02,\"1,2,3\",2\n", "line 2, quantity"},
        // A commission in another currency than the row's needs the row's rate.
        {trades + "commission_currency = C\n", "", "needs exchange_rate"},
        {trades + "commission = F\ncommission_currency = C\ncurrency = K\nexchange_rate = R\n",
         "D,Q,P,F,C,K,R\n2024-01-02,1,2,-1,EUR,USD,\n", "line 2, exchange rate"},
    };
    for (const Case& c : cases) ExpectRefused([&] { ReadWith(c.map, c.file); }, c.message);
}

}  // namespace
}  // namespace cartera::statements
