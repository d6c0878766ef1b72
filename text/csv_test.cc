#include "text/csv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cartera {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Fields(const std::vector<CsvRecord>& records) {
    Rows out;
    for (const auto& r : records) out.push_back(r.fields);
    return out;
}

TEST(Csv, QuotesCommasLineBreaksAndCrlfBothWays) {
    std::vector<CsvRecord> records;
    CsvError error;
    ASSERT_TRUE(
        ParseCsv("\357\273\277a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",,x\r\n\r\nlast",
                 &records, &error));  // a byte-order mark first, in octal ("\xBFa" is one)
    EXPECT_EQ(Fields(records),
              (Rows{{"a", "b,c", "say \"hi\""}, {"two\r\nlines", "", "x"}, {""}, {"last"}}));
    EXPECT_EQ(records[1].line, 2);
    EXPECT_EQ(records[2].line, 4);  // the quoted line break counts
    EXPECT_EQ(records[3].line, 5);

    records.clear();
    ASSERT_TRUE(ParseCsv("", &records, &error));
    EXPECT_TRUE(records.empty());

    // The writer quotes only what needs it, and what it writes reads back.
    std::ostringstream out;
    WriteCsvRecord(out, {"plain", "a,b", "say \"x\"", "line\nbreak", " pad", ""});
    EXPECT_EQ(out.str(), "plain,\"a,b\",\"say \"\"x\"\"\",\"line\nbreak\",\" pad\",\r\n");
    ASSERT_TRUE(ParseCsv(out.str(), &records, &error));
    EXPECT_EQ(Fields(records), (Rows{{"plain", "a,b", "say \"x\"", "line\nbreak", " pad", ""}}));

    // A reader told to find its separator takes the first line's commoner one outside quotes.
    for (const char* text :
         {"\357\273\277a;\"b,c;d\";1,5\nx;\"y\";2,5", "a,\"b;c,d\",1.5\nx,\"y\",2.5"}) {
        std::istringstream in(text);
        CsvReader reader(in, kMaxCsvRecordBytes, 0);
        CsvRecord record;
        ASSERT_TRUE(reader.Next(&record, &error));
        EXPECT_EQ(record.fields.size(), 3u) << text;
        ASSERT_TRUE(reader.Next(&record, &error));
        EXPECT_EQ(record.fields[1], "y");
    }
}

TEST(CsvReader, ErrorsNameLineAndColumn) {
    struct Case {
        const char* text;
        int line, column;
    };
    const Case cases[] = {
        {"a,b\nc,d\"e\n", 2, 4},            // quote inside an unquoted field
        {"a,\"b\"x,c\n", 1, 6},             // text after a closing quote
        {"a\nb,\"open\nstill open", 2, 3},  // never closes: where it opened
        {"é,\"x\"y", 1, 6},                 // columns count characters
    };
    for (const Case& c : cases) {
        std::vector<CsvRecord> records;
        CsvError error;
        EXPECT_FALSE(ParseCsv(c.text, &records, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_EQ(error.column, c.column) << c.text;
        EXPECT_FALSE(error.message.empty());
    }
    // A record may be as long as the limit; the byte past it is the error. The bytes read
    // so far are counted for a progress line.
    std::istringstream in("abc,def\n0123456789\n01234,6789AB\n");
    CsvReader reader(in, 10);
    CsvRecord record;
    CsvError error;
    EXPECT_TRUE(reader.Next(&record, &error));
    EXPECT_EQ(reader.BytesRead(), 8u);
    ASSERT_TRUE(reader.Next(&record, &error));
    EXPECT_EQ(record.fields, std::vector<std::string>{"0123456789"});
    EXPECT_FALSE(reader.Next(&record, &error));
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(error.column, 11);
}

}  // namespace
}  // namespace cartera
