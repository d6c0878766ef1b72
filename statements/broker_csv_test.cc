// The CSV brokers: DEGIRO and Trading 212 exports read by their own readers, and broker
// files read through a mapping.
#include <gtest/gtest.h>

#include <algorithm>
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

// Takes the exchange rows out of s.
std::vector<StatementRow> TakeExchanges(Statement* s) {
    std::vector<StatementRow> out;
    std::erase_if(s->rows, [&](const StatementRow& r) {
        if (r.kind == RowKind::exchange) out.push_back(r);
        return r.kind == RowKind::exchange;
    });
    return out;
}

std::vector<std::string> WithoutLines(Statement s) {
    for (StatementRow& r : s.rows) r.line = 0;
    return Describe(s);
}

// Adds the statement's rows of each currency to the ledger; how many movements that added.
size_t ImportAll(const Statement& s, CSistemaCartera& ledger) {
    size_t added = 0;
    for (const char* currency : {"EUR", "USD"}) {
        ImportPlan plan = PlanImport(s, ledger, {"", currency});
        ledger.AddOrders(plan.added);
        added += plan.added.size();
    }
    return added;
}

// The trades of one period exported in English and Dutch (an order id wrapped onto a second
// line), German, Spanish, Portuguese, Italian, and French as a spreadsheet saves it
// (semicolons, cut-off headings, d/m/y):
// a USD buy whose EUR costs need the exchange rate, two fills of one order, a sell. The
// account of the same period in each of those languages: each order's fills, its
// costs and its currency exchange, cash, a split, and what is only reported (a cash sweep,
// half of an exchange, a stock dividend, a rights issue, a money-market fund conversion).
const std::string kTradesEn = TestData("degiro/trades_en.csv");

class BrokerCsvTest : public testing::LedgerTest {};

