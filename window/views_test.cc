#include "window/views.h"

#include <QPushButton>
#include <QSignalSpy>
#include <functional>
#include <memory>

#include "dialogs/comision_editor.h"
#include "dialogs/sheets.h"
#include "grids/grid_qbase.h"
#include "host/dates.h"
#include "host/qt/grid_model.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/command_bar.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"

namespace cartera::window::testing {
namespace {

using dialogs::PortfolioSheets;
using dialogs::SetSheets;

// Records which sheet each command opens and with what.
class RecordingSheets : public PortfolioSheets {
  public:
    struct Call {
        std::string sheet;
        int caption = 0;
        int buy = -1;
        uint64_t tradeId = kNoId;
        uint64_t movementId = kNoId;
    };
    void RunBuySell(CSistemaCartera&, int caption, int buy, CNegocioC* trade,
                    COrderCartera* movement) override {
        calls.push_back(
            {"buysell", caption, buy, trade ? trade->id : kNoId, movement ? movement->id : kNoId});
    }
    void RunOther(CSistemaCartera&, int caption, COrderCartera* movement) override {
        calls.push_back({"other", caption, -1, kNoId, movement ? movement->id : kNoId});
    }
    void RunCommissions(CAdmComisiones&, int caption) override {
        calls.push_back({"commissions", caption});
    }
    std::vector<Call> calls;
};

class ViewsTest : public WindowTest {
  protected:
    ViewsTest() { previous = SetSheets(&sheets); }
    ~ViewsTest() override { SetSheets(previous); }

    CChildFrmCartera* OpenSample() {
        int d = DateNumber(2026, 2, 9);
        std::string path = WritePortfolio(
            "Sample", {Cash(kImposition, 1, 5000, d), Exec(true, "BBVA.MC", 50, 9.5, 0.0, d),
                       Cash(kDividend, 1, 12.5, d), Exec(true, "REP.MC", 20, 14.0, 0.0, d)});
        CDocCartera* doc = Open(path);
        EXPECT_NE(doc, nullptr);
        return FrameOf(doc);
    }
    // The movements grid row showing the movement of type.
    static int RowOfType(CViewCartera* view, int type) {
        auto* grid = view->GetGridCartera();
        for (int row = 0; row < grid->GetNumberRows(); ++row) {
            const COrderCartera* m = view->GetLedger()->GetOrden(grid->GetRowID(row));
            if (m && m->type == type) return row;
        }
        return -1;
    }

    RecordingSheets sheets;
    PortfolioSheets* previous = nullptr;
};

TEST_F(ViewsTest, EachJournalChangeRefillsEachListGridOnceAfterMatching) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    CSistemaCartera* ledger = Movements(frame)->GetLedger();
    qt::GridView* grids[] = {Movements(frame)->GetGridWindow(), OpenTrades(frame)->GetGridWindow(),
                             ClosedTrades(frame)->GetGridWindow()};
    auto refills = [&](const std::function<void()>& change) {
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (qt::GridView* grid : grids)
            spies.push_back(
                std::make_unique<QSignalSpy>(grid->Model(), &qt::GridModel::redrawnAll));
        change();
        std::vector<int> counts;
        for (auto& spy : spies) counts.push_back(static_cast<int>(spy->count()));
        return counts;
    };
    const std::vector<int> once = {1, 1, 1};
    int d = DateNumber(2026, 2, 10);
    EXPECT_EQ(refills([&] { ledger->AddOrder(Exec(false, "BBVA.MC", 50, 10.0, d)); }), once);
    // The sale closed the trade before the grids filled.
    EXPECT_EQ(ShownRows(grids[0]), 5);
    EXPECT_EQ(ShownRows(grids[1]), 1);
    EXPECT_EQ(ShownRows(grids[2]), 1);

    COrderCartera sale = ledger->GetOrders().back();
    sale.contracts = 20;
    EXPECT_EQ(refills([&] { ledger->ModOrder(sale); }), once);
    EXPECT_EQ(ShownRows(grids[1]), 2);
    EXPECT_EQ(refills([&] { ledger->DelOrder(sale.id); }), once);
    EXPECT_EQ(ShownRows(grids[0]), 4);
    EXPECT_EQ(ShownRows(grids[2]), 0);
}

TEST_F(ViewsTest, EditClearFollowsTheCurrentRowAndDeletesAfterConfirmation) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    CViewCartera* view = Movements(frame);
    CGridCartera* grid = view->GetGridCartera();
    bool enabled = true;
    ASSERT_TRUE(frame->OnUpdateCmdUI(CViewCartera::kCmdEditClear, &enabled));
    EXPECT_FALSE(enabled) << "no current row yet";

    int row = RowOfType(view, kDividend);
    ASSERT_GE(row, 0);
    grid->GotoCell(0, row);
    ASSERT_TRUE(frame->OnUpdateCmdUI(CViewCartera::kCmdEditClear, &enabled));
    EXPECT_TRUE(enabled);

