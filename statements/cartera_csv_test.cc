// Cartera's own movements CSV: what the entry pages would record from each row, the rows
// refused and how they are named, and the journal and the movements grid read back.
#include "statements/cartera_csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "grids/csv.h"
#include "model/exchange.h"
#include "statements/test_rows.h"
#include "testing/test_grids.h"
#include "text/csv.h"

namespace cartera::statements {
namespace {

class CarteraCsvTest : public testing::GridsTest {
  protected:
    std::vector<COrderCartera> Movements(const std::string& text,
                                         std::string_view dateFormat = kIsoDateFormat) {
        ReadOptions options;
        options.ledger = &ledger;
        options.dateFormat = dateFormat;
        return Read(std::string(kCarteraFormat), text, options).movements;
    }
    void Refused(const std::string& text, const std::string& where) {
        try {
            Movements(text);
            ADD_FAILURE() << text;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, where.size()), where) << e.what();
        }
    }
};

TEST_F(CarteraCsvTest, RowsBecomeWhatTheEntryPagesRecord) {
    stComision schedule = testing::Bracket("Broker", 4, 0, 1e9);
    schedule.commissionPct = 1;
    ledger.GetAdmComisiones()->Add(schedule);
    std::vector<COrderCartera> batch = Movements(
        "Group,symbol,Code,date,time,type,contracts,price,commission,schedule\n"
        "g1,Acme Corp,ACME,2026-03-02,09:30,buy,10,20,,bro\n"
        "g1,,ACME,2026-03-02,10:00:15,sell,4,25,1.5,\n"
        ",Fees,,2026-03-03,,expense,,7.25,,\n"
        "g2,,ACME,2026-03-04,,dividend,10,0.5,,\n"
        ",,ACME,2026-03-05,,buy,1,10,,\n");
    ASSERT_EQ(batch.size(), 5u);
    // Type, symbol, group, schedule, contracts, price, date, time; then the commission a
    // contract. A row with neither commission nor schedule takes the default schedule.
    using Row = std::tuple<int32_t, std::string, std::string, std::string, Quantity, double,
                           int32_t, int32_t>;
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
    // The file's own date form, when told.
    EXPECT_EQ(
        Movements("date,type,code,contracts,price\n07/01/2024,buy,A,1,5\n", "DD/MM/YYYY")[0].date,
        DateNumber(2024, 1, 7));
}