TEST_F(BrokerCsvTest, DegiroEveryLanguageGivesTheSameStatementAndTheTwoFilesEachTradeOnce) {
    EXPECT_FALSE(Recognises("degiro", "Action,Time,ISIN,Ticker,No. of shares\n"));
    const Statement trades = Read("degiro", TestData("degiro/trades_nl.csv"));
    EXPECT_TRUE(Recognises("degiro", kTradesEn));
    EXPECT_EQ(Read("degiro", kTradesEn).rows.size(), 4u);
    for (const char* language : {"de", "es", "pt", "it", "fr"}) {
        SCOPED_TRACE(language);
        const std::string text = TestData("degiro/trades_" + std::string(language) + ".csv");
        EXPECT_TRUE(Recognises("degiro", text));
        EXPECT_EQ(WithoutLines(Read("degiro", text)), WithoutLines(trades));
    }
    EXPECT_EQ(trades.format, "degiro");
    EXPECT_EQ(trades.idPrefix, "DEGIRO:");
    ASSERT_EQ(trades.rows.size(), 4u);
    EXPECT_EQ(Describe(trades.rows[0]),
              "0 line 5  EUR id=bbbb-0003 2024-02-02 09:30:00 NL0010273215 ASML HOLDING buy "
              "3 @1234.5 c=2 x1 amount=0 rate=0");
    EXPECT_EQ(trades.rows[1].id, "bbbb-0003/2");  // the second fill of one order
    EXPECT_EQ(Describe(trades.rows[2]),           // costs in EUR, price in USD at 1.0842
              "0 line 3  USD id=aaaa-0002 2024-02-02 10:05:00 US0378331005 APPLE INC. buy "
              "10 @185 c=1.0842 x1 amount=0 rate=0");
    EXPECT_FALSE(trades.rows[3].buy);
    EXPECT_DOUBLE_EQ(trades.rows[3].commission, 0.5 * 1.0842);

    const Statement cash = Read("degiro", TestData("degiro/account_en.csv"));
    for (const char* language : {"nl", "de", "es", "pt", "it", "fr"}) {
        SCOPED_TRACE(language);
        const std::string text = TestData("degiro/account_" + std::string(language) + ".csv");
        EXPECT_TRUE(Recognises("degiro", text));
        const Statement other = Read("degiro", text);
        EXPECT_EQ(Describe(other), Describe(cash));
        ASSERT_EQ(other.notes.size(), cash.notes.size());
        for (size_t i = 0; i < other.notes.size(); ++i)
            EXPECT_EQ(other.notes[i].line, cash.notes[i].line);
    }
    // Among the fills: imposition; the buy's exchanges, 1 EUR of costs into 1.0842 USD and
    // the fill's 1850 USD; fee, interest, the split, dividend, tax; the sell's exchanges,
    // 0.50 EUR of costs into 0.5421 USD and 862.50 USD into 795.48 EUR; withdrawal.
    std::string kinds;
    Statement fills = cash;
    std::erase_if(fills.rows, [&](const StatementRow& r) {
        if (r.kind != RowKind::trade)
            kinds +=
                std::to_string(static_cast<int>(r.kind)) + ":" + ExactNumberText(r.amount) + " ";
        return r.kind != RowKind::trade;
    });
    EXPECT_EQ(kinds,
              "5:5000 8:1.0842 8:1850 3:2.5 4:1.25 7:0 2:2.4 3:0.36 8:0.5421 8:795.48 6:1000 ");
    EXPECT_EQ(WithoutLines(fills), WithoutLines(trades));
    // The sweep, an exchange's half without its other, the stock dividend, the rights, the
    // fund.
    std::vector<size_t> noted;
    for (const StatementNote& n : cash.notes) noted.push_back(n.line);
    std::sort(noted.begin(), noted.end());
    EXPECT_EQ(noted, (std::vector<size_t>{3, 4, 11, 14, 15}));
    // An order whose trade text is in no language read is said so, and so are costs in
    // another currency without the rate of the order's currency exchange.
    const std::string en = TestData("degiro/account_en.csv");
    const Statement unread =
        Read("degiro",
             en.substr(0, en.find('\n') + 1) +
                 "02-02-2024,10:05,,A,X1,Kupno 1 A@2 USD,,USD,-2,,,o7\n"
                 "02-02-2024,10:06,,A,X1,DEGIRO Transaction and/or third party fees,,EUR,-1,,,o8\n"
                 "02-02-2024,10:06,,A,X1,Buy 1 A@2 USD,,USD,-2,,,o8\n");
    ASSERT_EQ(unread.notes.size(), 2u);
    EXPECT_EQ(unread.notes[0].text,
              "costs of 1 EUR of order o8 left out: no exchange rate into USD (Transactions.csv "
              "has them)");
    EXPECT_EQ(unread.notes[1].text,
              "order o7: no trade read from its lines; import Transactions.csv for it");
    EXPECT_EQ(unread.rows.size(), 1u);

    for (bool accountFirst : {false, true}) {
        SCOPED_TRACE(accountFirst);
        CSistemaCartera ledger{ctx};
        const Statement& first = accountFirst ? cash : trades;
        const Statement& second = accountFirst ? trades : cash;
        EXPECT_EQ(ImportAll(first, ledger), accountFirst ? 11u : 4u);
        EXPECT_EQ(ImportAll(second, ledger), accountFirst ? 0u : 7u);
        EXPECT_EQ(ImportAll(first, ledger) + ImportAll(second, ledger), 0u);
    }
}

