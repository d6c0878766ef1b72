// The portfolio frame on screen: its tabs and command bar in another language, ticks moving
// the open trades and the valuation, the grids exported to PDF, and the statistics window
// with its equity charts.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <nlohmann/json.hpp>

#include "commissions/comisiones.h"
#include "dialogs/comision_editor.h"
#include "dialogs/comision_page.h"
#include "grids/grid_comision.h"
#include "grids/grid_valoracion.h"
#include "host/dates.h"
#include "host/feed.h"
#include "host/numbers.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "testing/test_support.h"
#include "window/child_frm_cartera.h"
#include "window/command_bar.h"
#include "window/doc_cartera.h"
#include "window/equity_charts.h"
#include "window/statistics_window.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

using FrameTest = WindowTest;

// The text of a PDF file, as pdftotext reads it (layout kept, so a row stays on one line).
std::string PdfText(const std::string& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    if (!process.waitForFinished(30000)) return std::string();
    // The PDF keeps the font's ligatures; read "fi" and "fl" as letters.
    return QString::fromUtf8(process.readAllStandardOutput())
        .replace(QChar(0xFB01), QStringLiteral("fi"))
        .replace(QChar(0xFB02), QStringLiteral("fl"))
        .toStdString();
}

// A portfolio holding 100 SAN.MC bought at 4.00 and a closed ITX.MC trade: its grids export
// to PDF, and ticks and a language change reach them.
TEST_F(FrameTest, GridsExportToPdfTicksMoveTheOpenTradeAndALanguageRetitlesTheFrame) {
    int d = DateNumber(2026, 3, 2);
    std::string path = WritePortfolio(
        "Holding",
        {Cash(kImposition, 1, 10000, d), Exec(true, "SAN.MC", 100, 4.0, 0.0, d),
         Exec(true, "ITX.MC", 10, 40.0, 0.0, d), Exec(false, "ITX.MC", 10, 44.0, 0.0, d)});
    CChildFrmCartera* frame = FrameOf(Open(path));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetActiveDocument()->GetViews().size(), 4u);
    EXPECT_TRUE(frame->HasTimer(CChildFrmCartera::kIdleTimer));
    qt::GridView* rating = Rating(frame)->GetGridWindow();
    std::string pdf = hooks.Home() + "/movements.pdf";
    ASSERT_EQ(Movements(frame)->ExportToPdf(pdf).message(), "");
    // The renderer's own tests check the rows; here the document's title reaches it.
    EXPECT_THAT(PdfText(pdf), HasSubstr("Holding - " + ::LS(3377)));
    std::string ratingPdf = hooks.Home() + "/rating.pdf";
    ASSERT_EQ(Rating(frame)->ExportToPdf(ratingPdf).message(), "");
    std::string table = PdfText(ratingPdf);
    for (int row : {1, 7, 15}) {
        EXPECT_THAT(table, HasSubstr(ShownText(rating, row, 0))) << row;
        EXPECT_THAT(table, HasSubstr(ShownText(rating, row, CGridValoracion::kAmountCol)));
    }
    Status failed = Movements(frame)->ExportToPdf("/nonexistent/folder/x.pdf");
    EXPECT_EQ(failed.kind(), ErrorKind::io);
    EXPECT_THAT(failed.message(), HasSubstr("/nonexistent/folder/x.pdf"));

    qt::GridView* open = OpenTrades(frame)->GetGridWindow();
    int priceCol = ColumnOf(*open->Grid(), 3431);
    int profitCol = ColumnOf(*open->Grid(), 3435);
    std::string price = ShownText(open, 0, priceCol);
    // Not priced yet: muted, not a loss.
    QModelIndex profit = open->model()->index(0, profitCol);
    EXPECT_EQ(profit.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    EXPECT_EQ(profit.data(Qt::ToolTipRole).toString(), "no market price yet");
    // Rows 11 to 13 and 15 of the table follow the open trades.
    auto openRows = [&] {
        std::vector<std::string> rows;
        for (int row : {11, 12, 13, 15}) rows.push_back(ShownText(rating, row, 2));
        return rows;
    };
    std::vector<std::string> before = openRows();

    SimulatedFeed feed(m_market, 7);
    EXPECT_GE(feed.Step(), 1) << "the ledger registered its securities";
    double walked = 0;
    ASSERT_TRUE(feed.CurrentPrice("SAN.MC", &walked));
    EXPECT_EQ(frame->GetAdmCartera()->RefreshQueueSize(), 1u);
    EXPECT_EQ(ShownText(open, 0, priceCol), price) << "the row waits for the idle work";
    SendTimer(frame, 4242);  // not the idle timer's id: any timer runs it
    EXPECT_EQ(frame->GetAdmCartera()->RefreshQueueSize(), 0u);
    EXPECT_EQ(ShownText(open, 0, priceCol), PriceText(walked, 2)) << "as the market gave it";
    EXPECT_EQ(ShownText(open, 0, profitCol), PonPuntos((walked - 4.0) * 100, 2));
    EXPECT_NE(open->model()->index(0, profitCol).data(Qt::ForegroundRole).value<QBrush>().color(),
              QColor(128, 128, 128));
    EXPECT_NE(openRows(), before);

    SetLanguage(Language::de);
    frame->OnLanguageChanged();
    EXPECT_EQ(frame->GetTabWnd()->tabText(0).toStdString(), cartera::LS(3377, Language::de));
    EXPECT_EQ(frame->GetCommandBar()->Button(33748)->text().toStdString(), "&Kaufen");
    qt::GridView* movements = Movements(frame)->GetGridWindow();
    EXPECT_EQ(movements->model()->headerData(ColumnOf(*movements->Grid(), 3384), Qt::Horizontal),
              QString::fromStdString(cartera::LS(3384, Language::de)));

    // The Rating table's heading row shows its own colours, never the selection's.
    frame->resize(1000, 600);
    frame->show();
    frame->GetTabWnd()->setCurrentIndex(3);
    QApplication::processEvents();
    ASSERT_EQ(rating->currentIndex().row(), 0);
    QImage shown = rating->viewport()->grab().toImage();
    QPoint inHeading = rating->visualRect(rating->model()->index(0, 0)).topLeft() + QPoint(3, 3);
    EXPECT_EQ(QColor(shown.pixel(inHeading)), QColor(153, 199, 228));
    SetLanguage(Language::en);
}