TEST_F(CarteraCsvTest, ABadRowIsNamedByItsLineAndColumn) {
    std::string head = "date,type,code,contracts,price,schedule\n";
    std::string good = "2026-01-02,buy,ACME,5,10,\n";
    const std::pair<std::string, std::string> cases[] = {
        {head + good + "2026-01-32,buy,ACME,5,10,\n", "line 3, column date"},
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
    for (const auto& [text, where] : cases) Refused(text, where);
}

TEST_F(CarteraCsvTest, AnOverlongLineStopsTheReadingAtTheRecordLimitNamingItsLine) {
    const std::string head = "date,type,code,contracts,price\n2026-01-02,buy,ACME,5,10\n";
    for (std::string start : {"", "2026-01-02,buy,\""}) {  // a plain field, a quoted one
        std::istringstream in(head + start + std::string(3 * kMaxCsvRecordBytes, 'x') + "\n");
        ExpectRefused([&] { ReadStatement(in, std::string(kCarteraFormat)); },
                      std::to_string(kMaxCsvRecordBytes) + " bytes");
        EXPECT_LT(in.tellg(), 2 * kMaxCsvRecordBytes) << "read on past the limit";
    }
}

// The movements grid's export: plain numbers, ISO dates and debits negative whatever the
// language, prices as stored; that and the journal's export read back give the same grid.
TEST_F(CarteraCsvTest, TheJournalAndTheMovementsGridExportAndReadBackToTheSameRows) {
    using testing::Cash, testing::Exec;
    ledger.AddOrder(Cash(kImposition, 1, 10000));
    ledger.AddOrder(Exec(true, "ACME", 1000, 5.25, 0.01, 20000));
    ledger.AddOrder(Exec(false, "ACME", 400, 6.5, 0.02, 20001));
    ledger.AddOrder(Cash(kExpense, 1, 12.5));
    COrderCartera dividend = Cash(kDividend, 600, 0.1);
    dividend.symbol = dividend.quoteCode = "ACME";
    ledger.AddOrder(dividend);
    ledger.AddOrder(Exec(true, "TINY", 500, 3.912, 7.0 / 500, 20002));
    ledger.AddOrder(Exec(true, "MICRO", 1, 0.0001, 0.0, 20002));
    std::ostringstream journal;
    ExportMovementsCsv(ledger, journal);
    EXPECT_NE(journal.str().find(",buy,TINY,TINY,500,3.912,7,,2,,,\r\n"), std::string::npos)
        << journal.str();
    SetLanguage(Language::de);
    movements.FillGrid();
    open.FillGrid();
    EXPECT_EQ(movements.QuickGetText(3, 1) + " " + movements.QuickGetText(5, 5) + " " +
                  movements.QuickGetText(5, 6) + " " + open.QuickGetText(Col(open, 3430), 1) + " " +
                  movements.QuickGetText(5, 0),
              "04.10.2024 3,912 0,0001 3,912 10.000,00");
    std::ostringstream grid;
    ExportGridCsv(movements, grid);
    EXPECT_EQ(grid.str().rfind("Art,Symbol,Gruppe,Datum,Kontrakte,Kurs,Provisionen,Gesamt\r\n"
                               "EI,cash,,1970-01-01,1,10000.00,0.00,10000.00\r\n"
                               "K,ACME,,2024-10-04,1000,5.25,10.00,-5260.00\r\n"
                               "V,ACME,,2024-10-05,400,6.50,8.00,2592.00\r\n"
                               "AU,cash,,1970-01-01,1,12.50,0.00,-12.50\r\n",
                               0),
              0u)
        << grid.str();
    for (const char* row :
         {"\r\nK,TINY,,2024-10-06,500,3.912,7.00,-1963.00\r\n", ",1,0.0001,0.00,0.00\r\n"})
        EXPECT_NE(grid.str().find(row), std::string::npos) << grid.str();
    for (const std::string& text : {journal.str(), grid.str()}) {
        CSistemaCartera copy{ctx};
        copy.AddOrders(Movements(text));
        CGridCartera copied;
        copied.CreateGrid(RECT{}, nullptr, 1);
        copied.SetLedger(&copy);
        copied.FillGrid();
        std::ostringstream again;
        ExportGridCsv(copied, again);
        EXPECT_EQ(again.str(), grid.str());
        EXPECT_DOUBLE_EQ(copy.GetCapital(), ledger.GetCapital());
        if (text != journal.str()) continue;
        std::ostringstream back;
        ExportMovementsCsv(copy, back);
        EXPECT_EQ(back.str(), journal.str());
    }
    SetLanguage(Language::en);
    // A refund of a negative amount takes money in: its debit total is written positive.
    ledger.AddOrder(Cash(kRefund, 2, -1500));
    movements.FillGrid();
    std::ostringstream refund;
    ExportGridCsv(movements, refund);
    EXPECT_NE(refund.str().find("\r\nRE,cash,,1970-01-01,2,-1500.00,0.00,3000.00\r\n"),
              std::string::npos)
        << refund.str();
}

// Currencies, exchanges and actions go out and come back as the journal holds them; a foreign
// currency without its rate is refused, never taken at 1.
TEST_F(CarteraCsvTest, CurrenciesExchangesAndActionsReadBackAsTheJournalHoldsThem) {
    using testing::Action, testing::Exec;
    ledger.SetCurrency("EUR");
    COrderCartera exchange = testing::Cash(kExchange, 1, 0, 20000);
    ASSERT_FALSE(SetExchange("EUR", {"EUR", 1000}, {"USD", 1250}, std::nullopt, {}, exchange));
    ledger.AddOrder(exchange);
    COrderCartera buy = Exec(true, "ACME", 10, 100, 0.2, 20001);
    buy.currency = PooledText("USD");
    buy.rate = 0.8;
    ledger.AddOrder(buy);
    ledger.AddOrder(Action(kSplit, "ACME", "4:1", 20002));
    std::ostringstream journal;
    ExportMovementsCsv(ledger, journal);
    EXPECT_NE(
        journal.str().find(
            ",exchange,EUR\xE2\x86\x92USD,EUR\xE2\x86\x92USD,1,1250,,,2,USD,0.8,EUR 1000\r\n"),
        std::string::npos)
        << journal.str();
    CSistemaCartera copy{ctx};
    copy.SetCurrency("EUR");
    ReadOptions options;
    options.ledger = &copy;
    copy.AddOrders(Read(std::string(kCarteraFormat), journal.str(), options).movements);
    std::ostringstream back;
    ExportMovementsCsv(copy, back);
    EXPECT_EQ(back.str(), journal.str());
    ASSERT_EQ(copy.GetOpenTrades().size(), 1u);
    EXPECT_EQ(copy.GetOpenTrades()[0].contracts, Quantity(40));

    const std::string header = "date,type,code,contracts,price,currency,rate,terms\n";
    Refused(header + "2024-01-02,buy,X,1,5,USD,,\n", "line 2, column rate");
    Refused(header + "2024-01-02,exchange,,1,5,USD,,EUR -3\n", "line 2, column terms");
    Refused(header + "2024-01-02,split,X,0,0,,,4:0\n", "line 2, column terms");
}

}  // namespace
}  // namespace cartera::statements
