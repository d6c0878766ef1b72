// The portfolio views driven as a user drives them: commands from the bar and the menus,
// mouse clicks on cells, headings and popup menus, and keys.
#include "window/views.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <memory>

#include "dialogs/entry_sheets.h"
#include "host/dates.h"
#include "host/qt/grid_model.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/command_bar.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"

namespace cartera::window::testing {
namespace {

using ViewsTest = SheetsTest;

// The movements grid row showing the movement of type; -1 for none.
int RowOfType(CViewCartera* view, int type) {
    auto* grid = view->GetGridCartera();
    for (int row = 0; row < grid->GetNumberRows(); ++row) {
        const COrderCartera* m = view->GetLedger()->GetOrden(grid->GetRowID(row));
        if (m && m->type == type) return row;
    }
    return -1;
}

void ToggleColumn(qt::GridView* view, int headingId) {
    ClickMenu(RightClickHeading(view, 0), {::LS(3470), "Columns", ::LS(headingId)});
}

TEST_F(ViewsTest, CommandsFollowTheTabAndTheRowAndEachChangeRefillsEachListGridOnce) {
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
    m_answer = 6;  // Yes
    EXPECT_TRUE(frame->OnCmdMsg(CViewCartera::kCmdEditClear));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(view->GetLedger()->GetOrders().size(), 3u);
    EXPECT_EQ(view->GetGridWindow()->model()->rowCount(), 3);
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

    // Each journal change refills each list grid once, after matching.
    CSistemaCartera* ledger = view->GetLedger();
    qt::GridView* grids[] = {Movements(frame)->GetGridWindow(), OpenTrades(frame)->GetGridWindow(),
                             ClosedTrades(frame)->GetGridWindow()};
    // How often each grid refilled for change, then the rows each shows.
    auto refills = [&](const std::function<void()>& change) {
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (qt::GridView* g : grids)
            spies.push_back(std::make_unique<QSignalSpy>(g->Model(), &qt::GridModel::redrawnAll));
        change();
        std::vector<int> counts;
        for (auto& spy : spies) counts.push_back(static_cast<int>(spy->count()));
        for (qt::GridView* g : grids) counts.push_back(g->model()->rowCount());
        return counts;
    };
    int d = DateNumber(2026, 2, 10);
    // The sale closed the trade before the grids filled.
    EXPECT_EQ(refills([&] { ledger->AddOrder(Exec(false, "BBVA.MC", 50, 10.0, d)); }),
              (std::vector<int>{1, 1, 1, 4, 1, 1}));
    COrderCartera sale = ledger->GetOrders().back();
    sale.contracts = 20;
    EXPECT_EQ(refills([&] { ledger->ModOrder(sale); }), (std::vector<int>{1, 1, 1, 4, 2, 1}));
    EXPECT_EQ(refills([&] { ledger->DelOrder(sale.id); }), (std::vector<int>{1, 1, 1, 3, 2, 0}));
}

// Whether the sort arrow at the right end of the heading of col points up: its dark pixels
// form a triangle wider at the bottom.
bool ArrowPointsUp(qt::GridView* view, int col) {
    QHeaderView* header = view->horizontalHeader();
    QImage image = header->grab().toImage();
    int right = header->sectionViewportPosition(col) + header->sectionSize(col);
    std::vector<int> widths;
    for (int y = 0; y < image.height(); ++y) {
        int dark = 0;
        for (int x = right - 14; x < right - 2; ++x) dark += qGray(image.pixel(x, y)) < 140;
        if (dark > 0) widths.push_back(dark);
    }
    return widths.size() >= 2 && widths.front() < widths.back();
}

uint64_t RowId(qt::GridView* view, int row) {
    return dynamic_cast<CGridQBase*>(view->Grid())->GetRowID(row);
}

// The ids of the rows the view highlights, ascending, and of its current row (kNoId: none).
std::pair<std::vector<uint64_t>, uint64_t> Highlighted(qt::GridView* view) {
    std::vector<uint64_t> ids;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        ids.push_back(RowId(view, index.row()));
    std::sort(ids.begin(), ids.end());
    return {ids, view->currentIndex().isValid() ? RowId(view, view->currentIndex().row()) : kNoId};
}

TEST_F(ViewsTest, SelectionAndRowsStayOnTheirMovementsThroughChangesAndAHiddenFirstColumn) {
    CChildFrmCartera* frame = OpenSample();
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    CSistemaCartera* ledger = Movements(frame)->GetLedger();
    const int priceCol = ColumnOf(*view->Grid(), 3386), symbolCol = ColumnOf(*view->Grid(), 3384);
    QHeaderView* heading = view->horizontalHeader();
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(
            heading->viewport(), Qt::LeftButton, {},
            QPoint(heading->sectionViewportPosition(priceCol) + 10, heading->height() / 2));
        EXPECT_EQ(ArrowPointsUp(view, priceCol), click == 0) << "ascending first, arrow up";
    }
    auto rowOf = [&](const char* symbol) { return RowShowing(view, symbolCol, symbol); };
    ClickCell(view, rowOf("BBVA.MC"), 2);
    const uint64_t bbva = RowId(view, rowOf("BBVA.MC"));
    using Shown = std::pair<std::vector<uint64_t>, uint64_t>;
    const Shown onBbva{{bbva}, bbva};
    ASSERT_EQ(Highlighted(view), onBbva);
    int d = DateNumber(2026, 2, 10);
    ledger->AddOrder(Exec(true, "ITX.MC", 5, 40.0, 0.0, d));  // sorts above it
    EXPECT_EQ(Highlighted(view), onBbva);
    COrderCartera moved = *ledger->GetOrden(bbva);
    moved.price = 99;  // now at the top
    ledger->ModOrder(moved);
    EXPECT_EQ(Highlighted(view), onBbva);
    EXPECT_EQ(RowId(view, view->Grid()->GetCurrentRow()), bbva);

