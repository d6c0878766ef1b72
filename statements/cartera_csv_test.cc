// Cartera's own movements CSV: what the entry pages would record from each row, the rows
// refused and how they are named, and the journal and the movements grid read back.
#include "statements/cartera_csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "grids/csv.h"
#include "statements/test_rows.h"
#include "testing/test_grids.h"
#include "text/csv.h"

namespace cartera::statements {
namespace {

class CarteraCsvTest : public testing::GridsTest {
  protected:
    // The movements of text, priced by the fixture's ledger.
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

// The journal's export, and the movements grid's in the interface language, read back give
// the same journal and the same grid; a commission reads back as typed.
TEST_F(CarteraCsvTest, TheJournalAndTheMovementsGridReadBackToTheSameRows) {
    ledger.AddOrder(testing::Cash(kImposition, 1, 10000));
    ledger.AddOrder(testing::Exec(true, "ACME", 1000, 5.25, 0.01, 20000));
    ledger.AddOrder(testing::Exec(false, "ACME", 400, 6.5, 0.02, 20001));
    ledger.AddOrder(testing::Cash(kExpense, 1, 12.5));
    COrderCartera dividend = testing::Cash(kDividend, 600, 0.1);
    dividend.symbol = dividend.quoteCode = "ACME";
    ledger.AddOrder(dividend);
    ledger.AddOrder(testing::Exec(true, "TINY", 500, 3.912, 7.0 / 500, 20002));
    std::ostringstream journal;
    ExportMovementsCsv(ledger, journal);
    EXPECT_NE(journal.str().find(",buy,TINY,TINY,500,3.912,7,,2\r\n"), std::string::npos)
        << journal.str();
    SetLanguage(Language::de);
    movements.FillGrid();
    std::ostringstream grid;
    ExportGridCsv(movements, grid);
    for (const std::string& text : {journal.str(), grid.str()}) {
        CSistemaCartera copy;
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
}

}  // namespace
}  // namespace cartera::statements
