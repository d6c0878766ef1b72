#include "app/gui/workstation.h"

#include <dlfcn.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTimer>
#include <cerrno>
#include <functional>
#include <map>

#include "app/gui/test_workstation.h"
#include "commissions/comisiones.h"
#include "framework/document.h"
#include "framework/view.h"
#include "host/env.h"
#include "testing/test_support.h"

namespace cartera::gui {
namespace {

// Runs drive on the modal sheet that run opens, once it shows, then checks that it closed.
void OnSheet(const std::function<void()>& run, const std::function<void(QWidget&)>& drive) {
    bool driven = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* sheet = QApplication::activeModalWidget();
        if (!sheet) return;
        poll.stop();
        driven = true;
        drive(*sheet);
    });
    poll.start(0);
    run();
    EXPECT_TRUE(driven);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Types text into the sheet's box with control id, replacing what it held.
QLineEdit* Type(QWidget& sheet, int id, const char* text) {
    auto* edit = sheet.findChild<QLineEdit*>(QString::number(id));
    if (auto* box = sheet.findChild<QComboBox*>(QString::number(id))) edit = box->lineEdit();
    EXPECT_NE(edit, nullptr) << id;
    if (!edit) return nullptr;
    edit->clear();
    QTest::keyClicks(edit, text);
    return edit;
}

using WorkstationTest = testing::WorkstationTestBase;

TEST_F(WorkstationTest, AMissingOrOtherVersionModuleIsRefusedWithItsReasonAndReleased) {
    const QString here = QCoreApplication::applicationDirPath();
    const QString other = "libcartera-other-version.so";
    const std::string ours = "needs version " + std::to_string(ui::kModuleInterfaceVersion);
    const std::string its = "version " + std::to_string(ui::kModuleInterfaceVersion + 1) + ";";
    struct Case {
        QString file;
        std::vector<std::string> named;  // in the message
    };
    for (const Case& c : {Case{"libcartera-nothing.so", {"libcartera-nothing.so", "/nowhere"}},
                          Case{other, {other.toStdString(), ours, its}}}) {
        QString error;
        EXPECT_FALSE(LoadModule(c.file, {"/nowhere", here}, &registry, &error));
        for (const std::string& text : c.named)
            EXPECT_TRUE(error.contains(QString::fromStdString(text))) << error.toStdString();
        EXPECT_TRUE(registry.DocTypes().empty());
    }
    // The refused module is unloaded: asking without loading finds it gone.
    EXPECT_EQ(dlopen((here + "/" + other).toUtf8().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(WorkstationTest, CreatesAPortfolioMarksAFailedSaveAndSwitchesLanguage) {
    market.AddSymbol({"TEF", "Telefonica", 2, 'V', 10.0});
    QString error;
    ASSERT_TRUE(LoadPortfolioModule(&error)) << error.toStdString();
    Workstation station(registry, &settings);
    station.show();
    ASSERT_EQ(station.Templates().size(), 1u);

    testing::AnswerNameDialog("Growth");
    CDocument* doc = station.NewDocument();
    ASSERT_NE(doc, nullptr);
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Growth.cartera";
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(station.RecentFiles().value(0).toStdString(), path);
    ASSERT_EQ(station.Area()->subWindowList().size(), 1);
    CMDIChildWnd* frame = station.ActiveFrame();
    ASSERT_NE(frame, nullptr);

    // Menu items show their command's prompt in the status bar.
    std::map<std::string, QAction*> items;
    for (QAction* menu : station.menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            items[item->text().remove('&').toStdString()] = item;
    for (const std::string& text :
         {std::string("Other"), std::string("Buy"), ::LS(40000), ::LS(40008)})
        ASSERT_TRUE(items.count(text)) << text;
    EXPECT_EQ(items["Other"]->statusTip().toStdString(), "Other operations");
    EXPECT_EQ(items[::LS(40000)]->statusTip().toStdString(), ::LS(40000));

    // The module's menu reaches the active view, which opens the module's buy sheet; its
    // save fails: the window is marked, and File > Save writes it once the cause is gone.
    QFile file(QString::fromStdString(path));
    const qint64 empty = file.size();
    ASSERT_GT(empty, 0);
    {
        std::unique_ptr<Env> failing = MakeFaultyPosixEnv(SaveStep::fsync, ENOSPC);
        ScopedEnv scoped(failing.get());
        OnSheet([&] { items["Buy"]->trigger(); },
                [](QWidget& sheet) {
                    EXPECT_EQ(sheet.windowTitle().toStdString(), ::LS(3391));
                    QTest::keyClick(Type(sheet, 1053, "tef"), Qt::Key_Return);
                    Type(sheet, 1048, "100");
                    QTest::keyClick(Type(sheet, 1049, "10.5"), Qt::Key_Return);
                });
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(station.Area()->currentSubWindow()->windowTitle(), "Growth.cartera *");
    EXPECT_EQ(file.size(), empty);
    items[::LS(40008)]->trigger();
    EXPECT_EQ(station.Area()->currentSubWindow()->windowTitle(), "Growth.cartera");
    EXPECT_GT(file.size(), empty);
    EXPECT_EQ(messages.size(), 1u);

    // The host may run the module's commands on a view of its own.
    ASSERT_NE(registry.Commands().otros, nullptr);
    OnSheet([&] { registry.Commands().otros(frame->GetActiveView()); },
            [](QWidget& sheet) {
                EXPECT_EQ(sheet.windowTitle().toStdString(), ::LS(3394));
                QTest::keyClick(&sheet, Qt::Key_Escape);
            });

    // In French the menus are rebuilt, the frames retitled, and a schedule saved in English
    // is still found.
    CAdmComisiones english;
    english.Add(cartera::testing::Bracket("Maison", 4, 0, 1000));
    ASSERT_TRUE(english.Save().ok());
    station.SetInterfaceLanguage(Language::fr);
    OnSheet([&] { station.SendCommand(33751); },
            [](QWidget& editor) {
                auto* names = editor.findChild<QComboBox*>();
                ASSERT_NE(names, nullptr);
                EXPECT_EQ(names->findText("Maison"), 0);
                qobject_cast<QDialog*>(&editor)->reject();
            });
    QStringList titles;
    for (QAction* action : station.menuBar()->actions()) titles << action->text().remove('&');
    EXPECT_EQ(titles.value(0).toStdString(), ::LS(40007));
    EXPECT_TRUE(titles.contains("Portefeuille")) << titles.join(",").toStdString();
    EXPECT_EQ(frame->findChild<QTabWidget*>()->tabText(0).toStdString(), ::LS(3377));
    EXPECT_EQ(settings.value("language").toString(), "fr");
    station.SetInterfaceLanguage(Language::en);
}

}  // namespace
}  // namespace cartera::gui