    // Deleting a movement asks, naming it, and leaves nothing selected.
    m_answer = 6;  // Yes
    ClickCell(view, rowOf("REP.MC"), 2);
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].rfind(::LS(3404), 0), 0u) << m_messages[0];
    EXPECT_THAT(m_messages[0], HasSubstr("B  09/02/2026  REP.MC  20"));
    EXPECT_EQ(rowOf("REP.MC"), -1);
    EXPECT_EQ(Highlighted(view), Shown({}, kNoId));
    EXPECT_EQ(view->Grid()->GetCurrentRow(), -1);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(m_messages.size(), 1u) << "nothing to delete";

    // Undo puts it back beneath the selection; a reload after another program's change keeps
    // a selection of two.
    ClickCell(view, rowOf("BBVA.MC"), 2);
    ASSERT_TRUE(frame->OnCmdMsg(CChildFrmCartera::kCmdUndo));
    EXPECT_NE(rowOf("REP.MC"), -1);
    EXPECT_EQ(Highlighted(view), onBbva);
    const uint64_t itx = RowId(view, rowOf("ITX.MC"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->visualRect(view->model()->index(rowOf("ITX.MC"), 2)).center());
    const Shown both{{std::min(bbva, itx), std::max(bbva, itx)}, itx};
    ASSERT_EQ(Highlighted(view), both);
    CSistemaCartera outside{m_ctx};
    PortfolioDocument file(&outside, m_ctx.env);
    ASSERT_EQ(file.Load(PortfolioPath("Sample")).message(), "");
    outside.AddOrder(Exec(true, "SAN.MC", 100, 60.0, 0.0, d));
    SendTimer(frame, CChildFrmCartera::kIdleTimer);
    ASSERT_NE(rowOf("SAN.MC"), -1);
    EXPECT_EQ(Highlighted(view), both);

    // A column hidden from the menu comes back at its width.
    int group = ColumnOf(*view->Grid(), 3390);
    int width = view->columnWidth(group);
    ToggleColumn(view, 3390);
    ASSERT_TRUE(view->isColumnHidden(group));
    ToggleColumn(view, 3390);
    EXPECT_FALSE(view->isColumnHidden(group));
    EXPECT_EQ(view->columnWidth(group), width);

    // Rows keep their movement with the first column hidden.
    ToggleColumn(view, 3381);
    ASSERT_TRUE(view->isColumnHidden(0));
    int dividend = RowShowing(view, priceCol, "12.50");
    ASSERT_GE(dividend, 0);
    const uint64_t id = Movements(frame)->GetGridCartera()->GetRowID(dividend);
    ClickMenu(RightClickCell(view, dividend, 2), {::LS(3459)});
    EXPECT_EQ(sheets.calls, std::vector<std::string>{"other 3460 - - " + std::to_string(id)});
    // The real sheet, left with Esc, twice: the menu must not be freed under its handler.
    CEntrySheets entry;
    SetSheets(&entry);
    int closed = 0;
    std::function<void()> esc = [&] {
        QWidget* sheet = QApplication::activeModalWidget();
        if (!sheet) return QTimer::singleShot(10, esc);
        ++closed;
        QTest::keyClick(sheet, Qt::Key_Escape);
    };
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(10, esc);
        ClickMenu(RightClickCell(view, RowShowing(view, priceCol, "12.50"), 2), {::LS(3459)});
    }
    EXPECT_EQ(closed, 2);
    SetSheets(&sheets);
    ClickCell(view, RowShowing(view, priceCol, "12.50"), 2);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(RowOfType(Movements(frame), kDividend), -1);
    EXPECT_EQ(ledger->GetOrders().size(), 5u);

    // The open trades follow the ticks with their first column hidden too.
    frame->GetTabWnd()->setCurrentIndex(1);
    qt::GridView* open = OpenTrades(frame)->GetGridWindow();
    ToggleColumn(open, 3381);
    ASSERT_TRUE(open->isColumnHidden(0));
    CMensajePelvo tick("BBVA.MC");
    tick.AddValor(kTickLast, 10.25);
    m_market.Publish(tick);
    SendTimer(frame, CChildFrmCartera::kIdleTimer);
    EXPECT_GE(RowShowing(open, ColumnOf(*open->Grid(), 3431), "10.25"), 0);
}

