// The market as the workstation's user meets it: the state in the status bar, simulated
// prices that start where the portfolio dealt, a quotes file followed on disk, File ›
// Import quotes and Export to CSV, the welcome page and the portfolios kept across starts.
#include <gmock/gmock.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimerEvent>
#include <fstream>

#include "app/gui/startup.h"
#include "app/gui/test_workstation.h"
#include "app/gui/welcome.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "host/qt/feed_driver.h"
#include "testing/test_ledger.h"

namespace cartera::gui {

using ::testing::HasSubstr;
namespace {

using cartera::testing::Cash;
using cartera::testing::Exec;

void WriteText(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// Answers the file dialog that run opens: path in its name box, then Return.
// Polls, since the dialog appears inside a modal loop that run starts.
void ThroughFileDialog(const QString& path, const std::function<void()>& run) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* name =
            dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name || !dialog->isVisible()) return;
        poll.stop();
        name->setText(path);  // typed text would open the completer, which takes the Return
        QTest::keyClick(name, Qt::Key_Return);
    });
    poll.start(10);
    run();
    EXPECT_FALSE(poll.isActive());
}

class MarketTest : public testing::WorkstationTestBase {
  protected:
    MarketTest() {
        yesNoAnswer = IDOK;
        ShowWorkstation(1100, 700);
        window->SetFeed(&feed);
    }
    ~MarketTest() override { window.reset(); }  // before the feed it follows
    // A portfolio that bought 100 of a security no catalogue knows, at 4.20 and later 4.60.
    std::string WriteSmall() const {
        return WritePortfolio(
            "Small", {Cash(kImposition, 1, 5000), Exec(true, "ZZQ.XX", 100, 4.60, 0, 20200),
                      Exec(true, "ZZQ.XX", 100, 4.20, 0, 20100)});
    }
    std::string Status() const { return window->FeedLabel()->text().toStdString(); }
    // The open trade's current price as its grid shows it once the frame has been idle.
    std::string OpenTradePrice() {
        QTimerEvent idle(100);
        QApplication::sendEvent(window->ActiveFrame(), &idle);
        QAbstractItemModel* m = testing::GridOfTab(window->ActiveFrame(), 1)->model();
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->headerData(c, Qt::Horizontal).toString().toStdString() == ::LS(3431))
                return m->data(m->index(0, c)).toString().toStdString();
        return "no price column";
    }

    qt::FeedDriver feed{PosixEnv()};
};

TEST_F(MarketTest, SimulatedPricesStartAtThePortfoliosLastDealAndTheStatusBarSaysSo) {
    EXPECT_EQ(Status(), "Market: off");
    ASSERT_NE(window->OpenFile(WriteSmall()), nullptr);
    EXPECT_EQ(OpenTradePrice(), "4.60");  // no quotes: the entry price

    QSignalSpy ticked(&feed, &qt::FeedDriver::ticked);
    feed.RunSimulated(std::make_unique<SimulatedFeed>(market, 7), 5);
    ASSERT_TRUE(ticked.wait(2000));
    feed.Stop();
    double price = 0;
    ASSERT_TRUE(market.LastPrice("zzq.xx", &price));
    EXPECT_NEAR(price, 4.60, 0.02);
    EXPECT_EQ(Status().rfind("Market: simulated · last price at ", 0), 0u) << Status();

    auto replay = std::make_unique<ReplayFeed>(market);
    ASSERT_EQ(replay->Load("0,ZZQ.XX,4.7\n60,ZZQ.XX,4.8\n").message(), "");
    feed.RunReplay(std::move(replay), 1.0, "/data/ticks.csv");
    ASSERT_TRUE(ticked.wait(2000));
    EXPECT_EQ(Status().rfind("Market: replay of ticks.csv, tick 1 of 2 · last price at ", 0), 0u)
        << Status();
}

TEST_F(MarketTest,
       TheQuotesFileIsAppliedWheneverItChangesImportReadsAnotherAndExportWritesThePrices) {
    QString quotes = home.filePath("quotes.csv");
    feed.WatchQuotes(quotes, 50);
    EXPECT_EQ(Status(), "Market: off");
    WriteText(quotes, "code,last\nZZQ.XX,5.10\n");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return feed.GetMode() == qt::FeedDriver::Mode::quotesFile; }));
    // A portfolio opened afterwards gets the quotes at once.
    ASSERT_NE(window->OpenFile(WriteSmall()), nullptr);
    EXPECT_EQ(OpenTradePrice(), "5.10");
    EXPECT_EQ(Status().rfind("Market: quotes file quotes.csv · last price at ", 0), 0u);
    // Replaced the way scripts write files: a new file renamed over the old.
    WriteText(quotes + ".new", "# closing prices\nZZQ.XX,5.30\n");
    ASSERT_TRUE(QFile::remove(quotes) && QFile::rename(quotes + ".new", quotes));
    ASSERT_TRUE(QTest::qWaitFor([&] { return OpenTradePrice() == "5.30"; })) << OpenTradePrice();
    // A half-written file is reported and leaves the prices alone.
    WriteText(quotes, "ZZQ.XX,\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Status().find("line 1") != std::string::npos; }));
    EXPECT_EQ(OpenTradePrice(), "5.30");

    // File > Import quotes.
    QString other = home.filePath("closing.csv");
    WriteText(other, "ZZQ.XX,6.25\n");
    ThroughFileDialog(other, [&] { ChooseFromMenuBar(Qt::Key_F, Qt::Key_I); });
    EXPECT_EQ(OpenTradePrice(), "6.25");
    EXPECT_EQ(Status().rfind("Market: quotes file closing.csv", 0), 0u) << Status();
    WriteText(other, "ZZQ.XX;6.30\n");
    EXPECT_FALSE(window->ImportQuotes(other));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("closing.csv cannot be read: line 1"));

    // File > Export to CSV on the Open Trades tab writes what it shows.
    window->ActiveFrame()->findChild<QTabWidget*>()->setCurrentIndex(1);
    QString out = home.filePath("open.csv");
    ThroughFileDialog(out, [&] { ChooseFromMenuBar(Qt::Key_F, Qt::Key_R); });
    QFile csv(out);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    QStringList lines = QString(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);  // the headings, the two buys
    EXPECT_TRUE(lines[0].contains(QString::fromStdString(::LS(3431))));
    EXPECT_TRUE(lines[1].contains(",6.25,") && lines[2].contains(",6.25,"))
        << lines[1].toStdString();
}

