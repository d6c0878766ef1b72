#include <QPushButton>

#include "host/dates.h"
#include "host/feed.h"
#include "host/numbers.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/command_bar.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

class FrameTest : public WindowTest {
  protected:
    // A portfolio holding 100 SAN.MC bought at 4.00 and a closed ITX.MC trade.
    CChildFrmCartera* OpenHolding() {
        int d = DateNumber(2026, 3, 2);
        std::string path = WritePortfolio(
            "Holding",
            {Cash(kImposition, 1, 10000, d), Exec(true, "SAN.MC", 100, 4.0, 0.0, d),
             Exec(true, "ITX.MC", 10, 40.0, 0.0, d), Exec(false, "ITX.MC", 10, 44.0, 0.0, d)});
        CDocCartera* doc = Open(path);
        EXPECT_NE(doc, nullptr);
        return FrameOf(doc);
    }
    void Publish(const std::string& code, double last) {
        CMensajePelvo tick(code);
        tick.AddValor(kTickLast, last);
        m_market.Publish(tick);
    }
};

TEST_F(FrameTest, ShowsFourTabsInOrderLinkedToTheDocumentAndRetitledInAnotherLanguage) {
    CChildFrmCartera* frame = OpenHolding();
    ASSERT_NE(frame, nullptr);
    QTabWidget* tabs = frame->GetTabWnd();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_TRUE(dynamic_cast<CView*>(tabs->widget(0))->IsKindOf(RUNTIME_CLASS(CViewCartera)));
    EXPECT_TRUE(dynamic_cast<CView*>(tabs->widget(1))->IsKindOf(RUNTIME_CLASS(CViewOpAbiertas)));
    EXPECT_TRUE(dynamic_cast<CView*>(tabs->widget(2))->IsKindOf(RUNTIME_CLASS(CViewOpCerradas)));
    EXPECT_TRUE(dynamic_cast<CView*>(tabs->widget(3))->IsKindOf(RUNTIME_CLASS(CViewValoracion)));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(frame->GetActiveView(), Movements(frame));

    // Every view belongs to the document once; the ledger knows the document.
    CDocument* doc = frame->GetActiveDocument();
    EXPECT_EQ(doc->GetViews().size(), 4u);
    EXPECT_EQ(frame->GetAdmCartera()->GetDocumento(), dynamic_cast<CDocCartera*>(doc));
    EXPECT_EQ(frame->GetWindowText(), doc->GetTitle());
    EXPECT_TRUE(frame->HasTimer(CChildFrmCartera::kIdleTimer));

    // Switching tabs moves the active view with it.
    tabs->setCurrentIndex(2);
    EXPECT_EQ(frame->GetActiveView(), ClosedTrades(frame));

    // A language change retitles the bar, the tabs and the headings.
    SetLanguage(Language::de);
    frame->OnLanguageChanged();
    EXPECT_EQ(tabs->tabText(0).toStdString(), cartera::LS(3377, Language::de));
    EXPECT_EQ(frame->GetCommandBar()->Button(33748)->text().toStdString(), "&Kaufen");
    qt::GridView* movements = Movements(frame)->GetGridWindow();
    EXPECT_EQ(ShownHeading(movements, ColumnOf(*movements->Grid(), 3384)),
              cartera::LS(3384, Language::de));
    SetLanguage(Language::en);
}

TEST_F(FrameTest, SimulatedTicksMoveTheOpenTradeAndTheValuationOnScreen) {
    CChildFrmCartera* frame = OpenHolding();
    ASSERT_NE(frame, nullptr);
    qt::GridView* open = OpenTrades(frame)->GetGridWindow();
    qt::GridView* rating = Rating(frame)->GetGridWindow();
    int priceCol = ColumnOf(*open->Grid(), 3431);
    int profitCol = ColumnOf(*open->Grid(), 3435);
    std::string price = ShownText(open, 0, priceCol);
    std::string profit = ShownText(open, 0, profitCol);
    // Rows 11 to 13 and 15 of the table follow the open trades.
    std::vector<std::string> openRows;
    for (int row : {11, 12, 13, 15}) openRows.push_back(ShownText(rating, row, 2));

    SimulatedFeed feed(m_market, 7);
    EXPECT_GE(feed.Step(), 1) << "the ledger registered its securities";
    double walked = 0;
    ASSERT_TRUE(feed.CurrentPrice("SAN.MC", &walked));
    EXPECT_EQ(frame->GetAdmCartera()->RefreshQueueSize(), 1u);
    EXPECT_EQ(ShownText(open, 0, priceCol), price) << "the row waits for the idle work";
    SendTimer(frame, 4242);  // not the idle timer's id: any timer runs it
    EXPECT_EQ(frame->GetAdmCartera()->RefreshQueueSize(), 0u);

    EXPECT_NE(ShownText(open, 0, priceCol), price);
    EXPECT_NE(ShownText(open, 0, profitCol), profit);
    EXPECT_EQ(ShownText(open, 0, priceCol), PonPuntos(walked, 2));
    EXPECT_EQ(ShownText(open, 0, profitCol), PonPuntos((walked - 4.0) * 100, 2));
    std::vector<std::string> after;
    for (int row : {11, 12, 13, 15}) after.push_back(ShownText(rating, row, 2));
    EXPECT_NE(after, openRows);
}

}  // namespace
}  // namespace cartera::window::testing
