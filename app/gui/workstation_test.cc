#include "app/gui/workstation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <map>

#include "app/gui/module_loader.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "window/framework/doc_template.h"
#include "window/framework/document.h"
#include "window/framework/frame.h"
#include "window/framework/module.h"
#include "window/framework/runtime_class.h"
#include "window/framework/view.h"

namespace cartera::gui {
namespace {

// Answers the next modal dialog that has a line edit: types text and presses its default
// button. Polls, since the dialog appears inside a modal loop started after this call.
void AnswerNameDialog(const QString& text) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        QLineEdit* edit = dialog->findChild<QLineEdit*>();
        if (!edit) return;
        edit->setText(text);
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isDefault()) button->click();
        timer->deleteLater();
    });
    timer->start(10);
}

class WorkstationTest : public ::testing::Test {
  protected:
    WorkstationTest() : settings(home.filePath("workstation.ini"), QSettings::IniFormat) {
        SetLanguage(Language::en);
        SetHomeFolder(home.path().toStdString());
        CMarketService::SetCurrent(&market);
        SetMessageBoxHandler([this](const std::string& text, unsigned type) {
            messages.push_back(text);
            return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
        });
    }
    ~WorkstationTest() override {
        SetMessageBoxHandler({});
        CMarketService::SetCurrent(nullptr);
        SetHomeFolder("");
    }
    bool Load(QString* error) {
        return LoadModule(QString::fromLatin1(kPortfolioModule), ModuleSearchPath(), &registry,
                          error);
    }

    QTemporaryDir home;
    QSettings settings;
    CMarketService market;
    ui::ModuleRegistry registry;
    std::vector<std::string> messages;
};

TEST_F(WorkstationTest, ModuleRegistersItsClassesDocumentTypeAndMenu) {
    QString error;
    ASSERT_TRUE(Load(&error)) << error.toStdString();
    for (const char* name :
         {"CDocCartera", "CChildFrmCartera", "CViewCartera", "CViewBaseCartera"}) {
        const CRuntimeClass* cls = registry.FindClass(name);
        ASSERT_NE(cls, nullptr) << name;
        EXPECT_STREQ(cls->m_lpszClassName, name);
        EXPECT_NE(cls->m_pfnCreateObject, nullptr) << name;
    }
    EXPECT_TRUE(registry.FindClass("CChildFrmCartera")->IsDerivedFrom(RUNTIME_CLASS(CMDIChildWnd)));
    EXPECT_TRUE(registry.FindClass("CDocCartera")->IsDerivedFrom(RUNTIME_CLASS(CDocument)));
    ASSERT_EQ(registry.DocTypes().size(), 1u);
    EXPECT_EQ(registry.DocTypes()[0].menuId, 3371);

    ui::MenuRecord menu = registry.BuildMenu(3371);
    ASSERT_EQ(menu.items.size(), 4u);
    const char* texts[] = {"Buy", "Sell", "Other", "Commission"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(menu.items[i].id, 33748 + i);
        EXPECT_EQ(menu.items[i].text, texts[i]);
    }
}

TEST_F(WorkstationTest, AMissingModuleIsReportedWithTheFoldersSearched) {
    QString error;
    EXPECT_FALSE(LoadModule("libcartera-nothing.so", {home.path()}, &registry, &error));
    EXPECT_TRUE(error.contains("libcartera-nothing.so"));
    EXPECT_TRUE(error.contains(home.path()));
    EXPECT_TRUE(registry.Classes().empty());
}

TEST_F(WorkstationTest, CreatesAPortfolioThroughTheModulesRecords) {
    QString error;
    ASSERT_TRUE(Load(&error)) << error.toStdString();
    Workstation window(registry, &settings);
    window.show();
    ASSERT_EQ(window.Templates().size(), 1u);

    AnswerNameDialog("Growth");
    CDocument* doc = window.NewDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->GetRuntimeClass()->m_lpszClassName, "CDocCartera");
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Growth.cartera";
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_TRUE(std::ifstream(path).good());

    ASSERT_EQ(window.Area()->subWindowList().size(), 1);
    CMDIChildWnd* frame = window.ActiveFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_STREQ(frame->GetRuntimeClass()->m_lpszClassName, "CChildFrmCartera");
    EXPECT_EQ(frame->findChild<QTabWidget*>()->count(), 4);
    EXPECT_STREQ(frame->GetActiveView()->GetRuntimeClass()->m_lpszClassName, "CViewCartera");

    // Menu items show their command's prompt in the status bar.
    std::map<std::string, std::string> tips;
    for (QAction* menu : window.menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            tips[item->text().remove('&').toStdString()] = item->statusTip().toStdString();
    EXPECT_EQ(tips["Other"], "Other operations");
    EXPECT_EQ(tips["Buy"], "Buy");
    EXPECT_EQ(tips[::LS(40000)], ::LS(40000));

    // The module's menu reaches the active view; until the entry dialogs exist it says so.
    EXPECT_TRUE(window.SendCommand(33748));
    EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), ::LS(40033));
    EXPECT_EQ(window.RecentFiles().value(0).toStdString(), path);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WorkstationTest, ADamagedFileLeavesTheOpenPortfolioAlone) {
    QString error;
    ASSERT_TRUE(Load(&error)) << error.toStdString();
    Workstation window(registry, &settings);
    AnswerNameDialog("Kept");
    ASSERT_NE(window.NewDocument(), nullptr);
    std::string damaged = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Broken.cartera";
    std::ofstream(damaged, std::ios::binary) << std::string("\0\x43\x52", 3);

    EXPECT_EQ(window.OpenFile(damaged), nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(damaged), std::string::npos) << messages[0];
    EXPECT_EQ(window.Area()->subWindowList().size(), 1);
    EXPECT_EQ(window.statusBar()->currentMessage().toStdString(), ::LS(40031));
}

TEST_F(WorkstationTest, SwitchingTheLanguageRebuildsMenusAndRetitlesFrames) {
    QString error;
    ASSERT_TRUE(Load(&error)) << error.toStdString();
    Workstation window(registry, &settings);
    AnswerNameDialog("Languages");
    ASSERT_NE(window.NewDocument(), nullptr);

    window.SetInterfaceLanguage(Language::fr);
    QStringList titles;
    for (QAction* action : window.menuBar()->actions()) titles << action->text().remove('&');
    EXPECT_EQ(titles.value(0).toStdString(), ::LS(40007));
    EXPECT_TRUE(titles.contains("Portefeuille")) << titles.join(",").toStdString();
    EXPECT_EQ(window.ActiveFrame()->findChild<QTabWidget*>()->tabText(0).toStdString(), ::LS(3377));
    EXPECT_EQ(settings.value("language").toString(), "fr");
    window.SetInterfaceLanguage(Language::en);
}

}  // namespace
}  // namespace cartera::gui
