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
    const std::string file = TestData("degiro_eur_trades.csv");
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
    Statement shipped = ReadWith(std::string(ShippedMapping("ib")), TestData("ib_trades.csv"));
    Statement own = ReadWith(TestData("mybroker.map"), TestData("mybroker.csv"));
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
