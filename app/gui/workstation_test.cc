#include "app/gui/workstation.h"

#include <dlfcn.h>
#include <gmock/gmock.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <cerrno>
#include <functional>
#include <map>

#include "app/gui/startup.h"
#include "app/gui/test_workstation.h"
#include "commissions/comisiones.h"
#include "framework/dialog_template.h"
#include "framework/document.h"
#include "framework/view.h"
#include "host/env.h"
#include "host/qt/grid_view.h"
#include "testing/faulty_env.h"
#include "testing/test_ledger.h"
#include "testing/test_support.h"

// The workstation's tests run under its own application, event guard included.
std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv);
std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv) {
    return std::make_unique<cartera::gui::GuardedApplication>(argc, argv);
}

namespace cartera::gui {
namespace {

using cartera::testing::Exec;

// Runs then on the dialog that opens next, once it shows, made active as the window manager
// makes it.
void OnNextDialog(std::function<void(QWidget* dialog)> then, QWidget* over = nullptr) {
    QTimer::singleShot(10, [then, over] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog == over) return OnNextDialog(then, over);
        QApplication::setActiveWindow(dialog);
        then(dialog);
    });
}

// Runs drive on the modal sheet that run opens, once it shows, then checks that it closed.
void OnSheet(const std::function<void()>& run, const std::function<void(QWidget&)>& drive) {
    bool driven = false;
    OnNextDialog([&](QWidget* sheet) { driven = true, drive(*sheet); });
    run();
    EXPECT_TRUE(driven);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

using WorkstationTest = testing::WorkstationTestBase;

TEST_F(WorkstationTest, AMissingOrOtherVersionModuleIsRefusedWithItsReasonAndReleased) {
    const QString here = QCoreApplication::applicationDirPath();
    const QString other = "libcartera-other-version.so";
    const std::string ours = "needs version " + std::to_string(ui::kModuleInterfaceVersion);
    const std::string its = "version " + std::to_string(ui::kModuleInterfaceVersion + 1) + ";";
    using Case = std::tuple<QString, ErrorKind, std::vector<std::string>>;  // file, error, named
    for (const auto& [file, kind, named] :
         {Case{
              "libcartera-nothing.so", ErrorKind::not_found, {"libcartera-nothing.so", "/nowhere"}},
          Case{other, ErrorKind::damaged, {other.toStdString(), ours, its}}}) {
        Status loaded = LoadModule(file, {"/nowhere", here}, &registry);
        EXPECT_EQ(loaded.ok() ? ErrorKind::bug : loaded.kind(), kind);
        for (const std::string& text : named)
            EXPECT_THAT(loaded.message(), ::testing::HasSubstr(text));
        EXPECT_TRUE(registry.DocTypes().empty());
    }
    // The refused module is unloaded: asking without loading finds it gone.
    EXPECT_EQ(dlopen((here + "/" + other).toUtf8().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

// An exception that reaches the event loop, from a click or a queued call, is told in a
// message box, and the next event is handled as before.
TEST_F(WorkstationTest, AnUnexpectedExceptionIsToldAndTheWorkstationGoesOn) {
    QPushButton button;
    int calls = 0;
    auto odd = [&calls] {
        if (++calls % 2) throw std::runtime_error("disk on fire");
    };
    QObject::connect(&button, &QPushButton::clicked, odd);
    button.show();
    const std::function<void()> ways[] = {[&] { QTest::mouseClick(&button, Qt::LeftButton); },
                                          [&] {
                                              QMetaObject::invokeMethod(&button, odd,
                                                                        Qt::QueuedConnection);
                                              QApplication::processEvents();
                                          }};
    for (const auto& deliver : ways) {
        messages.clear();
        deliver();
        deliver();
        EXPECT_EQ(messages, std::vector{FillText(::LS(40112), {"disk on fire"})});
    }
    EXPECT_EQ(calls, 4);
}

// The mnemonic letter of a text ("&Comprar" gives "c"); empty for none.
QString Letter(const QString& text) {
    const int amp = text.indexOf(QLatin1Char('&'));
    return amp >= 0 ? text.mid(amp + 1, 1).toLower() : QString();
}

TEST_F(WorkstationTest, PortfoliosAreCreatedSavedAndTypedInEachLanguageAndFocusComesBack) {
    market.AddSymbol({"TEF", "Telefonica", 2, 'V', 10.0});
    ShowWorkstation(1000, 700);
    ASSERT_EQ(window->Templates().size(), 1u);

    testing::AnswerNameDialog("Growth");
    CDocument* doc = window->NewDocument();
    ASSERT_NE(doc, nullptr);
    std::string path = GetPMngFullPath(ctx, ORVO_PATH_PORTFOLIOS) + "Growth.cartera";
    EXPECT_EQ(std::pair(doc->GetPathName(), window->RecentFiles().value(0).toStdString()),
              std::pair(path, path));
    ASSERT_EQ(window->Area()->subWindowList().size(), 1);
    CMDIChildWnd* frame = window->ActiveFrame();
    ASSERT_NE(frame, nullptr);

    // Menu items show their command's prompt in the status bar.
    std::map<std::string, QAction*> items;
    for (QAction* menu : window->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            items[item->text().remove('&').toStdString()] = item;
    for (const std::string& text :
         {std::string("Other"), std::string("Buy"), ::LS(40000), ::LS(40008)})
        ASSERT_TRUE(items.count(text)) << text;
    EXPECT_EQ(items["Other"]->statusTip().toStdString(), "Other operations");
    // Exit keeps its conventional x (Alt+F, X quits), which no other File item takes.
    for (QAction* item : window->menuBar()->actions().value(0)->menu()->actions())
        EXPECT_EQ(item->text().toLower().contains("&x"), item == items["Exit"])
            << item->text().toStdString();
    EXPECT_EQ(items[::LS(40000)]->statusTip().toStdString(), ::LS(40000));

    // The module's menu reaches the active view, which opens the module's buy sheet; its
    // save fails: the window is marked, and File > Save writes it once the cause is gone.
    QFile file(QString::fromStdString(path));
    const qint64 empty = file.size();
    ASSERT_GT(empty, 0);
    {
        std::unique_ptr<Env> failing = MakeFaultyPosixEnv(SaveStep::fsync, ENOSPC);
        files.Redirect(failing.get());
        OnSheet([&] { items["Buy"]->trigger(); },
                [](QWidget& sheet) {
                    EXPECT_EQ(sheet.windowTitle().toStdString(), ::LS(3391));
                    testing::TypeOrder(&sheet, "tef", "100", "10.5");
                    QTest::keyClick(testing::Field(&sheet, testing::kPrice), Qt::Key_Return);
                });
        files.Redirect(PosixEnv());
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(window->Area()->currentSubWindow()->windowTitle(), "Growth.cartera *");
    EXPECT_EQ(file.size(), empty);
    items[::LS(40008)]->trigger();
    EXPECT_EQ(window->Area()->currentSubWindow()->windowTitle(), "Growth.cartera");
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
    CAdmComisiones english(ctx);
    english.Add(cartera::testing::Bracket("Maison", 4, 0, 1000));
    ASSERT_TRUE(english.Save().ok());
    window->SetInterfaceLanguage(Language::fr);
    OnSheet([&] { window->SendCommand(33751); },
            [](QWidget& editor) {
                auto* names = editor.findChild<QComboBox*>();
                ASSERT_NE(names, nullptr);
                EXPECT_EQ(names->findText("Maison"), 0);
                qobject_cast<QDialog*>(&editor)->reject();
            });
    QStringList menus;
    for (QAction* action : window->menuBar()->actions()) menus << action->text().remove('&');
    EXPECT_EQ(menus.value(0).toStdString(), ::LS(40007));
    EXPECT_TRUE(menus.contains("Portefeuille")) << menus.join(",").toStdString();
    EXPECT_EQ(frame->findChild<QTabWidget*>()->tabText(0).toStdString(), ::LS(3377));
    EXPECT_EQ(settings.value("language").toString(), "fr");
    // Each language gives the menus and the window's buttons letters of their own, and an order
    // is typed from the keyboard alone: Alt and the Buy button's letter, the code, Tab,
    // contracts, Tab, price, Enter.
    QString buyLetter;
    QPushButton* buy = nullptr;
    for (Language lang : {Language::en, Language::de, Language::fr, Language::it, Language::es}) {
        window->SetInterfaceLanguage(lang);
        QStringList letters;
        for (QAction* menu : window->menuBar()->actions()) letters << Letter(menu->text());
        for (QPushButton* button : frame->findChildren<QPushButton*>()) {
            letters << Letter(button->text());
            if (button->text() ==
                QString::fromStdString(ui::FindDialogTemplate(3367)->Find(33748)->Text()))
                buyLetter = Letter(button->text()), buy = button;
        }
        EXPECT_EQ(QSet<QString>(letters.begin(), letters.end()).size(), letters.size())
            << LanguageCode(lang) << ": " << letters.join(' ').toStdString();
        EXPECT_FALSE(letters.contains(QString())) << LanguageCode(lang);
        // Qt's own texts follow: the Yes button of a question.
        QMessageBox question(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(question.button(QMessageBox::Yes)->text().remove('&').toStdString(),
                  (std::map<Language, std::string>{{Language::en, "Yes"},
                                                   {Language::de, "Ja"},
                                                   {Language::fr, "Oui"},
                                                   {Language::it, "S\u00ec"},
                                                   {Language::es, "S\u00ed"}}[lang]));
    }
    ASSERT_EQ(buyLetter, "c");  // Comprar
    auto* grid = testing::GridOfTab(frame, 0);
    ASSERT_NE(grid, nullptr);
    QApplication::setActiveWindow(window.get());
    grid->setFocus();
    OnSheet([&] { buy->click(); },  // Alt+C under a window system
            [](QWidget& sheet) {
                EXPECT_EQ(sheet.windowTitle().toStdString(), ::LS(3391));
                QTest::keyClicks(QApplication::focusWidget(), "tef");
                for (const char* typed : {"10", "10,5"}) {
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QTest::keyClicks(QApplication::focusWidget(), typed);
                }
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                if (sheet.isVisible()) qobject_cast<QDialog*>(&sheet)->reject();
            });
    EXPECT_EQ(grid->model()->rowCount(), 2) << "the first buy and the typed one";
    window->SetInterfaceLanguage(Language::en);

    // Each sheet's title says Buy or Sell in the interface language; after a sheet or a message
    // box the keyboard is back in the grid cell or the field it was opened from.
    std::string sides =
        WritePortfolio("Sides", {Exec(true, "SAN.MC", 100, 4.25), Exec(false, "SAN.MC", 40, 4.5)});
    ASSERT_NE(window->OpenFile(sides), nullptr);
    grid = testing::GridOfTab(window->ActiveFrame(), 0);
    using Case = std::pair<Language, std::vector<QString>>;  // buy, sell, modify each
    for (const auto& [language, expected] :
         {Case{Language::de, {"Kauf", "Verkauf", "Kauf ändern", "Verkauf ändern"}},
          Case{Language::en, {"Buy", "Sell", "Modify buy", "Modify sell"}}}) {
        SetLanguage(language);
        std::vector<QString> titles;
        auto record = [&titles](QWidget* sheet) {
            titles.push_back(sheet->windowTitle());
            QTest::keyClick(sheet, Qt::Key_Escape);
        };
        for (int command : {33748, 33749}) {
            OnNextDialog(record);
            window->SendCommand(command);
        }
        for (int row : {0, 1}) {
            QMenu* menu = grid->OpenContextMenu(0, row, UG_GRID, grid->mapToGlobal(QPoint(5, 5)));
            ASSERT_NE(menu, nullptr);
            QAction* modify = nullptr;
            for (QAction* item : menu->actions())
                if (item->text() == QString::fromStdString(::LS(3459))) modify = item;
            ASSERT_NE(modify, nullptr);
            size_t before = titles.size();
            OnNextDialog(record);
            modify->trigger();  // the grid runs its command once the menu is gone
            menu->hide();
            EXPECT_TRUE(QTest::qWaitFor([&] { return titles.size() > before; }));
        }
        // The grid shows the sell first or second by its sort; which one is not the point.
        if (titles.size() == 4 && titles[2] != expected[2]) std::swap(titles[2], titles[3]);
        EXPECT_EQ(titles, expected) << LanguageCode(language);
    }

    QModelIndex cell = grid->model()->index(1, 4);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    ASSERT_EQ(QApplication::focusWidget(), grid);
    // The buy sheet, cancelled and then recorded: the grid and its cell have the keyboard.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        OnNextDialog([key](QWidget* sheet) {
            testing::TypeOrder(sheet, "ITX.MC", "5", "30");
            QTest::keyClick(QApplication::focusWidget(), key);
        });
        ChooseFromMenuBar(Qt::Key_P, Qt::Key_B);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), grid) << "after key " << key;
        EXPECT_EQ(grid->currentIndex(), cell);
    }
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // A real message box over a sheet's field hands the keyboard back to that field.
    SetMessageBoxHandler(ShowMessageBox);
    QWidget* focusAfterBox = nullptr;
    OnNextDialog([&focusAfterBox](QWidget* sheet) {
        testing::TypeOrder(sheet, "SAN.MC", "5", "3000");  // 700 times the last buy: a question
        QWidget* price = testing::Field(sheet, testing::kPrice);
        OnNextDialog([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, sheet);
        QTest::keyClick(price, Qt::Key_Return);
        focusAfterBox = QApplication::focusWidget();
        QTest::keyClick(sheet, Qt::Key_Escape);
        EXPECT_EQ(focusAfterBox, price) << focusAfterBox->metaObject()->className() << " "
                                        << focusAfterBox->objectName().toStdString();
    });
    ChooseFromMenuBar(Qt::Key_P, Qt::Key_B);
    EXPECT_NE(focusAfterBox, nullptr);
}

// The command line as a user meets it in a terminal: help and version print and exit even
// where no window could open, as a platform whose display is missing would abort the program.
TEST(WorkstationCommandLine, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/cartera");
    for (auto [option, shows] :
         {std::pair("--help", "--simulate"), {"-h", "--home"}, {"--version", "Cartera 0.1"}}) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, {QString::fromLatin1(option)});
        ASSERT_TRUE(process.waitForFinished(30000)) << option;
        EXPECT_EQ(std::pair(process.exitStatus(), process.exitCode()),
                  std::pair(QProcess::NormalExit, 0))
            << option << process.readAllStandardError().data();
        EXPECT_TRUE(process.readAllStandardOutput().contains(shows)) << option;
    }
}

}  // namespace
}  // namespace cartera::gui
