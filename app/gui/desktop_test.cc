// The workstation driven from the keyboard and mouse as a desktop user drives it, and the demo
// as `cartera --demo` starts it, each tab pictured and exported under screenshots/.
#include <QClipboard>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimerEvent>
#include <fstream>

#include "app/gui/startup.h"
#include "app/gui/test_workstation.h"
#include "framework/document.h"
#include "framework/view.h"
#include "host/qt/feed_driver.h"
#include "testing/test_ledger.h"

namespace cartera::gui {
namespace {

class DesktopTest : public testing::WorkstationTestBase {
  protected:
    DesktopTest() {
        yesNoAnswer = IDYES;
        ShowWorkstation(1200, 800);
    }
    void NewFromKeyboard(const QString& name) {
        testing::AnswerNameDialog(name);
        ChooseFromMenuBar(Qt::Key_F, Qt::Key_N);
    }
};

TEST_F(DesktopTest, MenusWindowsAndTabsAnswerTheKeyboard) {
    NewFromKeyboard("Alpha");
    CDocument* alpha = window->ActiveFrame()->GetActiveDocument();
    std::string path = alpha->GetPathName();
    NewFromKeyboard("Beta");
    NewFromKeyboard("Gamma");
    QMdiArea* area = window->Area();
    ASSERT_EQ(area->subWindowList().size(), 3);
    EXPECT_EQ(area->currentSubWindow()->windowTitle(), "Gamma.cartera");

    // New or Open with the name of an open portfolio brings its window forward, unwritten.
    std::ifstream in(path, std::ios::binary);
    std::string before((std::istreambuf_iterator<char>(in)), {});
    NewFromKeyboard("Alpha");
    EXPECT_EQ(window->ActiveFrame()->GetActiveDocument(), alpha);
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
    EXPECT_EQ(window->OpenFile(path), alpha);
    NewFromKeyboard("Beta");
    ASSERT_EQ(area->subWindowList().size(), 3);
    EXPECT_EQ(area->currentSubWindow()->windowTitle(), "Beta.cartera");

    // Ctrl+F6 and Ctrl+Shift+F6 go through the windows in the order they opened.
    QApplication::setActiveWindow(window.get());  // back from the name dialog
    QTest::keyClick(Focus(), Qt::Key_F6, Qt::ControlModifier);
    EXPECT_EQ(area->currentSubWindow()->windowTitle(), "Gamma.cartera");
    QTest::keyClick(Focus(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(area->currentSubWindow()->windowTitle(), "Beta.cartera");

    // F10 opens the first menu.
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_F10);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->title().remove('&').toStdString(), ::LS(40007));
    QTest::keyClick(popup, Qt::Key_Escape);
    QTest::keyClick(window->menuBar(), Qt::Key_Escape);

    // Window > Cascade keeps the windows big enough to work in; the list names files.
    ChooseFromMenuBar(Qt::Key_W, Qt::Key_C);
    for (QMdiSubWindow* sub : area->subWindowList())
        EXPECT_TRUE(sub->width() >= 480 && sub->height() >= 320) << sub->width();
    EXPECT_NE(area->subWindowList()[0]->pos(), area->subWindowList()[1]->pos());

    // Ctrl+PgDn, Ctrl+Tab and Ctrl+PgUp walk the tabs from inside the grid.
    auto* tabs = window->ActiveFrame()->findChild<QTabWidget*>();
    auto* grid = tabs->currentWidget()->findChild<qt::GridView*>();
    ASSERT_NE(grid, nullptr);
    grid->setFocus();
    for (auto [key, tab] :
         {std::pair(Qt::Key_PageDown, 1), {Qt::Key_Tab, 2}, {Qt::Key_PageUp, 1}}) {
        QTest::keyClick(Focus(), key, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), tab) << key;
    }

    // Ctrl+W closes the active window only.
    QTest::keyClick(Focus(), Qt::Key_W, Qt::ControlModifier);
    ASSERT_EQ(area->subWindowList().size(), 2);
    EXPECT_EQ(area->subWindowList()[0]->windowTitle(), "Alpha.cartera");
    EXPECT_EQ(area->subWindowList()[1]->windowTitle(), "Gamma.cartera");
}

TEST(DemoHomeTest, TheDemoFolderStaysWhenTheUserMadeAPortfolioThere) {
    for (bool makeOne : {false, true}) {
        QString home;
        {
            StartupOptions options;
            options.demo = true;
            options.language = "en";
            WorkstationApp app(options);
            ASSERT_EQ(app.Start().message(), "");
            home = QString::fromStdString(app.GetContext().home);
            EXPECT_TRUE(app.UserFilesInDemoHome().isEmpty());
            if (makeOne) {
                testing::AnswerNameDialog("Mine");
                ASSERT_NE(app.Window()->NewDocument(), nullptr);
            }
        }
        EXPECT_EQ(QDir(home).exists(), makeOne);
        EXPECT_EQ(QDir(home).exists("portfolios/Mine.cartera"), makeOne);
        QDir(home).removeRecursively();
    }
}

using cartera::testing::Cash;
using cartera::testing::Exec;

// The movements' contracts in journal order, as the portfolio file holds them once added,
// when given, is added to it as another program would.
std::vector<int32_t> FileContracts(const std::string& path, const COrderCartera* added = nullptr) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    PortfolioDocument file{&ledger, PosixEnv()};
    EXPECT_EQ(file.Load(path).message(), "");
    if (added) ledger.AddOrder(*added);
    std::vector<int32_t> contracts;
    for (const COrderCartera& m : ledger.GetOrders())
        contracts.push_back(static_cast<int32_t>(m.contracts.WholePart()));
    return contracts;
}

