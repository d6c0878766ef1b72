#pragma once
// The workstation tests' common ground: hooks kept, a home folder and settings file of their
// own, a private market service, the portfolio module loaded, and every message box recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/module_loader.h"
#include "app/gui/workstation.h"
#include "framework/frame.h"
#include "framework/module.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/mem_env.h"
#include "testing/test_hooks.h"

namespace cartera::gui::testing {

inline qt::GridView* GridOfTab(CMDIChildWnd* frame, int index) {
    return frame->findChild<QTabWidget*>()->widget(index)->findChild<qt::GridView*>();
}

// The field of an entry sheet with control id (its object name).
inline QWidget* Field(QWidget* sheet, int id) {
    return sheet->findChild<QWidget*>(QString::number(id));
}
constexpr int kSymbol = 1053, kContracts = 1048, kPrice = 1049;  // the buy sheet's fields

// Types a new order into the buy sheet: the security (Return looks it up), contracts, price.
inline void TypeOrder(QWidget* sheet, const char* code, const char* contracts, const char* price) {
    auto* symbol = Field(sheet, kSymbol)->findChild<QLineEdit*>();
    QTest::keyClicks(symbol, code);
    QTest::keyClick(symbol, Qt::Key_Return);
    QTest::keyClicks(Field(sheet, kContracts), contracts);
    QTest::keyClicks(Field(sheet, kPrice), price);
}

// Answers the name dialog about to open with name typed and Return, once its modal loop runs.
inline void AnswerNameDialog(const QString& name) {
    QTimer::singleShot(0, [name] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->findChild<QLineEdit*>(), name);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
}

// Every process-wide hook is kept; the home folder is a fresh temporary one.
class WorkstationTestBase : public cartera::testing::HooksTest {
  protected:
    WorkstationTestBase() : settings(home.filePath("workstation.ini"), QSettings::IniFormat) {
        CMarketService::SetCurrent(&market);
        SetMessageBoxHandler([this](const std::string& text, unsigned type) {
            messages.push_back(text);
            return (type & 0xF) == MB_YESNO ? yesNoAnswer : IDOK;
        });
    }
    ~WorkstationTestBase() override { window.reset(); }
    // Loads the portfolio module into registry and shows window at that size, active.
    void ShowWorkstation(int width, int height) {
        EXPECT_EQ(LoadModule(QString::fromLatin1(kPortfolioModule), ModuleSearchPath(), &registry)
                      .message(),
                  "");
        window = std::make_unique<Workstation>(registry, &settings, ctx);
        window->resize(width, height);
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    std::string WritePortfolio(const std::string& name,
                               const std::vector<COrderCartera>& movements) const {
        std::string path = GetPMngFullPath(ctx, ORVO_PATH_PORTFOLIOS) + name + ".cartera";
        CSistemaCartera ledger{ctx};
        PortfolioDocument file{&ledger, ctx.env};
        EXPECT_EQ(file.SaveAs(path).message(), "");
        ledger.AddOrders(movements);
        return path;
    }
    QWidget* Focus() {
        return QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    }
    // Alt+menuKey opens a menu; itemKey chooses its item by its mnemonic.
    void ChooseFromMenuBar(Qt::Key menuKey, Qt::Key itemKey) {
        QApplication::setActiveWindow(window.get());  // back from a dialog
        QTest::keyClick(window.get(), menuKey, Qt::AltModifier);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        QTest::keyClick(popup, itemKey);
    }

    QDir home{QString::fromStdString(hooks.Home())};
    cartera::testing::RedirectEnv files{PosixEnv()};  // a test may swap in another
    Context ctx{&files, {}, hooks.Home(), Language::en};
    QSettings settings;
    CMarketService market;
    ui::ModuleRegistry registry;
    std::unique_ptr<Workstation> window;
    std::vector<std::string> messages;
    int yesNoAnswer = IDNO;  // how Yes/No questions are answered
};

}  // namespace cartera::gui::testing