// OK in the commission editor prices the open trades again at once: the window shows what
// the command line computes from the saved schedules, before anything else is matched.
TEST_F(FrameTest, ACommissionEditRepricesTheOpenTradesAsTheCommandLineDoes) {
    CAdmComisiones schedules{m_ctx};
    stComision bracket = cartera::testing::Bracket("Broker", 4, 0, 1e9);
    bracket.isDefault = 1;  // the schedule the editor opens on
    schedules.Add(bracket);
    ASSERT_EQ(schedules.Save().message(), "");
    COrderCartera scheduled = Exec(true, "SAN.MC", 10, 20.0, 0.1);
    scheduled.schedule = "Broker";
    CDocCartera* doc =
        Open(WritePortfolio("Priced", {scheduled, Exec(true, "TEF.MC", 5, 4.0, 0.2)}));
    ASSERT_NE(doc, nullptr);
    const TradeList& open = doc->GetLedger()->GetOpenTrades();
    ASSERT_EQ(open.size(), 2u);
    const double before = open[0].exitCommission;
    // The schedule's one bracket replaced by one at 2 % and a fee of 4.
    CSheetComision::SetRunner([](CSheetComision& sheet) {
        using Page = CDlgComisionAcciones;
        Page& page = *sheet.Page();
        page.Grid().SelectRow(0);
        page.Button(Page::IDC_REMOVE)->click();
        const std::pair<int, const char*> typed[] = {{Page::IDC_COMMISSION_PCT, "2"},
                                                     {Page::IDC_FROM, "0"},
                                                     {Page::IDC_TO, "1000000"},
                                                     {Page::IDC_ROYALTY, "4"}};
        for (auto [id, text] : typed) page.Edit(id)->setText(QString::fromLatin1(text));
        page.Button(Page::IDC_ADD)->click();
        sheet.OkButton()->click();
    });
    OpenTrades(FrameOf(doc))->OnCarteraComision();

    QProcess cli;
    cli.start(QStringLiteral(CARTERA_CLI),
              {"--home", QString::fromStdString(hooks.Home()), "show",
               QString::fromStdString(PortfolioPath("Priced")), "open", "--json"});
    ASSERT_TRUE(cli.waitForFinished(30000));
    const auto shown = nlohmann::json::parse(cli.readAllStandardOutput().toStdString());
    ASSERT_EQ(shown.size(), open.size()) << cli.readAllStandardError().data();
    EXPECT_NE(open[0].exitCommission, before);
    EXPECT_GT(shown[0]["exit_commission"].get<double>(), 0.0) << "the edit was saved";
    for (size_t k = 0; k < open.size(); ++k) {
        EXPECT_EQ(open[k].exitCommission, shown[k]["exit_commission"].get<double>()) << k;
        EXPECT_EQ(open[k].profit, shown[k]["profit"].get<double>()) << k;
    }
    EXPECT_EQ(doc->GetLedger()->GetGanAbiertas(), open[0].profit + open[1].profit);
}

