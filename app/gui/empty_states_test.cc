// What the workstation shows before there is anything to show: an open trade the market has
// not priced yet, and statistics without closed trades.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>

#include "app/gui/test_workstation.h"
#include "framework/frame.h"
#include "host/qt/grid_view.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_ledger.h"

namespace cartera::gui {
namespace {

using EmptyStatesTest = testing::WorkstationTestBase;

QModelIndex ProfitOf(qt::GridView* grid, int row) {
    QAbstractItemModel* m = grid->model();
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == "Profit") return m->index(row, c);
    return {};
}

TEST_F(EmptyStatesTest, AnUnpricedTradeIsMutedNotALossAndNoTradesHaveNoRates) {
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Fresh.cartera";
    {
        CSistemaCartera ledger;
        PortfolioDocument file{&ledger};
        ASSERT_EQ(file.SaveAs(path).message(), "");
        ledger.AddOrders({cartera::testing::Exec(true, "SAN.MC", 100, 4.25, 0.05)});
    }
    ShowWorkstation(1000, 600);
    ASSERT_NE(window->OpenFile(path), nullptr);
    CMDIChildWnd* frame = window->ActiveFrame();
    auto* tabs = frame->findChild<QTabWidget*>();
    tabs->setCurrentIndex(1);
    auto* open = tabs->widget(1)->findChild<qt::GridView*>();
    ASSERT_EQ(open->model()->rowCount(), 1);
    QModelIndex profit = ProfitOf(open, 0);
    ASSERT_TRUE(profit.isValid());
    EXPECT_EQ(profit.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    EXPECT_EQ(profit.data(Qt::ToolTipRole).toString(), "no market price yet");
    open->clearSelection();  // the picture shows the muted values, not the highlight
    QDir(QStringLiteral(CARTERA_SCREENSHOT_DIR)).mkpath(".");
    window->grab().save(QStringLiteral(CARTERA_SCREENSHOT_DIR "/open-trade-no-price.png"));

    CMensajePelvo tick("SAN.MC");
    tick.AddValor(kTickLast, 4.5);
    market.Publish(tick);
    frame->OnTimer(0);  // the idle redraw of ticked rows
    profit = ProfitOf(open, 0);
    EXPECT_NE(profit.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    EXPECT_FALSE(profit.data(Qt::ToolTipRole).isValid());

    // No closed trade: the rates say there is nothing to rate.
    window->SendCommand(33760);
    QTableWidget* summary = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "statistics" && w->isVisible())
            summary = qobject_cast<QTableWidget*>(w->findChild<QTabWidget*>()->widget(0));
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->item(0, 1)->text(), "0");                      // trades
    EXPECT_EQ(summary->item(4, 1)->text(), QString::fromUtf8("–"));   // win rate
    EXPECT_EQ(summary->item(11, 1)->text(), QString::fromUtf8("–"));  // expectancy
}

}  // namespace
}  // namespace cartera::gui
