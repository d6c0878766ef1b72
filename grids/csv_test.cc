#include "grids/csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

std::vector<std::vector<std::string>> Fields(const std::vector<CsvRecord>& records) {
    std::vector<std::vector<std::string>> out;
    for (const auto& r : records) out.push_back(r.fields);
    return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(Csv, QuotesCommasLineBreaksAndCrlfBothWays) {
    std::vector<CsvRecord> records;
    CsvError error;
    ASSERT_TRUE(ParseCsv("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",,x\r\n\r\nlast",
                         &records, &error));
    EXPECT_EQ(Fields(records),
              (Rows{{"a", "b,c", "say \"hi\""}, {"two\r\nlines", "", "x"}, {""}, {"last"}}));
    EXPECT_EQ(records[1].line, 2);
    EXPECT_EQ(records[2].line, 4);  // the quoted line break counts
    EXPECT_EQ(records[3].line, 5);

    records.clear();
    ASSERT_TRUE(ParseCsv("\xEF\xBB\xBFh1,h2\nv1,\n", &records, &error));
    EXPECT_EQ(Fields(records), (Rows{{"h1", "h2"}, {"v1", ""}}));
    records.clear();
    ASSERT_TRUE(ParseCsv("", &records, &error));
    EXPECT_TRUE(records.empty());

    // The writer quotes only what needs it, and what it writes reads back.
    std::ostringstream out;
    WriteCsvRecord(out, {"plain", "a,b", "say \"x\"", "line\nbreak", " pad", ""});
    EXPECT_EQ(out.str(), "plain,\"a,b\",\"say \"\"x\"\"\",\"line\nbreak\",\" pad\",\r\n");
    ASSERT_TRUE(ParseCsv(out.str(), &records, &error));
    EXPECT_EQ(Fields(records), (Rows{{"plain", "a,b", "say \"x\"", "line\nbreak", " pad", ""}}));
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
    // A record may be as long as the limit; the byte past it is the error.
    std::istringstream in("abc,def\n0123456789\n01234,6789AB\n");
    CsvReader reader(in, 10);
    CsvRecord record;
    CsvError error;
    EXPECT_TRUE(reader.Next(&record, &error));
    ASSERT_TRUE(reader.Next(&record, &error));
    EXPECT_EQ(record.fields, std::vector<std::string>{"0123456789"});
    EXPECT_FALSE(reader.Next(&record, &error));
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(error.column, 11);
}

class CsvLedgerTest : public GridsTest {
  protected:
    std::string Export(const CUGCtrl& grid) {
        std::ostringstream out;
        ExportGridCsv(grid, out);
        return out.str();
    }
    void AddJournal() {
        ledger.AddOrder(Cash(kImposition, 1, 10000));
        ledger.AddOrder(Exec(true, "ACME", 1000, 5.25, 0.01, 20000));
        ledger.AddOrder(Exec(false, "ACME", 400, 6.5, 0.02, 20001));
        ledger.AddOrder(Cash(kExpense, 1, 12.5));
        COrderCartera dividend = Cash(kDividend, 600, 0.1);
        dividend.symbol = dividend.quoteCode = "ACME";
        ledger.AddOrder(dividend);
        ledger.AddOrder(Cash(kRefund, 1, 250));
    }
};

TEST_F(CsvLedgerTest, GridExportWritesPlainNumbersIsoDatesAndDebitsNegative) {
    AddJournal();
    SetLanguage(Language::de);
    movements.FillGrid();
    EXPECT_EQ(movements.QuickGetText(3, 1), "04.10.2024");  // the grid shows the German form
    std::string csv = Export(movements);
    SetLanguage(Language::en);
    EXPECT_EQ(csv.rfind("Art,Symbol,Gruppe,Datum,Kontrakte,Kurs,Provisionen,Gesamt\r\n"
                        "EI,cash,,1970-01-01,1,10000.00,0.00,10000.00\r\n"
                        "K,ACME,,2024-10-04,1000,5.25,10.00,-5260.00\r\n"
                        "V,ACME,,2024-10-05,400,6.50,8.00,2592.00\r\n"
                        "AU,cash,,1970-01-01,1,12.50,0.00,-12.50\r\n",
                        0),
              0u)
        << csv;
    // Prices show and export as stored, at least with their decimals: the row adds up.
    ledger.AddOrder(Exec(true, "TINY", 500, 3.912, 7.0 / 500, 20002));
    ledger.AddOrder(Exec(true, "MICRO", 1, 0.0001, 0.0, 20002));
    SetLanguage(Language::de);
    for (CGridQBase* grid : std::initializer_list<CGridQBase*>{&movements, &open}) grid->FillGrid();
    EXPECT_EQ(movements.QuickGetText(5, 6) + " " + movements.QuickGetText(5, 7) + " " +
                  open.QuickGetText(Col(open, 3430), 1) + " " + movements.QuickGetText(5, 0),
              "3,912 0,0001 3,912 10.000,00");
    std::string prices = Export(movements);
    SetLanguage(Language::en);
    EXPECT_NE(prices.find("\r\nK,TINY,,2024-10-06,500,3.912,7.00,-1963.00\r\n"), std::string::npos)
        << prices;
    EXPECT_NE(prices.find(",1,0.0001,0.00,0.00\r\n"), std::string::npos) << prices;
    std::ostringstream journal;  // the commission as typed, which reads back the same
    ExportMovementsCsv(ledger, journal);
    EXPECT_NE(journal.str().find(",buy,TINY,TINY,500,3.912,7,,2\r\n"), std::string::npos)
        << journal.str();
    // A refund of a negative amount takes money in: its debit total is written positive.
    ledger.AddOrder(Cash(kRefund, 2, -1500));
    movements.FillGrid();
    std::string withRefund = Export(movements);
    EXPECT_NE(withRefund.find("\r\nRE,cash,,1970-01-01,2,-1500.00,0.00,3000.00\r\n"),
              std::string::npos)
        << withRefund;
}

TEST_F(CsvLedgerTest, AnExportedGridImportsToTheSameRows) {
    AddJournal();
    movements.FillGrid();
    std::istringstream in(Export(movements));
    std::vector<COrderCartera> batch;
    CSistemaCartera copy;
    ASSERT_EQ(ParseMovementsCsv(in, copy, &batch).message(), "");  // ISO dates
    copy.AddOrders(std::move(batch));
    CGridCartera grid;
    grid.CreateGrid(RECT{}, nullptr, 1);
    grid.SetLedger(&copy);
    grid.FillGrid();
    EXPECT_EQ(Export(grid), Export(movements));
    EXPECT_DOUBLE_EQ(copy.GetCapital(), ledger.GetCapital());
}

TEST_F(CsvLedgerTest, RowsBecomeWhatTheEntryPagesRecord) {
    stComision schedule = Bracket("Broker", 4, 0, 1e9);
    schedule.commissionPct = 1;
    ledger.GetAdmComisiones()->Add(schedule);
    std::string csv =
        "Group,symbol,Code,date,time,type,contracts,price,commission,schedule\n"
        "g1,Acme Corp,ACME,2026-03-02,09:30,buy,10,20,,bro\n"
        "g1,,ACME,2026-03-02,10:00:15,sell,4,25,1.5,\n"
        ",Fees,,2026-03-03,,expense,,7.25,,\n"
        "g2,,ACME,2026-03-04,,dividend,10,0.5,,\n"
        ",,ACME,2026-03-05,,buy,1,10,,\n";
    std::istringstream in(csv);
    std::vector<COrderCartera> batch;
    ASSERT_EQ(ParseMovementsCsv(in, ledger, &batch).message(), "");
    ASSERT_EQ(batch.size(), 5u);
    // Type, symbol, group, schedule, contracts, price, date, time; then the commission a
    // contract. A row with neither commission nor schedule takes the default schedule.
    using Row = std::tuple<int32_t, std::string, std::string, std::string, int32_t, double, int32_t,
                           int32_t>;
    const Row rows[] = {
        {kBuy, "Acme Corp", "g1", "Broker", 10, 20, DateNumber(2026, 3, 2), TimeNumber(9, 30, 0)},
        {kSell, "ACME", "g1", "", 4, 25, DateNumber(2026, 3, 2), TimeNumber(10, 0, 15)},
        {kExpense, "Fees", "", "", 1, 7.25, DateNumber(2026, 3, 3), 0},
        {kDividend, "ACME", "g2", "", 10, 0.5, DateNumber(2026, 3, 4), 0},
        {kBuy, "ACME", "", "Broker", 1, 10, DateNumber(2026, 3, 5), 0}};
    const double commissions[] = {0.2, 1.5 / 4, 0, 0, 0.1};  // 1 % of 200 over 10 contracts
    for (size_t i = 0; i < batch.size(); ++i) {
        const COrderCartera& m = batch[i];
        EXPECT_EQ(Row(m.type, m.symbol, m.group, m.schedule, m.contracts, m.price, m.date, m.time),
                  rows[i])
            << i;
        EXPECT_DOUBLE_EQ(m.commission, commissions[i]) << i;
    }
    EXPECT_EQ(batch[0].quoteCode, "ACME");
    EXPECT_EQ(batch[0].decimals, 2);
}

TEST_F(CsvLedgerTest, BadRowsLeaveTheLedgerUntouched) {
    ledger.AddOrder(Cash(kImposition, 1, 100));
    std::string head = "date,type,code,contracts,price,schedule\n";
    std::string good = "2026-01-02,buy,ACME,5,10,\n";
    struct Case {
        std::string text;
        std::string where;
    };
    const Case cases[] = {
        {head + good + "2026-01-32,buy,ACME,5,10,\n", "line 3, column date"},
        {head + "07/01/2024,buy,ACME,5,10,\n", "line 2, column date"},
        {head + "2026-01-02,buy,ACME,5,1e13,\n", "line 2, column price"},
        {"date,type,code,contracts,price,commission\n2026-01-02,buy,A,5,1,1e308\n",
         "line 2, column commission"},
        {"date,type,code,contracts,price\n2026-01-02,deposit,,1,1e13\n", "line 2, column price"},
        {head + good + good + "2026-01-02,swap,ACME,5,10,\n", "line 4, column type"},
        {head + "2026-01-02,sell,ACME,0,10,\n", "line 2, column contracts"},
        {head + "2026-01-02,sell,ACME,5,ten,\n", "line 2, column price"},
        {head + "2026-01-02,sell,ACME,5,10,Nobody\n", "line 2, column schedule"},
        {head + "2026-01-02,sell,,5,10,\n", "line 2, column code"},
        {head + "2026-01-02,sell,ACME,5\n", "line 2, column 5"},
        {"date,type,code,contracts,price,colour\n", "line 1, column 6"},
        {"date,type,code,contracts\n", "line 1, column price"},
        {head + "2026-01-02,buy,\"ACME,5,10,\n", "line 2, column 16"},
        {"", "line 1"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        std::vector<COrderCartera> batch(1);
        Status parsed = ParseMovementsCsv(in, ledger, &batch);
        EXPECT_EQ(parsed.ok() ? ErrorKind::bug : parsed.kind(), ErrorKind::invalid_input) << c.text;
        EXPECT_EQ(parsed.message().substr(0, c.where.size()), c.where) << parsed.message();
        EXPECT_EQ(batch.size(), 1u);
    }
    EXPECT_EQ(ledger.GetOrders().size(), 1u);
}

TEST_F(CsvLedgerTest, AnOverlongLineStopsTheReadingAtTheRecordLimitNamingItsLine) {
    const std::string head = "date,type,code,contracts,price\n2026-01-02,buy,ACME,5,10\n";
    for (std::string start : {"", "2026-01-02,buy,\""}) {  // a plain field, a quoted one
        std::istringstream in(head + start + std::string(3 * kMaxCsvRecordBytes, 'x') + "\n");
        std::vector<COrderCartera> batch;
        const std::string error = ParseMovementsCsv(in, ledger, &batch).message();
        EXPECT_EQ(error.rfind("line 3, column ", 0), 0u) << error;
        EXPECT_NE(error.find(std::to_string(kMaxCsvRecordBytes) + " bytes"), std::string::npos);
        EXPECT_LT(in.tellg(), 2 * kMaxCsvRecordBytes) << "read on past the limit";
        EXPECT_TRUE(batch.empty());
    }
}

}  // namespace
}  // namespace cartera::testing