TEST(DegiroReader, RefusesABadRowNamingItsLineAndField) {
    const std::string header = kTradesEn.substr(0, kTradesEn.find('\n') + 1);
    const std::string account =
        "Date,Time,Value date,Product,ISIN,Description,FX,Change,,Balance,,Order Id\n";
    ExpectRefused(
        [&] { Read("degiro", account + "02-02-2024,10:05,,A,US0,Buy ten A@1 USD,,USD,-1,,,o\n"); },
        "line 2, quantity");
    ExpectRefused(
        [&] { Read("degiro", account + "02-02-2024,10:05,,A,US0,FX Debit,1.2.3,USD,-1,,,o\n"); },
        "line 2, FX");
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
// headings), in the newer one (currency columns, the columns in another order), the newest
// (times in UTC with their offset, stamp duty columns), and as rows
// of a third layout ("Not available" rates) pasted under the older header, then the newer
// header and its rows: half a share of a USD stock with a charge in EUR, a dividend on it
// with tax withheld, cash.
const std::string kOlder = TestData("trading212/older.csv");
const std::string kNewer = TestData("trading212/newer.csv");
const std::string kPasted = TestData("trading212/pasted.csv");

// Fractions bought in several parts and partly sold leave the position the broker shows:
// 29.80478 bought, 4.80478 sold, 25 held, and a fraction of ten decimals to its last digit.
TEST_F(BrokerCsvTest, FractionalTradesLeaveTheBrokersPosition) {
    for (auto [format, file, held] :
         {std::tuple("trading212", "trading212/fractions.csv", "25.1234567891"),
          std::tuple("degiro", "degiro/fractions.csv", "25")}) {
        CSistemaCartera ledger{ctx};
        const Statement s = Read(format, TestData(file));
        const size_t added = ImportAll(s, ledger);
        EXPECT_EQ(added, s.rows.size()) << file;
        EXPECT_EQ(ImportAll(s, ledger), 0u) << file;
        Quantity open;
        for (const CNegocioC& t : ledger.GetOpenTrades()) open += t.contracts;
        EXPECT_EQ(open.Text(), held) << file;
        ASSERT_EQ(ledger.GetClosedTrades().size(), 1u) << file;  // from the first buy
        EXPECT_EQ(ledger.GetClosedTrades()[0].remainder.Text(), "5.69522") << file;
    }
}

// Every reader keeps a quantity as written, beyond what a double holds (18 digits), and
// refuses an eleventh decimal naming the row's line and column, never rounding it.
TEST(StatementReaders, QuantitiesAreExactAndAnEleventhDecimalIsRefused) {
    const std::string flexTrades = TestData("ib-flex-csv/flex_trades.csv");
    const std::string flex = flexTrades.substr(0, flexTrades.find('\n') + 1) +
                             "U1,USD,AAPL,265598,1001,,20240102;100000,Q,150,-1,1,BUY,,,0\n";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"degiro", "quantity",
         kTradesEn.substr(0, kTradesEn.find('\n') + 1) +
             "02-02-2024,10:05,A,US0,N,X,Q,2,USD,,,,,,,,,,o\n"},
        {"degiro", "quantity",
         "Date,Time,Value date,Product,ISIN,Description,FX,Change,,Balance,,Order Id\n"
         "02-02-2024,10:05,,A,US0,Buy Q A@2 USD,,USD,-2,,,o\n"},
        {"trading212", "no. of shares",
         "Action,Time,ISIN,Ticker,No. of shares,Price / share,Currency (Price / share)\n"
         "Market buy,2024-01-03 15:30:01,IE0,IWDA,Q,80.00,EUR\n"},
        {"ib-flex-csv", "quantity", flex},
        {"ib-activity-csv", "quantity",
         "Trades,Header,Symbol,Date/Time,Quantity,T. Price\nTrades,Data,A,20240102,Q,1\n"},
        {"map", "quantity", "D,Q,P\n2024-01-02,Q,2\n"},
    };
    for (const auto& [format, field, text] : cases) {
        SCOPED_TRACE(format + ": " + text);
        auto read = [&, &text = text, &format = format](const std::string& quantity) {
            std::string t = text;
            t.replace(t.rfind('Q'), 1, quantity);
            if (format != "map") return Read(format, t);
            return ReadWith("date = D\nquantity = Q\nprice = P\nsigned_quantity = yes\n", t);
        };
        const Statement s = read("12345678.1234567891");
        ASSERT_EQ(s.rows.size(), 1u);
        EXPECT_EQ(s.rows[0].quantity.Text(), "12345678.1234567891");
        ExpectRefused([&] { read("1.00000000001"); },
                      "line 2, " + field + ": \"1.00000000001\" has more than 10 decimals");
    }
}

