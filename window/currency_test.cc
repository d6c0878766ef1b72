// A portfolio's currency in the window: named when the portfolio is made or, for an older
// one, once from the portfolio menu; the title and the rating show it.
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/currency_dialog.h"
#include "dialogs/dlg_nombre_cartera.h"
#include "framework/doc_template.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_support.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"

namespace cartera::window::testing {
namespace {

using CurrencyWindowTest = WindowTest;

std::string CurrencyInFile(const std::string& path) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    PortfolioDocument doc(&ledger, PosixEnv());
    EXPECT_EQ(doc.Load(path).message(), "");
    return ledger.GetCurrency();
}

TEST_F(CurrencyWindowTest, ANewPortfolioTakesItsCurrencyWhichTheTitleAndTheRatingShow) {
    CDlgNombreCartera::SetRunner([](CDlgNombreCartera& dlg) {
        dlg.NameEdit()->setText("Dollars");
        dlg.CurrencyEdit()->setText("U$1");
        dlg.OkButton()->click();  // refused, said why
        dlg.CurrencyEdit()->setText("usd");
        dlg.OkButton()->click();
        return dlg.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    });
    auto* doc = dynamic_cast<CDocCartera*>(m_template->OpenDocumentFile(""));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(m_messages,
              std::vector<std::string>{"Currency: type a three-letter code such as EUR."});
    EXPECT_EQ(FrameOf(doc)->GetWindowText(), "Dollars.cartera \u2014 USD");
    EXPECT_EQ(CurrencyInFile(PortfolioPath("Dollars")), "USD");
    EXPECT_EQ(Rating(FrameOf(doc))->GetGrid()->QuickGetText(2, 0), "Amount (USD)");
}

TEST_F(CurrencyWindowTest, AnOlderPortfolioNamesItsCurrencyOnceFromThePortfolioMenu) {
    CChildFrmCartera* frame = FrameOf(Open(WritePortfolio("Old", {})));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetWindowText(), "Old.cartera");
    PortfolioCurrencyDialog::SetRunner([](PortfolioCurrencyDialog& dlg) {
        dlg.NameEdit()->setText("eur");
        dlg.OkButton()->click();
        return IDOK;
    });
    bool enabled = false;
    EXPECT_TRUE(frame->OnUpdateCmdUI(CChildFrmCartera::kCmdCurrency, &enabled) && enabled);
    EXPECT_TRUE(frame->OnCmdMsg(CChildFrmCartera::kCmdCurrency));
    EXPECT_EQ(frame->GetWindowText(), "Old.cartera \u2014 EUR");
    EXPECT_EQ(CurrencyInFile(PortfolioPath("Old")), "EUR");
    EXPECT_TRUE(frame->OnUpdateCmdUI(CChildFrmCartera::kCmdCurrency, &enabled) && !enabled);
}

}  // namespace
}  // namespace cartera::window::testing
