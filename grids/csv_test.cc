#include "grids/csv.h"

#include <gtest/gtest.h>

#include <sstream>

#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

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
    // A refund of a negative amount takes money in: its debit total is written positive.
    ledger.AddOrder(Cash(kRefund, 2, -1500));
    movements.FillGrid();
    std::string withRefund = Export(movements);
    EXPECT_NE(withRefund.find("\r\nRE,cash,,1970-01-01,2,-1500.00,0.00,3000.00\r\n"),
              std::string::npos)
        << withRefund;
}

}  // namespace
}  // namespace cartera::testing