void Click(qt::GridView* grid, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                      grid->visualRect(grid->model()->index(row, 1)).center());
}

QStringList CopiedLines(qt::GridView* grid) {
    QApplication::clipboard()->clear();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    return QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
}

TEST_F(DesktopTest, SelectedRowsAreCopiedAndDeletedAsOneStepThatUndoAndRedoTakeBack) {
    std::string path =
        WritePortfolio("Edit", {Cash(kImposition, 1, 5000), Exec(true, "SAN.MC", 100, 4.25),
                                Exec(true, "TEF.MC", 20, 10.0), Exec(true, "BBVA.MC", 3, 9.0)});
    ASSERT_NE(window->OpenFile(path), nullptr);
    CMDIChildWnd* frame = window->ActiveFrame();
    qt::GridView* grid = testing::GridOfTab(frame, 0);
    ASSERT_EQ(grid->model()->rowCount(), 4);
    grid->setFocus();

    // Ctrl-click adds a row; the copy starts with the headings.
    Click(grid, 1);
    Click(grid, 3, Qt::ControlModifier);
    QStringList lines = CopiedLines(grid);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].toStdString(),
              "Type\tSymbol\tGroup\tDate\tContracts\tPrice\tCommissions\tTotal");
    EXPECT_EQ(lines[1].toStdString(), "B\tSAN.MC\t\t04/10/2024\t100\t4.25\t0.00\t425.00");
    EXPECT_TRUE(lines[2].startsWith("B\tBBVA.MC\t\t04/10/2024\t3\t")) << lines[2].toStdString();
    // Shift+arrows from a clicked row, and Ctrl+A.
    Click(grid, 0);
    for (int i = 0; i < 2; ++i) QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(CopiedLines(grid).size(), 4);
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(CopiedLines(grid).size(), 5);

    // Delete removes the selection after one question, as one save.
    Click(grid, 1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Delete the 2 selected movements?");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));

    // The menu names the step; Ctrl+Z undoes it, saved at once; Ctrl+Y and Ctrl+Shift+Z redo.
    QMenu* edit = window->menuBar()->actions().value(1)->menu();
    ASSERT_NE(edit, nullptr);
    emit edit->aboutToShow();
    EXPECT_EQ(edit->actions().value(0)->text().remove('&'), "Undo delete of 2 movements");
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 100, 20, 3}));
    emit edit->aboutToShow();
    EXPECT_EQ(edit->actions().value(1)->text().remove('&'), "Redo delete of 2 movements")
        << "an undo is no step of its own";
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));

    // The steps are the file's: another program's change is the last one, and the next Ctrl+Z
    // takes it back, as cartera-cli restore would.
    const COrderCartera outside = Exec(true, "ITX.MC", 7, 30.0);
    EXPECT_EQ(FileContracts(path, &outside), (std::vector<int32_t>{1, 3, 7}));
    frame->OnTimer(0);  // the idle look at the file
    EXPECT_EQ(grid->model()->rowCount(), 3);
    emit edit->aboutToShow();
    EXPECT_EQ(edit->actions().value(0)->text().remove('&'), "Undo add of B ITX.MC 7");
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 100, 20, 3}));
}

QWidget* StatisticsWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "statistics" && w->isVisible()) return w;
    return nullptr;
}

QStringList Cells(QTableWidget* t, std::initializer_list<int> rows, int col = 1) {
    QStringList texts;
    for (int row : rows) texts << (t->item(row, col) ? t->item(row, col)->text() : "none");
    return texts;
}

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
    ASSERT_EQ(app.Start().message(), "");
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
    ASSERT_TRUE(open && open->model()->rowCount() > 0);
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
        // The tab as File > Export to PDF writes it.
        EXPECT_EQ(frame->GetActiveView()
                      ->ExportToPdf(dir.filePath(name + ".pdf").toStdString())
                      .message(),
                  "");
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
    EXPECT_EQ(Cells(summary, {0, 13}), QStringList({"3", "-418.28"}));  // trades, largest loss

    // Only TEF.MC, typed into the codes box: one losing trade, no profit factor.
    auto* codes = stats->findChild<QLineEdit*>("codes");
    QTest::keyClicks(codes, "tef.mc");
    QTest::keyClick(codes, Qt::Key_Return);
    EXPECT_EQ(Cells(summary, {0, 7}), QStringList({"1", "0.00"}));  // no gross profit
    codes->clear();
    QTest::keyClick(codes, Qt::Key_Return);
    EXPECT_EQ(Cells(summary, {0}), QStringList{"3"});
    auto* breakdown = qobject_cast<QTableWidget*>(pages->widget(4)->findChild<QTableWidget*>());
    ASSERT_NE(breakdown, nullptr);
    EXPECT_EQ(Cells(breakdown, {breakdown->rowCount() - 1}, 3), QStringList{"80.37"});  // total
}

}  // namespace
}  // namespace cartera::gui
