#include "window/views.h"

#include <QPushButton>
#include <QSignalSpy>
#include <functional>
#include <memory>

#include "dialogs/comision_editor.h"
#include "grids/grid_qbase.h"
#include "host/dates.h"
#include "host/qt/grid_model.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/command_bar.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"

namespace cartera::window::testing {
namespace {

using ViewsTest = SheetsTest;

// The movements grid row showing the movement of type.
int RowOfType(CViewCartera* view, int type) {
    auto* grid = view->GetGridCartera();
    for (int row = 0; row < grid->GetNumberRows(); ++row) {
        const COrderCartera* m = view->GetLedger()->GetOrden(grid->GetRowID(row));
        if (m && m->type == type) return row;
    }
    return -1;
}

TEST_F(ViewsTest, EachJournalChangeRefillsEachListGridOnceAfterMatching) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    CSistemaCartera* ledger = Movements(frame)->GetLedger();
    qt::GridView* grids[] = {Movements(frame)->GetGridWindow(), OpenTrades(frame)->GetGridWindow(),
                             ClosedTrades(frame)->GetGridWindow()};
    // How often each grid refilled for change, then the rows each shows.
    auto refills = [&](const std::function<void()>& change) {
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (qt::GridView* grid : grids)
            spies.push_back(
                std::make_unique<QSignalSpy>(grid->Model(), &qt::GridModel::redrawnAll));
        change();
        std::vector<int> counts;
        for (auto& spy : spies) counts.push_back(static_cast<int>(spy->count()));
        for (qt::GridView* grid : grids) counts.push_back(ShownRows(grid));
        return counts;
    };
    int d = DateNumber(2026, 2, 10);
    // The sale closed the trade before the grids filled.
    EXPECT_EQ(refills([&] { ledger->AddOrder(Exec(false, "BBVA.MC", 50, 10.0, d)); }),
              (std::vector<int>{1, 1, 1, 5, 1, 1}));
    COrderCartera sale = ledger->GetOrders().back();
    sale.contracts = 20;
    EXPECT_EQ(refills([&] { ledger->ModOrder(sale); }), (std::vector<int>{1, 1, 1, 5, 2, 1}));
    EXPECT_EQ(refills([&] { ledger->DelOrder(sale.id); }), (std::vector<int>{1, 1, 1, 4, 2, 0}));
}

TEST_F(ViewsTest, CommandsFollowTheTabAndTheRowUnderTheCursor) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    CViewCartera* view = Movements(frame);
    CGridCartera* grid = view->GetGridCartera();
    bool enabled = true;
    ASSERT_TRUE(frame->OnUpdateCmdUI(CViewCartera::kCmdEditClear, &enabled));
    EXPECT_FALSE(enabled) << "no current row yet";

    // Modify opens the sheet of the movement's type; an unknown id opens none.
    int dividend = RowOfType(view, kDividend), buy = RowOfType(view, kBuy);
    const std::string dividendId = std::to_string(grid->GetRowID(dividend));
    grid->OnMenuCommand(0, dividend, UG_GRID, kMenuModify);
    grid->OnMenuCommand(0, buy, UG_GRID, kMenuModify);
    view->OnModificar(987654);
    EXPECT_EQ(sheets.calls, (std::vector<std::string>{
                                "other 3460 - - " + dividendId,
                                "buysell 42300 1 - " + std::to_string(grid->GetRowID(buy))}));
    sheets.calls.clear();

    // Edit > Clear deletes the current row once confirmed.
    grid->GotoCell(0, dividend);
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

    // Sell starts from the open trade under the cursor, only in the open trades view.
    frame->OnCmdMsg(CViewBaseCartera::kCmdSell);
    frame->GetTabWnd()->setCurrentIndex(1);
    EXPECT_FALSE(frame->OnUpdateCmdUI(CViewCartera::kCmdEditClear, &enabled));
    CViewOpAbiertas* open = OpenTrades(frame);
    frame->OnCmdMsg(CViewBaseCartera::kCmdSell);  // no current row yet
    open->GetGrid()->GotoCell(0, 1);
    const std::string trade = std::to_string(open->GetGridAbiertas()->GetRowID(1));
    frame->GetCommandBar()->Button(CViewBaseCartera::kCmdBuy)->click();
    frame->OnCmdMsg(CViewBaseCartera::kCmdOther);
    frame->OnCmdMsg(CViewBaseCartera::kCmdCommission);
    EXPECT_EQ(sheets.calls, (std::vector<std::string>{"buysell 3392 0 - -", "buysell 3392 0 - -",
                                                      "buysell 3391 1 " + trade + " -",
                                                      "other 3394 - - -", "commissions 3393"}));

    // The valuation tab offers no portfolio command but Print.
    sheets.calls.clear();
    frame->GetTabWnd()->setCurrentIndex(3);
    for (int id = 33748; id <= 33751; ++id) {
        EXPECT_FALSE(frame->OnCmdMsg(id)) << id;
        EXPECT_FALSE(frame->GetCommandBar()->Button(id)->isEnabled()) << id;
    }
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
    std::string title;
    CSheetComision::SetRunner([&](CSheetComision& sheet) {
        title = sheet.windowTitle().toStdString();
        sheet.CancelButton()->click();
    });
    frame->OnCmdMsg(CViewBaseCartera::kCmdCommission);
    EXPECT_EQ(title, ::LS(3393));
    EXPECT_TRUE(m_status.empty());
}

}  // namespace
}  // namespace cartera::window::testing