StatisticsWindow* ShownStatistics() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<StatisticsWindow*>(w); s && s->isVisible()) return s;
    return nullptr;
}

TEST_F(FrameTest, StatisticsFollowTheLedgerFilterExportAndGoWithTheFrame) {
    int d = DateNumber(2026, 3, 2);
    std::string path = WritePortfolio("Stats", {Exec(true, "TEF.MC", 100, 4.0, 0.0, d),
                                                Exec(false, "TEF.MC", 40, 4.5, 0.0, d + 1)});
    CChildFrmCartera* frame = FrameOf(Open(path));
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(frame->OnCmdMsg(CViewBaseCartera::kCmdStatistics));
    StatisticsWindow* stats = ShownStatistics();
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

    // A code with no trades: the rates say there is nothing to rate.
    auto* codes = stats->findChild<QLineEdit*>("codes");
    QTest::keyClicks(codes, "san.mc");
    QTest::keyClick(codes, Qt::Key_Return);
    auto* summary = qobject_cast<QTableWidget*>(stats->Pages()->widget(0));
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->item(0, 1)->text(), "0");                      // trades
    EXPECT_EQ(summary->item(4, 1)->text(), QString::fromUtf8("–"));   // win rate
    EXPECT_EQ(summary->item(11, 1)->text(), QString::fromUtf8("–"));  // expectancy
    codes->clear();
    QTest::keyClick(codes, Qt::Key_Return);

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

// The texts of the chart that match pattern, in the order the scene holds them.
QStringList Labels(QChartView* view, const char* pattern) {
    const QRegularExpression match(QString::fromLatin1(pattern));
    QStringList labels;
    for (QGraphicsItem* item : view->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            if (text->isVisible() && match.match(text->toPlainText()).hasMatch())
                labels << text->toPlainText();
    return labels;
}

// In the window's language: German dates, thousands grouped with a point.
TEST(EquityChartsTest, OneDayIsAPointAndNoDateIsWrittenTwice) {
    SetLanguage(Language::de);
    struct Case {
        std::vector<int32_t> days;  // the curve's days, from a first date number
        int distinct;               // the date labels the axis should write
    };
    const int32_t start = 20000;
    for (const Case& c : std::vector<Case>{{{0}, 3}, {{0, 1}, 2}, {{0, 2}, 3}, {{0, 3, 9}, 5}}) {
        std::vector<analytics::EquityPoint> curve;
        double equity = 0;
        for (int32_t day : c.days) curve.push_back({start + day, 10, equity += 5000, 0});
        EquityCharts charts;
        charts.resize(700, 500);
        charts.show();
        charts.SetCurve(curve);
        QApplication::processEvents();
        QChartView* view = charts.findChildren<QChartView*>().value(0);
        ASSERT_NE(view, nullptr);
        QStringList labels = Labels(view, "^\\d{2}\\.\\d{2}\\.\\d{4}$");
        EXPECT_EQ(labels.size(), c.distinct) << labels.join(' ').toStdString();
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size())
            << labels.join(' ').toStdString();
        auto* line = qobject_cast<QLineSeries*>(view->chart()->series().value(0));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->pointsVisible(), c.days.size() == 1);
        EXPECT_FALSE(Labels(view, "^\\d{1,3}(\\.\\d{3})+$").isEmpty());
    }
    SetLanguage(Language::en);
}

}  // namespace
}  // namespace cartera::window::testing
