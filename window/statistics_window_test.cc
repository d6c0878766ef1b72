#include "window/statistics_window.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "host/dates.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

using StatisticsTest = WindowTest;

StatisticsWindow* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<StatisticsWindow*>(w); s && s->isVisible()) return s;
    return nullptr;
}

TEST_F(StatisticsTest, FollowsTheLedgerExportsAndGoesWithTheFrame) {
    int d = DateNumber(2026, 3, 2);
    std::string path = WritePortfolio("Stats", {Exec(true, "TEF.MC", 100, 4.0, 0.0, d),
                                                Exec(false, "TEF.MC", 40, 4.5, 0.0, d + 1)});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);
    ASSERT_TRUE(frame->OnCmdMsg(CViewBaseCartera::kCmdStatistics));
    StatisticsWindow* stats = Shown();
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->CurrentStats().trades, 1);
    EXPECT_EQ(stats->CurrentTaxReport().year, 2026);  // the year of the last exit
    QAbstractItemModelTester tester(stats->findChild<QTableView*>()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Two changes, one recomputation once the events run.
    frame->GetAdmCartera()->AddOrder(Exec(false, "TEF.MC", 60, 3.5, 0.0, d + 9));
    frame->GetAdmCartera()->AddOrder(Exec(true, "SAN.MC", 10, 3.0, 0.0, d + 9));
    EXPECT_EQ(stats->CurrentStats().trades, 1);
    QApplication::processEvents();
    EXPECT_EQ(stats->CurrentStats().trades, 2);
    EXPECT_EQ(stats->CurrentStats().losses, 1);

    QTemporaryDir dir;
    stats->Pages()->setCurrentIndex(StatisticsWindow::kTax);
    std::string csv = dir.filePath("tax.csv").toStdString();
    ASSERT_EQ(stats->ExportCsv(csv).message(), "");
    QFile csvFile(QString::fromStdString(csv));
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = csvFile.readAll().split('\n');
    EXPECT_TRUE(lines[0].startsWith("code,symbol,side,contracts"));
    EXPECT_TRUE(lines[2].contains(",-30,")) << lines[2].toStdString();  // 60 x (3.5 - 4.0)
    std::string pdf = dir.filePath("tax.pdf").toStdString();
    ASSERT_EQ(stats->ExportPdf(pdf).message(), "");
    QFile pdfFile(QString::fromStdString(pdf));
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdfFile.read(4) == "%PDF");
    EXPECT_THAT(stats->ExportCsv(dir.filePath("missing/x.csv").toStdString()).message(),
                HasSubstr("missing/x.csv"));

    QPointer<StatisticsWindow> watch(stats);
    delete frame;
    EXPECT_TRUE(watch.isNull());
}

}  // namespace
}  // namespace cartera::window::testing