    m_answer = 7;  // No
    EXPECT_TRUE(frame->OnCmdMsg(CViewCartera::kCmdEditClear));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].rfind(::LS(3404), 0), 0u);
    EXPECT_EQ(view->GetLedger()->GetOrders().size(), 4u);

    m_answer = 6;  // Yes
    frame->OnCmdMsg(CViewCartera::kCmdEditClear);
    EXPECT_EQ(view->GetLedger()->GetOrders().size(), 3u);
    EXPECT_EQ(ShownRows(view->GetGridWindow()), 3);
    EXPECT_EQ(RowOfType(view, kDividend), -1);

    // Other tabs do not offer the command.
    frame->GetTabWnd()->setCurrentIndex(1);
    EXPECT_FALSE(frame->OnUpdateCmdUI(CViewCartera::kCmdEditClear, &enabled));
}

TEST_F(ViewsTest, ModifyFromTheGridOpensTheSheetOfTheMovementsType) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    CViewCartera* view = Movements(frame);
    CGridCartera* grid = view->GetGridCartera();
    int dividend = RowOfType(view, kDividend);
    int buy = RowOfType(view, kBuy);
    ASSERT_GE(dividend, 0);
    ASSERT_GE(buy, 0);

    grid->OnMenuCommand(0, dividend, UG_GRID, kMenuModify);
    grid->OnMenuCommand(0, buy, UG_GRID, kMenuModify);
    ASSERT_EQ(sheets.calls.size(), 2u);
    EXPECT_EQ(sheets.calls[0].sheet, "other");
    EXPECT_EQ(sheets.calls[0].caption, 3460);
    EXPECT_EQ(sheets.calls[0].movementId, grid->GetRowID(dividend));
    EXPECT_EQ(sheets.calls[1].sheet, "buysell");
    EXPECT_EQ(sheets.calls[1].buy, 1);
    EXPECT_EQ(sheets.calls[1].tradeId, kNoId);
    EXPECT_EQ(sheets.calls[1].movementId, grid->GetRowID(buy));

    view->OnModificar(987654);  // unknown id: nothing
    EXPECT_EQ(sheets.calls.size(), 2u);
}

TEST_F(ViewsTest, SellStartsFromTheOpenTradeUnderTheCursorOnlyInTheOpenTradesView) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    frame->OnCmdMsg(CViewBaseCartera::kCmdSell);  // movements view: no trade
    frame->GetTabWnd()->setCurrentIndex(1);
    CViewOpAbiertas* open = OpenTrades(frame);
    frame->OnCmdMsg(CViewBaseCartera::kCmdSell);  // no current row yet
    open->GetGrid()->GotoCell(0, 1);
    uint64_t trade = open->GetGridAbiertas()->GetRowID(1);
    frame->GetCommandBar()->Button(CViewBaseCartera::kCmdBuy)->click();
    frame->OnCmdMsg(CViewBaseCartera::kCmdOther);
    frame->OnCmdMsg(CViewBaseCartera::kCmdCommission);

    ASSERT_EQ(sheets.calls.size(), 5u);
    EXPECT_EQ(sheets.calls[0].caption, 3392);
    EXPECT_EQ(sheets.calls[0].buy, 0);
    EXPECT_EQ(sheets.calls[0].tradeId, kNoId);
    EXPECT_EQ(sheets.calls[1].tradeId, kNoId);
    EXPECT_EQ(sheets.calls[2].caption, 3391);
    EXPECT_EQ(sheets.calls[2].buy, 1);
    EXPECT_EQ(sheets.calls[2].tradeId, trade);
    EXPECT_EQ(sheets.calls[3].sheet, "other");
    EXPECT_EQ(sheets.calls[3].caption, 3394);
    EXPECT_EQ(sheets.calls[4].sheet, "commissions");
    EXPECT_EQ(sheets.calls[4].caption, 3393);
}

TEST_F(ViewsTest, TheValuationTabOffersNoPortfolioCommands) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    frame->GetTabWnd()->setCurrentIndex(3);
    for (int id = 33748; id <= 33751; ++id) {
        EXPECT_FALSE(frame->OnCmdMsg(id)) << id;
        EXPECT_FALSE(frame->GetCommandBar()->Button(id)->isEnabled()) << id;
    }
    bool enabled = false;
    EXPECT_TRUE(frame->OnUpdateCmdUI(CViewValoracion::kCmdPrint, &enabled));
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(sheets.calls.empty());
    frame->GetTabWnd()->setCurrentIndex(0);
    EXPECT_TRUE(frame->GetCommandBar()->Button(33748)->isEnabled());
}

TEST_F(ViewsTest, WithoutSheetsBuyDoesNothingAndCommissionOpensTheEditor) {
    SetSheets(nullptr);
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    frame->GetCommandBar()->Button(CViewBaseCartera::kCmdBuy)->click();
    EXPECT_TRUE(m_status.empty());
    std::string title;
    CSheetComision::SetRunner([&](CSheetComision& sheet) {
        title = sheet.windowTitle().toStdString();
        sheet.CancelButton()->click();
    });
    frame->OnCmdMsg(CViewBaseCartera::kCmdCommission);
    CSheetComision::SetRunner({});
    EXPECT_EQ(title, ::LS(3393));
    EXPECT_TRUE(m_status.empty());
}

}  // namespace
}  // namespace cartera::window::testing