// Thousands grouped by a blank, a no-break space or a narrow one, as French and Swiss
// exports write them, in the cells and in an account line's words.
TEST(StatementReaders, ThousandsGroupedByBlanksAreRead) {
    const std::string trades = kTradesEn.substr(0, kTradesEn.find('\n') + 1) +
                               "02-02-2024,10:05,A,US0,N,X,1 234,1\u00A0234.50,EUR,,,,,,,,,,o\n";
    const std::string account =
        "Date,Time,Value date,Product,ISIN,Description,FX,Change,,Balance,,Order Id\n"
        "02-02-2024,10:05,,A,US0,\"Koop 1 234 @ 1\u202F234,50 EUR\",,EUR,-2,,,o\n";
    const std::string t212 =
        "Action,Time,ISIN,Ticker,No. of shares,Price / share,Currency (Price / share)\n"
        "Market buy,2024-01-03 15:30:01,IE0,IWDA,1 234,1 234.50,EUR\n";
    for (const auto& [format, text] : {std::pair{"degiro", trades}, std::pair{"degiro", account},
                                       std::pair{"trading212", t212}}) {
        const Statement s = Read(format, text);
        ASSERT_EQ(s.rows.size(), 1u) << text;
        EXPECT_EQ(s.rows[0].quantity.Text(), "1234") << text;
        EXPECT_EQ(s.rows[0].price, 1234.5) << text;
    }
}

TEST_F(BrokerCsvTest, Trading212EveryHeaderStyleGivesTheSameStatementFractionsKept) {
    EXPECT_TRUE(Recognises("trading212", kOlder));
    EXPECT_TRUE(Recognises("trading212", kNewer));
    EXPECT_FALSE(Recognises("trading212", "Date,Time,Product,ISIN,Quantity,Price,,Order ID\n"));

    Statement s = Read("trading212", kOlder);
    EXPECT_EQ(Describe(s), Describe(Read("trading212", kNewer)));
    EXPECT_EQ(Describe(s), Describe(Read("trading212", TestData("trading212/newest.csv"))));
    Statement pasted = Read("trading212", kPasted);
    // The broker's automatic exchanges, EUR into USD for the buy and the dividend's USD into
    // EUR: 0.5 x 180 USD and its 0.05 EUR charge at 1.10 (0.055 USD) for the 81.87 EUR
    // total; the 0.5 x 0.204 USD net dividend for 0.09 EUR.
    std::string exchanges;
    for (const StatementRow& x : TakeExchanges(&s))
        exchanges += ExactNumberText(x.amount) + x.currency + "/" + ExactNumberText(x.soldAmount) +
                     x.soldCurrency + " ";
    EXPECT_EQ(exchanges, "90.055USD/81.87EUR 0.09EUR/0.102USD ");
    EXPECT_NEAR(s.rows[1].fxRate, 1 / 1.1, 1e-12);
    // A pasted dividend whose rate is "Not available" has no exchange to go with it.
    EXPECT_EQ(TakeExchanges(&pasted).size(), 1u);
    EXPECT_EQ(WithoutLines(pasted), WithoutLines(s));
    EXPECT_EQ(pasted.notes.size(), 2u);
    CSistemaCartera ledger{ctx};  // the half share too, each added once
    EXPECT_EQ(ImportAll(pasted, ledger), 7u);
    EXPECT_EQ(ImportAll(s, ledger), 0u);
    EXPECT_EQ(s.format, "trading212");
    EXPECT_EQ(s.idPrefix, "T212:");
    ASSERT_EQ(s.rows.size(), 7u);
    // 0.05 EUR charged on 90 USD at 1.10 USD to the euro.
    EXPECT_EQ(s.rows[1].quantity.Text(), "0.5");
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
    ASSERT_EQ(s.notes.size(), 2u);  // a conversion without its two amounts, the card payment
    EXPECT_EQ(s.notes[0].line, 8u);
    EXPECT_EQ(s.notes[1].line, 9u);
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
        {"Market buy,2024-01-03 15:30:01,US0,AAPL,A,,E1,1,180,USD,Not "
         "available,,,90,EUR,,,0.1,EUR\n",
         "line 2, exchange rate"},
    };
    for (const auto& [row, message] : cases)
        ExpectRefused([&] { Read("trading212", header + row); }, message);
    ExpectRefused(
        [&] {
            Read("trading212", kOlder.substr(0, kOlder.find('\n') + 1) +
                                   "Deposit,2024-01-02 08:00:00" + std::string(20, ',') + "\n");
        },
        "line 2, record: 22 fields where its header names 16");
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
        Statement read = Read(c.format, file);
        TakeExchanges(&read);  // a mapping reads no exchanges
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
