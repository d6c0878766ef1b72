// The buy sheet on a first start, before any commission schedule exists: it says the
// commission is 0 and leads to the editor, whose new schedule it then offers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "commissions/comisiones.h"
#include "dialogs/comision_editor.h"
#include "dialogs/comision_page.h"
#include "dialogs/dlg_nuevo_nombre.h"
#include "dialogs/entry_sheets.h"
#include "dialogs/num_edit.h"
#include "dialogs/sheet_compra.h"
#include "dialogs/symbol_box.h"
#include "host/message_box.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "testing/test_hooks.h"
#include "testing/test_ledger.h"

namespace {

class SheetFinishTest : public cartera::testing::LedgerTest {
  protected:
    SheetFinishTest() {
        hooks.Keep(&CSheetComision::SetRunner);
        hooks.Keep(&CDlgNuevoNombre::SetRunner);
        hooks.Keep(&CPropertySheetBase::SetRunner);
        EXPECT_EQ(doc.SaveAs("/mem/home/p.cartera").message(), "");
        cartera::SetMessageBoxHandler([](const std::string&, unsigned) { return IDOK; });
    }
    cartera::testing::ProcessHooks hooks;
    CSistemaCartera ledger{ctx};
    cartera::PortfolioDocument doc{&ledger, &env};
};

TEST_F(SheetFinishTest, WithoutSchedulesTheBuySheetSaysSoAndOffersTheEditorWhoseHeadingsFit) {
    CDlgNuevoNombre::SetRunner([](CDlgNuevoNombre& dlg) {
        QTest::keyClicks(dlg.NameEdit(), "Broker");
        dlg.OkButton()->click();
        return IDOK;
    });
    // In the editor: a new schedule of one bracket, 0 to 100000 with a fee of 3, then OK.
    CSheetComision::SetRunner([](CSheetComision& editor) {
        CDlgComisionAcciones& page = *editor.Page();
        page.Button(CDlgComisionAcciones::IDC_NEW)->click();
        for (auto [id, text] : {std::pair{CDlgComisionAcciones::IDC_FROM, "0"},
                                {CDlgComisionAcciones::IDC_TO, "100000"},
                                {CDlgComisionAcciones::IDC_ROYALTY, "3"}}) {
            page.Edit(id)->clear();
            QTest::keyClicks(page.Edit(id), text);
        }
        page.Button(CDlgComisionAcciones::IDC_ADD)->click();
        editor.OkButton()->click();
    });
    CPropertySheetBase::SetRunner([](CPropertySheetBase& s) {
        auto& page = *dynamic_cast<CSheetCompra&>(s).Page();
        s.show();
        auto* notice = page.findChild<QLabel*>("1080");
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->isVisible());
        EXPECT_EQ(notice->text().toStdString(), "No commission schedule: commission 0");
        ASSERT_TRUE(page.SchedulesButton()->isVisible());
        EXPECT_EQ(page.Schedules()->count(), 0);

        // The button from the keyboard opens the editor; its schedule is offered at once.
        page.SchedulesButton()->setFocus();
        QTest::keyClick(page.SchedulesButton(), Qt::Key_Space);
        EXPECT_FALSE(notice->isVisible());
        EXPECT_FALSE(page.SchedulesButton()->isVisible());
        ASSERT_EQ(page.Schedules()->count(), 1);
        EXPECT_EQ(page.Schedules()->currentText().toStdString(), "Broker");
        QTest::keyClicks(page.SymbolBox()->lineEdit(), "SAN.MC");
        QTest::keyClick(page.SymbolBox()->lineEdit(), Qt::Key_Return);
        QTest::keyClicks(page.Contracts(), "10");
        QTest::keyClicks(page.Price(), "4");
        EXPECT_EQ(page.Commission()->text().toStdString(), "3.00");
    });
    CEntrySheets sheets;
    sheets.RunBuySell(ledger, 3391, 1, nullptr, nullptr);

    // The bracket grid's written widths are minimums: in French every heading fits.
    cartera::SetLanguage(cartera::Language::fr);
    CSheetComision::SetRunner([](CSheetComision& editor) {
        editor.show();
        QApplication::processEvents();
        auto* grid = editor.Page()->findChild<cartera::qt::GridView*>();
        ASSERT_NE(grid, nullptr);
        QHeaderView* header = grid->horizontalHeader();
        const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin);
        int shown = 0;
        for (int col = 0; col < grid->model()->columnCount(); ++col) {
            if (grid->isColumnHidden(col)) continue;
            QString heading = grid->model()->headerData(col, Qt::Horizontal).toString();
            EXPECT_LE(header->fontMetrics().horizontalAdvance(heading) + margins,
                      grid->columnWidth(col))
                << heading.toStdString();
            ++shown;
        }
        EXPECT_EQ(shown, 3);
        editor.CancelButton()->click();
    });
    RunCommissionEditor(*ledger.GetAdmComisiones(), 3393, nullptr);
    cartera::SetLanguage(cartera::Language::en);
}

}  // namespace
