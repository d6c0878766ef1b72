// The workstation on the demo portfolio as `cartera --demo` starts it: the market moves the
// open trades, each tab is pictured and exported, and Portfolio > Statistics... opens the
// window beside the portfolio, filters and follows it. Pictures go under screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimerEvent>

#include "app/gui/startup.h"
#include "app/gui/workstation.h"
#include "framework/frame.h"
#include "framework/view.h"
#include "host/qt/feed_driver.h"
#include "host/qt/grid_view.h"

namespace cartera::gui {
namespace {

QWidget* StatisticsWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "statistics" && w->isVisible()) return w;
    return nullptr;
}

QString Cell(QTableWidget* t, int row, int col) {
    QTableWidgetItem* item = t->item(row, col);
    return item ? item->text() : QString();
}

// The texts of every cell of grid.
QStringList Cells(qt::GridView* grid) {
    QStringList cells;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            cells << grid->model()->index(r, c).data().toString();
    return cells;
}

TEST(DemoTest, TicksMoveTheOpenTradesEachTabIsPicturedAndStatisticsFilter) {
    StartupOptions options;
    options.demo = true;
    options.seed = 11;
    options.language = "en";
    WorkstationApp app(options);
    QString error;
    ASSERT_TRUE(app.Start(&error)) << error.toStdString();
    ASSERT_TRUE(QFileInfo::exists(app.DemoPath()));
    Workstation* window = app.Window();
    window->resize(1180, 720);
    window->show();
    QApplication::processEvents();
    CMDIChildWnd* frame = window->ActiveFrame();
    ASSERT_NE(frame, nullptr);
    auto* tabs = frame->findChild<QTabWidget*>();
    ASSERT_EQ(tabs->count(), 4);

    // The open trades tick on the first start: a few feed rounds and one idle run later the
    // open-trade rows show other prices.
    qt::GridView* open = qobject_cast<qt::GridView*>(tabs->widget(1)->focusProxy());
    ASSERT_NE(open, nullptr);
    ASSERT_GT(open->model()->rowCount(), 0);
    QStringList before = Cells(open);
    for (int i = 0; i < 8; ++i) app.Feed()->Simulated()->Step();
    QTimerEvent idle(100);
    QApplication::sendEvent(frame, &idle);
    EXPECT_NE(Cells(open), before);

    QDir dir(QStringLiteral(CARTERA_SCREENSHOT_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    const char* tabNames[] = {"movements", "open-trades", "closed-trades", "rating"};
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        QString name = QStringLiteral("workstation-%1-%2").arg(i + 1).arg(tabNames[i]);
        EXPECT_TRUE(window->grab().save(dir.filePath(name + ".png"))) << i;
        std::string why;  // the tab as File > Export to PDF writes it
        EXPECT_TRUE(
            frame->GetActiveView()->ExportToPdf(dir.filePath(name + ".pdf").toStdString(), &why))
            << why;
    }

    tabs->setCurrentIndex(0);  // the valuation tab offers no portfolio command
    QAction* statistics = nullptr;
    for (QAction* menu : window->menuBar()->actions())
        for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
            if (item->text().remove('&') == QString::fromUtf8("Statistics…")) statistics = item;
    ASSERT_NE(statistics, nullptr);
    statistics->trigger();
    QWidget* stats = StatisticsWindow();
    ASSERT_NE(stats, nullptr);
    statistics->trigger();  // a second time brings the same window forward
    EXPECT_EQ(StatisticsWindow(), stats);

    auto* pages = stats->findChild<QTabWidget*>();
    ASSERT_EQ(pages->count(), 5);
    auto* summary = qobject_cast<QTableWidget*>(pages->widget(0));
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(Cell(summary, 0, 1), "3");         // trades
    EXPECT_EQ(Cell(summary, 13, 1), "-418.28");  // largest loss

    // Only TEF.MC, typed into the codes box: one losing trade, no profit factor.
    auto* codes = stats->findChild<QLineEdit*>("codes");
    QTest::keyClicks(codes, "tef.mc");
    QTest::keyClick(codes, Qt::Key_Return);
    EXPECT_EQ(Cell(summary, 0, 1), "1");
    EXPECT_EQ(Cell(summary, 7, 1), "0.00");  // profit factor: no gross profit
    codes->clear();
    QTest::keyClick(codes, Qt::Key_Return);
    EXPECT_EQ(Cell(summary, 0, 1), "3");

    stats->resize(1000, 680);
    const char* pageNames[] = {"summary", "equity", "calendar", "tax-year", "breakdown"};
    for (int i = 0; i < 5; ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        QString file =
            dir.filePath(QStringLiteral("statistics-%1-%2.png").arg(i + 1).arg(pageNames[i]));
        EXPECT_TRUE(stats->grab().save(file)) << file.toStdString();
    }
    auto* breakdown = qobject_cast<QTableWidget*>(pages->widget(4)->findChild<QTableWidget*>());
    ASSERT_NE(breakdown, nullptr);
    EXPECT_EQ(Cell(breakdown, breakdown->rowCount() - 1, 3), "80.37");  // the total result
}

}  // namespace
}  // namespace cartera::gui