// The welcome page opens the demo; with the last portfolio closed it lists the recent ones
// with their paths, holds the keyboard (Return opens the latest) and opens one at a click;
// the portfolios open at Ctrl+Q come back at the next start.
TEST(WelcomeTest, TheWelcomePageOpensTheDemoAndRecentPortfoliosThatComeBackAtTheNextStart) {
    QTemporaryDir home;
    StartupOptions options;
    options.home = home.path();
    options.language = "en";
    QStringList open;
    {
        WorkstationApp app(options);
        ASSERT_EQ(app.Start().message(), "");
        Workstation* window = app.Window();
        window->resize(1000, 640);
        window->show();
        QApplication::setActiveWindow(window);
        EXPECT_EQ(window->FeedLabel()->text(), "Market: off");
        WelcomePage* welcome = window->Welcome();
        ASSERT_TRUE(welcome->isVisible());
        QTest::mouseClick(welcome->DemoButton(), Qt::LeftButton);
        ASSERT_EQ(window->Frames().size(), 1u);
        EXPECT_FALSE(welcome->isVisible());
        const QString demo = window->OpenFiles()[0];
        const QString copy = home.filePath("Second.cartera");
        ASSERT_TRUE(QFile::copy(demo, copy));
        ASSERT_NE(window->OpenFile(copy.toStdString()), nullptr);

        auto ctrl = [window](Qt::Key key) {  // into the focus, as a user's keys go
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : window, key, Qt::ControlModifier);
        };
        ctrl(Qt::Key_W);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->OpenFiles().size() == 1; }));
        ctrl(Qt::Key_W);
        QListWidget* recent = welcome->RecentList();
        ASSERT_TRUE(QTest::qWaitFor([&] { return recent->isVisible(); }));
        ASSERT_EQ(recent->count(), 2);
        EXPECT_EQ(recent->item(0)->text(), "Second  —  " + copy);
        EXPECT_TRUE(recent->item(1)->text().endsWith("  —  " + demo));
        ASSERT_EQ(QApplication::focusWidget(), recent);
        QTest::keyClick(recent, Qt::Key_Return);
        EXPECT_EQ(window->OpenFiles(), QStringList{copy});
        ctrl(Qt::Key_W);
        ASSERT_TRUE(QTest::qWaitFor([&] { return recent->isVisible(); }));
        QTest::mouseClick(recent->viewport(), Qt::LeftButton, {},
                          recent->visualItemRect(recent->item(1)).center());
        ASSERT_EQ(window->OpenFiles(), QStringList{demo});

        ASSERT_NE(window->OpenFile(copy.toStdString()), nullptr);
        QMdiSubWindow* second = window->Area()->currentSubWindow();
        EXPECT_TRUE(second->isMaximized()) << "it joins the maximised window maximised";
        open = window->OpenFiles();
        ASSERT_EQ(open.size(), 2);

        // Ctrl+Q after moving the window and widening a column, with no journal change.
        second->showNormal();
        second->setGeometry(10, 20, 500, 300);
        window->setGeometry(30, 40, 700, 500);
        testing::GridOfTab(window->ActiveFrame(), 0)->horizontalHeader()->resizeSection(1, 177);
        window->Area()->setActiveSubWindow(window->Area()->subWindowList().front());
        ctrl(Qt::Key_Q);
        ASSERT_FALSE(window->isVisible());
    }
    WorkstationApp again(options);
    ASSERT_EQ(again.Start().message(), "");
    Workstation* window = again.Window();
    EXPECT_EQ(window->OpenFiles(), open);
    EXPECT_FALSE(window->Welcome()->isVisibleTo(window));
    EXPECT_EQ(window->geometry(), QRect(30, 40, 700, 500));
    EXPECT_EQ(window->Area()->subWindowList().back()->geometry(), QRect(10, 20, 500, 300));
    auto* grid = testing::GridOfTab(window->Frames().back(), 0);
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), 177);
    // The window that was active comes back active.
    ASSERT_NE(window->ActiveFrame(), nullptr);
    EXPECT_EQ(QString::fromStdString(window->ActiveFrame()->GetActiveDocument()->GetPathName()),
              open[0]);
}

}  // namespace
}  // namespace cartera::gui
