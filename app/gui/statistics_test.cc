// Portfolio > Statistics... on the demo portfolio: the window beside the portfolio, its
// filter, the ledger's changes followed, and a picture of each page under screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/gui/startup.h"
#include "app/gui/workstation.h"

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

TEST(StatisticsWindowTest, OpensFromThePortfolioMenuFiltersAndSavesEachPage) {
    StartupOptions options;
    options.demo = true;
    options.seed = 11;
    options.language = "en";
    WorkstationApp app(options);
    QString error;
    ASSERT_TRUE(app.Start(&error)) << error.toStdString();
    Workstation* window = app.Window();
    window->show();

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
    QDir dir(QStringLiteral(CARTERA_SCREENSHOT_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    const char* names[] = {"summary", "equity", "calendar", "tax-year", "breakdown"};
    for (int i = 0; i < 5; ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        QString file =
            dir.filePath(QStringLiteral("statistics-%1-%2.png").arg(i + 1).arg(names[i]));
        EXPECT_TRUE(stats->grab().save(file)) << file.toStdString();
    }
    auto* breakdown = qobject_cast<QTableWidget*>(pages->widget(4)->findChild<QTableWidget*>());
    ASSERT_NE(breakdown, nullptr);
    EXPECT_EQ(Cell(breakdown, breakdown->rowCount() - 1, 3), "80.37");  // the total result
}

}  // namespace
}  // namespace cartera::gui