// Whether every number (a right-aligned cell) of col fits its column without "…".
bool ShowsWhole(qt::GridView* view, int col) {
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        QModelIndex index = view->model()->index(row, col);
        bool number = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight;
        if (number && view->sizeHintForIndex(index).width() > view->columnWidth(col)) return false;
    }
    return true;
}

TEST_F(ViewsTest, LongNumbersAreFittedAndPageKeysAndTheWheelMoveThroughTheRows) {
    int d = DateNumber(2026, 2, 9);
    std::vector<COrderCartera> many = {Cash(kImposition, 1, 5000, d)};
    for (int i = 0; i < 80; ++i) many.push_back(Cash(kDeposit, 1, 100 + i, d));
    CChildFrmCartera* frame = OpenSample(many);
    ASSERT_NE(frame, nullptr);
    qt::GridView* view = Movements(frame)->GetGridWindow();
    int total = ColumnOf(*view->Grid(), 3395);
    QHeaderView* heading = view->horizontalHeader();
    heading->resizeSection(total, 20);  // the user's hand
    ASSERT_FALSE(ShowsWhole(view, total));

    // A double click on the heading's right edge fits the column, as the user's own width.
    QPoint edge(heading->sectionViewportPosition(total) + heading->sectionSize(total) - 1,
                heading->height() / 2);
    QTest::mouseDClick(heading->viewport(), Qt::LeftButton, {}, edge);
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_GT(view->columnWidth(total), 20);
    EXPECT_EQ(view->Grid()->GetColWidth(total), view->columnWidth(total));
    EXPECT_EQ(Movements(frame)->GetGridCartera()->GetSortCol(), -1);  // no heading click

    // Narrowed by hand again, the column widens for the numbers of the next fill, while the
    // layout keeps the hand's width.
    heading->resizeSection(total, 20);
    Movements(frame)->GetLedger()->AddOrder(Cash(kImposition, 1, 123456789.25, d));
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_EQ(view->Grid()->GetColWidth(total), 20);
    for (int col = 0; col < view->model()->columnCount(); ++col)
        EXPECT_TRUE(view->isColumnHidden(col) || ShowsWhole(view, col)) << col;
    // "Fit columns" from the menu fits it too, as the user's own width.
    heading->resizeSection(total, 20);
    ClickMenu(RightClickCell(view, 0, 1), {"Fit columns"});
    EXPECT_TRUE(ShowsWhole(view, total));
    EXPECT_EQ(view->Grid()->GetColWidth(total), view->columnWidth(total));

    // A page key moves the cursor a window of rows; a wheel notch scrolls three rows.
    int page = view->Grid()->PageRows();
    ASSERT_GT(page, 5);
    ClickCell(view, 0, 1);
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), page);
    QTest::keyClick(view, Qt::Key_PageDown);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->Grid()->GetCurrentRow(), page);
    QTest::keyClick(view, Qt::Key_Home);
    QApplication::setWheelScrollLines(1);  // as some desktops set it
    QPoint at = view->viewport()->rect().center();
    QWheelEvent notch(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &notch);
    EXPECT_EQ(view->rowAt(0), 3);
    QApplication::setWheelScrollLines(3);
}

}  // namespace
}  // namespace cartera::window::testing
