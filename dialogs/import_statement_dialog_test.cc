#include "dialogs/import_statement_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "host/env.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_ledger.h"

namespace cartera::dialogs {
namespace {

// A Trading 212 history in two currencies, half a share among the dollar rows.
const char kHistory[] =
    "Action,Time,ISIN,Ticker,Name,ID,No. of shares,Price / share,Currency (Price / share),"
    "Exchange rate,Total,Currency (Total)\n"
    "Deposit,2024-01-02 08:00:00,,,,dep-1,,,,,1000.00,EUR\n"
    "Limit buy,2024-01-04 16:00:00,IE00B4L5Y983,IWDA,iShares World,EOF002,4,80.00,EUR,1,320,EUR\n"
    "Market buy,2024-01-05 15:30:00,US0378331005,AAPL,Apple,EOF003,0.5,180.00,USD,1.1,82,EUR\n"
    "Market buy,2024-01-05 15:31:00,US5949181045,MSFT,Microsoft,EOF004,2,370.00,USD,1.1,673,EUR\n";

class ImportStatementDialogTest : public testing::LedgerTest {
  protected:
    ImportStatementDialogTest() {
        EXPECT_EQ(doc.SaveAs(kPath).message(), "");
        Write(kHistory);
    }
    void Write(const std::string& text) { ASSERT_TRUE(env.WriteFileAtomic(kStatement, text).ok()); }
    static QString Cell(const ImportStatementDialog& d, int row, int col) {
        QTableWidgetItem* item = d.Preview()->item(row, col);
        return item ? item->text() : QString();
    }

    static constexpr const char* kPath = "/mem/home/p.cartera";
    static constexpr const char* kStatement = "/mem/home/history.csv";
    CSistemaCartera ledger{ctx};
    PortfolioDocument doc{&ledger, &env};
};

TEST_F(ImportStatementDialogTest, ChoicesReplanThePreviewImportSavesOnceAndBadRowsImportNothing) {
    ImportStatementDialog dialog(ledger, kStatement, nullptr, kPath);
    dialog.show();
    EXPECT_EQ(dialog.CurrencyNote()->text(),
              "Portfolio currency: none yet; this import makes it EUR");
    EXPECT_EQ(dialog.FormatBox()->currentData().toString(), "trading212");
    EXPECT_FALSE(dialog.AccountBox()->isVisible());
    ASSERT_TRUE(dialog.CurrencyBox()->isVisible());  // two currencies: the first is taken
    EXPECT_EQ(dialog.CurrencyBox()->currentText(), "EUR");
    EXPECT_EQ(dialog.Preview()->rowCount(), 2);
    EXPECT_TRUE(dialog.ImportButton()->isEnabled());

    // Dollars: the half share is imported as it is, shown with its decimals.
    dialog.CurrencyBox()->setFocus();
    QTest::keyClick(dialog.CurrencyBox(), Qt::Key_Down);
    EXPECT_EQ(dialog.CurrencyBox()->currentText(), "USD");
    ASSERT_EQ(dialog.Preview()->rowCount(), 2);
    EXPECT_EQ(Cell(dialog, 0, 4) + " " + Cell(dialog, 0, 5), "AAPL 0.5");
    EXPECT_EQ(Cell(dialog, 1, 4) + " " + Cell(dialog, 1, 1), "MSFT 5");
    EXPECT_EQ(dialog.Summary()->text(), "2 to add, 0 already in the portfolio, 0 refused");

    const int saves = doc.SaveCount();
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(doc.SaveCount(), saves + 1);
    CSistemaCartera reread{ctx};
    PortfolioDocument rereadDoc{&reread, &env};
    ASSERT_EQ(rereadDoc.Load(kPath).message(), "");
    ASSERT_EQ(reread.GetOrders().size(), 2u);
    EXPECT_EQ(reread.GetOrders()[0].contracts.Text(), "0.5");
    EXPECT_EQ(std::string(reread.GetOrders()[1].orderText), "T212:EOF004");

    // The import made dollars the portfolio's currency: offered first, another one warned of.
    ImportStatementDialog again(ledger, kStatement, nullptr, kPath);
    again.show();
    EXPECT_EQ(again.CurrencyNote()->text(), "Portfolio currency: USD");
    again.CurrencyBox()->setCurrentIndex(0);
    EXPECT_TRUE(again.CurrencyNote()->text().startsWith("EUR is not the portfolio's currency USD"));
    again.CurrencyBox()->setCurrentIndex(1);
    EXPECT_EQ(again.Summary()->text(), "0 to add, 2 already in the portfolio, 0 refused");
    EXPECT_FALSE(again.ImportButton()->isEnabled());
    EXPECT_FALSE(again.Import());
    EXPECT_EQ(doc.SaveCount(), saves + 1);

    // A bad row shows its line and leaves nothing to import; so does a missing file.
    Write(std::string(kHistory) + "Market sell,2024-01-06 10:00:00,US0,X,X,E5,two,1,USD,1,1,EUR\n");
    ImportStatementDialog bad(ledger, kStatement);
    EXPECT_TRUE(bad.Problem().startsWith("line 6, no. of shares")) << bad.Problem().toStdString();
    EXPECT_EQ(bad.Preview()->rowCount(), 0);
    EXPECT_FALSE(bad.ImportButton()->isEnabled());
    ImportStatementDialog missing(ledger, "/mem/home/none.csv");
    EXPECT_FALSE(missing.Problem().isEmpty());
    EXPECT_FALSE(missing.ImportButton()->isEnabled());
}

}  // namespace
}  // namespace cartera::dialogs
