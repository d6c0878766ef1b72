// The workstation's finish as a user meets it: where the keyboard goes after a dialog, what
// the sheets are called.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/gui/startup.h"
#include "app/gui/test_workstation.h"
#include "framework/frame.h"
#include "host/qt/grid_view.h"
#include "testing/test_ledger.h"

namespace cartera::gui {
namespace {

using cartera::testing::Exec;

class FinishTest : public testing::WorkstationTestBase {
  protected:
    // A portfolio of movements (three buys unless given), saved as NAME.cartera; its path.
    static std::string Write(const std::string& name, std::vector<COrderCartera> movements = {}) {
        if (movements.empty())
            movements = {Exec(true, "SAN.MC", 100, 4.25), Exec(true, "TEF.MC", 20, 10.0),
                         Exec(true, "BBVA.MC", 3, 9.0)};
        return WritePortfolio(name, movements);
    }
    // The buy sheet's field of control id (its object name).
    static QWidget* Field(QWidget* sheet, int id) {
        return sheet->findChild<QWidget*>(QString::number(id));
    }
    // Types a new order into the buy sheet: security, contracts, price.
    static void TypeOrder(QWidget* sheet, const char* code, const char* contracts,
                          const char* price) {
        auto* symbol = Field(sheet, kSymbol)->findChild<QLineEdit*>();
        QTest::keyClicks(symbol, code);
        QTest::keyClick(symbol, Qt::Key_Return);
        QTest::keyClicks(Field(sheet, kContracts), contracts);
        QTest::keyClicks(Field(sheet, kPrice), price);
    }
    static constexpr int kSymbol = 1053, kContracts = 1048, kPrice = 1049;
    // Runs then on the dialog that opens next, once it shows.
    static void OnNextDialog(std::function<void(QWidget* dialog)> then, QWidget* over = nullptr) {
        QTimer::singleShot(10, [then, over] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog == over) return OnNextDialog(then, over);
            QApplication::setActiveWindow(dialog);  // as the window manager does
            then(dialog);
        });
    }
};

TEST_F(FinishTest, FocusComesBackToTheGridCellAndTheFieldADialogWasOpenedFrom) {
    std::string path = Write("Focus");
    ShowWorkstation(1000, 700);
    ASSERT_NE(window->OpenFile(path), nullptr);
    auto* grid = testing::GridOfTab(window->ActiveFrame(), 0);
    QModelIndex cell = grid->model()->index(2, 4);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    ASSERT_EQ(QApplication::focusWidget(), grid);

    // The buy sheet, cancelled and then recorded: the grid and its cell have the keyboard.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        OnNextDialog([key](QWidget* sheet) {
            TypeOrder(sheet, "ITX.MC", "5", "30");
            QTest::keyClick(QApplication::focusWidget(), key);
        });
        ChooseFromMenuBar(Qt::Key_P, Qt::Key_B);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), grid) << "after key " << key;
        EXPECT_EQ(grid->currentIndex(), cell);
    }
    EXPECT_EQ(grid->model()->rowCount(), 4);

    // A real message box over a sheet's field hands the keyboard back to that field.
    SetMessageBoxHandler(ShowMessageBox);
    QWidget* focusAfterBox = nullptr;
    OnNextDialog([&focusAfterBox](QWidget* sheet) {
        TypeOrder(sheet, "SAN.MC", "5", "3000");  // 700 times the last buy: a question
        QWidget* price = Field(sheet, kPrice);
        OnNextDialog([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, sheet);
        QTest::keyClick(price, Qt::Key_Return);
        focusAfterBox = QApplication::focusWidget();
        QTest::keyClick(sheet, Qt::Key_Escape);
        EXPECT_EQ(focusAfterBox, price);
    });
    ChooseFromMenuBar(Qt::Key_P, Qt::Key_B);
    EXPECT_NE(focusAfterBox, nullptr);
}

// Each sheet's title says Buy or Sell, and follows the interface language.
TEST_F(FinishTest, SheetTitlesNameTheSide) {
    std::string path =
        Write("Sides", {Exec(true, "SAN.MC", 100, 4.25), Exec(false, "SAN.MC", 40, 4.5)});
    ShowWorkstation(1000, 700);
    ASSERT_NE(window->OpenFile(path), nullptr);
    auto* grid = testing::GridOfTab(window->ActiveFrame(), 0);
    struct Case {
        Language language;
        std::vector<QString> titles;  // buy, sell, modify the buy, modify the sell
    };
    const std::vector<Case> cases = {
        {Language::en, {"Buy", "Sell", "Modify buy", "Modify sell"}},
        {Language::de, {"Kauf", "Verkauf", "Kauf ändern", "Verkauf ändern"}},
    };
    for (const Case& c : cases) {
        SetLanguage(c.language);
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
        if (titles.size() == 4 && titles[2] != c.titles[2]) std::swap(titles[2], titles[3]);
        EXPECT_EQ(titles, c.titles) << LanguageCode(c.language);
    }
}

}  // namespace
}  // namespace cartera::gui
