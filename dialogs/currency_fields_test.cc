// The entry sheets' currency and rate, typed into the real widgets of a euro portfolio.
#include "dialogs/currency_fields.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialogs/date_field.h"
#include "dialogs/entry_sheets.h"
#include "dialogs/num_edit.h"
#include "dialogs/sheet_compra.h"
#include "dialogs/sheet_varios.h"
#include "dialogs/symbol_box.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "testing/test_ledger.h"

namespace {

class CurrencySheetsTest : public cartera::testing::LedgerTest {
  protected:
    CurrencySheetsTest() {
        service.AddSymbol({"AAPL", "Apple", 2, 'V', 100.0});
        ledger.SetCurrency("EUR");
        cartera::SetMessageBoxHandler([this](const std::string& text, unsigned) {
            messages.push_back(text);
            return IDOK;
        });
    }
    ~CurrencySheetsTest() override {
        CPropertySheetBase::SetRunner({});
        cartera::SetMessageBoxHandler({});
    }
    template <class Sheet>
    void Run(const COrderCartera* movement, const std::function<void(Sheet&)>& drive) {
        CPropertySheetBase::SetRunner(
            [&](CPropertySheetBase& s) { drive(dynamic_cast<Sheet&>(s)); });
        COrderCartera copy = movement ? *movement : COrderCartera{};
        if constexpr (std::is_same_v<Sheet, CSheetCompra>)
            sheets.RunBuySell(ledger, 3391, 1, nullptr, movement ? &copy : nullptr);
        else
            sheets.RunOther(ledger, 3394, nullptr);
    }
    static void Type(QLineEdit* edit, const char* text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static std::string Text(const QLineEdit* e) { return e->text().toStdString(); }

    CSistemaCartera ledger{ctx};
    CEntrySheets sheets;
    std::vector<std::string> messages;
};

TEST_F(CurrencySheetsTest, ADollarBuyTakesTheRateTypedAndRefusesNoneAndZeroSayingWhy) {
    Run<CSheetCompra>(nullptr, [&](CSheetCompra& sheet) {
        CDlgCompraAccion& page = *sheet.Page();
        CurrencyFields& fields = *page.Currency();
        EXPECT_EQ(Text(fields.Currency()) + " " + Text(fields.Rate()), "EUR 1");
        EXPECT_FALSE(fields.Rate()->isEnabled());
        Type(page.SymbolBox()->lineEdit(), "AAPL");
        QTest::keyClick(page.SymbolBox()->lineEdit(), Qt::Key_Return);
        Type(page.Contracts(), "10");
        Type(page.Price(), "100");
        Type(fields.Currency(), "usd");
        EXPECT_EQ(Text(fields.Rate()), "") << "the table holds no rate";
        sheet.OkButton()->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("No USD to EUR rate for ", 0), 0u) << messages[0];
        EXPECT_NE(sheet.result(), QDialog::Accepted);
        EXPECT_TRUE(ledger.GetOrders().empty());
        Type(fields.Rate(), "2000000000000");
        EXPECT_EQ(sheet.StatusLine()->text().toStdString(), "Rate: at most 1,000,000,000,000");
        Type(fields.Rate(), "0");
        EXPECT_EQ(sheet.StatusLine()->text().toStdString(), "Rate: type a number above 0");
        EXPECT_FALSE(sheet.OkButton()->isEnabled());
        Type(fields.Rate(), "0.9");
        sheet.OkButton()->click();
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    EXPECT_EQ(std::pair(ledger.GetOrders()[0].currency.str(), ledger.GetOrders()[0].rate),
              std::pair(std::string("USD"), 0.9));
    COrderCartera bought = ledger.GetOrders()[0];  // modified, it shows its own
    Run<CSheetCompra>(&bought, [&](CSheetCompra& sheet) {
        CurrencyFields& fields = *sheet.Page()->Currency();
        EXPECT_EQ(Text(fields.Currency()) + " " + Text(fields.Rate()), "USD 0.9");
        sheet.Page()->DatePicker()->setDate(QDate(2026, 1, 2));
        EXPECT_EQ(Text(fields.Rate()), "0.9") << "its own rate, though the date moved";
    });
}

// One euro bought 1.25 dollars on the day: a dollar is 0.8 euros.
TEST_F(CurrencySheetsTest, ACashMovementIsOfferedTheTablesRateForItsDate) {
    env.Files()[GetPMngFullPath(ctx, ORVO_PATH_SETTINGS) + "rates.csv"] =
        "Date,USD\n2026-12-05,1.25\n";
    Run<CSheetVarios>(nullptr, [&](CSheetVarios& sheet) {
        auto& page = dynamic_cast<CDlgOperacionSimple&>(*sheet.GetActivePage());
        Type(page.Amount(), "500");
        Type(page.Currency()->Currency(), "USD");
        EXPECT_EQ(Text(page.Currency()->Rate()), "0.8");
        sheet.OkButton()->click();
    });
    ASSERT_EQ(ledger.GetOrders().size(), 1u);
    EXPECT_EQ(std::pair(ledger.GetOrders()[0].currency.str(), ledger.GetOrders()[0].rate),
              std::pair(std::string("USD"), 0.8));
}

}  // namespace
