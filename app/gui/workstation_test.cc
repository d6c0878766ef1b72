#include "app/gui/workstation.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <functional>
#include <map>

#include "app/gui/module_loader.h"
#include "app/gui/test_workstation.h"
#include "commissions/comisiones.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "framework/module.h"
#include "framework/view.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera::gui {
namespace {

using testing::Cell;
using testing::GridOfTab;

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

std::string TextOf(QWidget& sheet, int id) {
    return sheet.findChild<QLineEdit*>(QString::number(id))->text().toStdString();
}

// The amount the Rating tab of frame shows for label.
std::string Rated(CMDIChildWnd* frame, const std::string& label) {
    QAbstractItemModel* m = GridOfTab(frame, 3)->model();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->data(m->index(r, 0)).toString().toStdString() == label)
            return m->data(m->index(r, 2)).toString().toStdString();
    return "no row " + label;
}

// The item with text of the context menu of grid's row.
QAction* MenuItem(qt::GridView* grid, int row, const QString& text) {
    QMenu* menu = grid->OpenContextMenu(0, row, UG_GRID, grid->mapToGlobal(QPoint(5, 5)));
    for (QAction* item : menu ? menu->actions() : QList<QAction*>())
        if (item->text() == text) return item;
    return nullptr;
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

    AnswerNameDialog("Growth");
    CDocument* doc = station.NewDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->GetRuntimeClass()->m_lpszClassName, "CDocCartera");
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Growth.cartera";
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(station.RecentFiles().value(0).toStdString(), path);
    ASSERT_EQ(station.Area()->subWindowList().size(), 1);
    CMDIChildWnd* frame = station.ActiveFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_STREQ(frame->GetRuntimeClass()->m_lpszClassName, "CChildFrmCartera");
    EXPECT_EQ(frame->findChild<QTabWidget*>()->count(), 4);
    EXPECT_STREQ(frame->GetActiveView()->GetRuntimeClass()->m_lpszClassName, "CViewCartera");

    // Menu items show their command's prompt in the status bar.
    std::map<std::string, std::string> tips;
    for (QAction* menu : station.menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            tips[item->text().remove('&').toStdString()] = item->statusTip().toStdString();
    EXPECT_EQ(tips["Other"], "Other operations");
    EXPECT_EQ(tips[::LS(40000)], ::LS(40000));

    // The module's menu reaches the active view, which opens the module's buy sheet; its
    // save fails: the window is marked, and File > Save writes it once the cause is gone.
    QFile file(QString::fromStdString(path));
    const qint64 empty = file.size();
    ASSERT_GT(empty, 0);
    {
        std::unique_ptr<Env> failing = MakeFaultyPosixEnv(SaveStep::fsync, ENOSPC);
        ScopedEnv scoped(failing.get());
        OnSheet([&] { EXPECT_TRUE(station.SendCommand(33748)); },
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
    for (QAction* item : station.menuBar()->actions().value(0)->menu()->actions())
        if (item->text().remove('&').toStdString() == ::LS(40008)) item->trigger();
    EXPECT_EQ(station.Area()->currentSubWindow()->windowTitle(), "Growth.cartera");
    EXPECT_GT(file.size(), empty);
    EXPECT_EQ(messages.size(), 1u);

    // In French the menus are rebuilt, the frames retitled, and a schedule saved in English
    // is still found.
    stComision kept;
    kept.kind = 4, kept.name = "Maison", kept.to = 1000;
    CAdmComisiones english;
    english.Add(kept);
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

TEST_F(WorkstationTest, ABuyFromThePortfolioMenuAndASellFromTheOpenTradeRowCloseATrade) {
    market.AddSymbol({"TEF", "Telefonica", 2, 'V', 10.0});
    CAdmComisiones schedules;
    schedules.Add({-1, -1, 4, "Broker", 1, 0.2, 5, 0.05, 1, 0, 10000, 2});
    ASSERT_TRUE(schedules.Save().ok());
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Trades.cartera";
    {
        CSistemaCartera ledger;
        PortfolioDocument file{&ledger};
        std::string why;
        ASSERT_EQ(file.SaveAs(path).message(), "");
        COrderCartera imposition;
        imposition.type = kImposition, imposition.contracts = 1, imposition.price = 5000;
        ledger.AddOrders({imposition});
    }
    QString error;
    ASSERT_TRUE(LoadPortfolioModule(&error)) << error.toStdString();
    Workstation station(registry, &settings);
    station.show();
    CDocument* doc = station.OpenFile(path);
    ASSERT_NE(doc, nullptr);
    CMDIChildWnd* frame = station.ActiveFrame();

    QAction* buy = nullptr;
    for (QAction* menu : station.menuBar()->actions())
        if (QString(menu->text()).remove('&').toStdString() == registry.BuildMenu(3371).title)
            for (QAction* item : menu->menu()->actions())
                if (QString(item->text()).remove('&') == "Buy") buy = item;
    ASSERT_NE(buy, nullptr);
    OnSheet([&] { buy->trigger(); },
            [](QWidget& sheet) {
                QTest::keyClick(Type(sheet, 1053, "tef"), Qt::Key_Return);
                Type(sheet, 1048, "100");
                QLineEdit* price = Type(sheet, 1049, "10.5");
                EXPECT_EQ(TextOf(sheet, 1054), "1050.00");
                EXPECT_EQ(TextOf(sheet, 1055), "8.00");
                EXPECT_EQ(TextOf(sheet, 1056), "1058.00");
                QTest::keyClick(price, Qt::Key_Return);
            });
    qt::GridView* movements = GridOfTab(frame, 0);
    ASSERT_EQ(movements->model()->rowCount(), 2);
    EXPECT_EQ(Cell(movements, 1, "Commissions"), "8.00");
    EXPECT_EQ(Cell(movements, 1, "Total"), "1,058.00");
    EXPECT_EQ(Rated(frame, "Invested Capital"), "1,058.00");
    EXPECT_EQ(Rated(frame, "Settlement"), "3,942.00");  // the cash left
    ASSERT_EQ(GridOfTab(frame, 1)->model()->rowCount(), 1);

    CSistemaCartera saved;
    PortfolioDocument file{&saved};
    std::string why;
    ASSERT_EQ(file.Load(doc->GetPathName()).message(), "");
    ASSERT_EQ(saved.GetOrders().size(), 2u);
    EXPECT_EQ(saved.GetOrders()[1].schedule, "Broker");

    // Sell from the open trade's context menu: the sheet starts from the trade.
    frame->findChild<QTabWidget*>()->setCurrentIndex(1);
    qt::GridView* open = GridOfTab(frame, 1);
    QTest::mouseClick(open->viewport(), Qt::LeftButton, {},
                      open->visualRect(open->model()->index(0, 0)).center());
    QAction* sell = MenuItem(open, 0, "Sell");
    ASSERT_NE(sell, nullptr);
    OnSheet(
        [&] {
            sell->trigger();
            QApplication::processEvents();  // the menu's command runs from the event loop
        },
        [](QWidget& sheet) {
            EXPECT_EQ(sheet.windowTitle().toStdString(), "Sell");
            EXPECT_EQ(TextOf(sheet, 1048), "100");
            QTest::keyClick(Type(sheet, 1049, "12"), Qt::Key_Return);
        });
    EXPECT_EQ(movements->model()->rowCount(), 3);
    EXPECT_EQ(open->model()->rowCount(), 0);
    EXPECT_EQ(GridOfTab(frame, 2)->model()->rowCount(), 1);
    EXPECT_EQ(Rated(frame, "Closed Trades"), "134.00");  // 1200 - 8 - 1058
    EXPECT_EQ(Rated(frame, "Settlement"), "5,134.00");
    EXPECT_TRUE(messages.empty());

    // The host may run the module's commands on a view of its own.
    ASSERT_NE(registry.Commands().otros, nullptr);
    OnSheet([&] { registry.Commands().otros(frame->GetActiveView()); },
            [](QWidget& sheet) {
                EXPECT_EQ(sheet.windowTitle().toStdString(), ::LS(3394));
                QTest::keyClick(&sheet, Qt::Key_Escape);
            });
    EXPECT_EQ(movements->model()->rowCount(), 3);
}

}  // namespace
}  // namespace cartera::gui
