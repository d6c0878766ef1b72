#include "statements/mapping.h"

#include <gtest/gtest.h>

#include <sstream>

#include "statements/degiro.h"
#include "statements/test_rows.h"

namespace cartera::statements {
namespace {

Statement ReadWith(const std::string& map, const std::string& text) {
    std::istringstream in(text);
    return ReadMapped(in, ParseMapping(map));
}

std::vector<std::string> WithoutLines(Statement s) {
    for (StatementRow& r : s.rows) r.line = 0;
    return Describe(s);
}

TEST(Mapping, ShippedDegiroMappingReadsTheTradesAsTheReaderDoes) {
    const std::string file =
        "Date,Time,Product,ISIN,Reference exchange,Venue,Quantity,Price,,Local value,,Value,,"
        "Exchange rate,Transaction and/or third,,Total,,Order ID\n"
        "15-03-2024,15:42,ASML HOLDING,NL0010273215,EAM,XAMS,-5,\"1,250.00\",EUR,6250.00,EUR,"
        "6250.00,EUR,,-2.00,EUR,6248.00,EUR,bbbb-0004\n"
        "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,3,1234.50,EUR,-3703.50,EUR,"
        "-3703.50,EUR,,-2.00,EUR,-3705.50,EUR,bbbb-0003\n"
        "02-02-2024,09:30,ASML HOLDING,NL0010273215,EAM,XAMS,2,1234.00,EUR,-2468.00,EUR,"
        "-2468.00,EUR,,0.00,EUR,-2468.00,EUR,bbbb-0003\n";
    Statement mapped = ReadWith(std::string(ShippedMapping("degiro")), file);
    std::istringstream in(file);
    Statement read = ReadDegiro(in);
    EXPECT_EQ(Describe(mapped), Describe(read));
    EXPECT_EQ(mapped.idPrefix, read.idPrefix);  // so either import knows the other's rows
    ASSERT_EQ(mapped.rows.size(), 3u);
    EXPECT_FALSE(mapped.rows[2].buy);
    EXPECT_EQ(mapped.rows[1].id, "bbbb-0003/2");
    EXPECT_TRUE(ShippedMapping("mybroker").empty());
}

// A broker of our own invention: dd/mm/yyyy, decimal commas, words in a type column,
// signed cash amounts. Its trades are the ones the shipped Interactive Brokers mapping
// reads from a Flex CSV (the order row left out there).
TEST(Mapping, AMappingFileReadsTheTradesTheShippedOneReads) {
    const std::string ib =
        "\"ClientAccountID\",\"CurrencyPrimary\",\"Symbol\",\"Conid\",\"TradeID\",\"DateTime\","
        "\"Quantity\",\"TradePrice\",\"IBCommission\",\"Multiplier\",\"Buy/Sell\","
        "\"LevelOfDetail\"\n"
        "U1,USD,AAPL,265598,1001,20240102;100000,10,185.5,-1,1,BUY,EXECUTION\n"
        "U1,USD,AAPL,265598,,20240102;100000,10,185.5,-1,1,BUY,ORDER\n"
        "U1,USD,AAPL 240119C00190000,123456789,1002,20240103;153000,-2,1.25,-1.3,100,SELL,"
        "EXECUTION\n";
    const std::string map =
        "# trades and cash of one account\n"
        "date = Trade Date\n"
        "date_format = DD/MM/YYYY\n"
        "time = Time\n"
        "type = action\n"
        "buy = bought\n"
        "sell = Sold\n"
        "dividend = Div*\n"
        "tax = *withholding*\n"
        "code = column 4\n"
        "id = Id\n"
        "symbol = Name\n"
        "quantity = Qty\n"
        "price = Price\n"
        "commission = Fees\n"
        "currency = Ccy\n"
        "multiplier = Mult\n"
        "account = Account\n"
        "amount = Amount\n"
        "signed_amount = yes\n"
        "decimal = ,\n"
        "id_prefix = IB:\n";
    const std::string file =
        "Trade Date,Time,Action,Instrument,Id,Name,Qty,Price,Fees,Ccy,Mult,Account,Amount\n"
        "02/01/2024,10:00:00,Bought,265598,1001,AAPL,10,\"185,5\",1,USD,1,U1,\n"
        "03/01/2024,15:30,Sold,123456789,1002,AAPL 240119C00190000,2,\"1,25\",\"-1,3\",USD,100,"
        "U1,\n"
        "05/01/2024,,Dividend,265598,,AAPL,10,,,USD,,U1,\"2,40\"\n"
        "05/01/2024,,US withholding tax,265598,,AAPL,,,,USD,,U1,\"-0,36\"\n"
        "06/01/2024,,Transfer,,,,,,,,,,\n";
    Statement shipped = ReadWith(std::string(ShippedMapping("ib")), ib);
    Statement own = ReadWith(map, file);
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
    };
    for (const Case& c : cases) ExpectRefused([&] { ReadWith(c.map, c.file); }, c.message);
}

}  // namespace
}  // namespace cartera::statements
