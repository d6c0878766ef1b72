// The workstation driven from the keyboard and mouse as a desktop user drives it.
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <fstream>

#include "app/gui/startup.h"
#include "app/gui/test_workstation.h"
#include "framework/document.h"

namespace cartera::gui {
namespace {

class DesktopTest : public testing::WorkstationTestBase {
  protected:
    DesktopTest() {
        yesNoAnswer = IDYES;
        ShowWorkstation(1200, 800);
    }
    // File > New from the keyboard, the name typed into the dialog and Return pressed.
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
    for (QMdiSubWindow* sub : area->subWindowList()) {
        EXPECT_GE(sub->width(), 480);
        EXPECT_GE(sub->height(), 320);
    }
    EXPECT_NE(area->subWindowList()[0]->pos(), area->subWindowList()[1]->pos());

    // Ctrl+PgDn, Ctrl+Tab and Ctrl+PgUp walk the tabs from inside the grid.
    auto* tabs = window->ActiveFrame()->findChild<QTabWidget*>();
    auto* grid = tabs->currentWidget()->findChild<qt::GridView*>();
    ASSERT_NE(grid, nullptr);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(Focus(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 2);
    QTest::keyClick(Focus(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);

    // Ctrl+W closes the active window only.
    QTest::keyClick(Focus(), Qt::Key_W, Qt::ControlModifier);
    ASSERT_EQ(area->subWindowList().size(), 2);
    EXPECT_EQ(area->subWindowList()[0]->windowTitle(), "Alpha.cartera");
    EXPECT_EQ(area->subWindowList()[1]->windowTitle(), "Gamma.cartera");
}

TEST(DemoHomeTest, TheDemoFolderStaysWhenTheUserMadeAPortfolioThere) {
    for (bool makeOne : {false, true}) {
        StartupOptions options;
        options.demo = true;
        options.language = "en";
        QString home;
        {
            WorkstationApp app(options);
            QString error;
            ASSERT_TRUE(app.Start(&error)) << error.toStdString();
            home = QString::fromStdString(HomeFolder());
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

}  // namespace
}  // namespace cartera::gui
