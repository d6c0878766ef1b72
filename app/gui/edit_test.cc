// Edit in the workstation as a user does it: rows selected with the mouse and the keys,
// copied, deleted at once, and the deletion undone and redone from the keyboard.
#include <QClipboard>
#include <QMenuBar>

#include "app/gui/test_workstation.h"
#include "testing/test_ledger.h"

namespace cartera::gui {
namespace {

using EditTest = testing::WorkstationTestBase;
using cartera::testing::Cash;
using cartera::testing::Exec;

// The movements' contracts in journal order, as the portfolio file holds them.
std::vector<int32_t> FileContracts(const std::string& path) {
    CSistemaCartera ledger;
    PortfolioDocument file{&ledger};
    EXPECT_EQ(file.Load(path).message(), "");
    std::vector<int32_t> contracts;
    for (const COrderCartera& m : ledger.GetOrders()) contracts.push_back(m.contracts);
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

TEST_F(EditTest, SelectedRowsAreCopiedAndDeletedAsOneStepThatUndoAndRedoTakeBack) {
    std::string path =
        WritePortfolio("Edit", {Cash(kImposition, 1, 5000), Exec(true, "SAN.MC", 100, 4.25),
                                Exec(true, "TEF.MC", 20, 10.0), Exec(true, "BBVA.MC", 3, 9.0)});
    ShowWorkstation(1000, 700);
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
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(CopiedLines(grid).size(), 4);
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(CopiedLines(grid).size(), 5);

    // Delete removes the selection after one question, as one save.
    Click(grid, 1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    yesNoAnswer = IDYES;
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
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3}));

    // Another program's change empties the history: the next Ctrl+Z, which would have
    // brought the deleted rows back, leaves its file alone.
    AddFromOutside(path, Exec(true, "ITX.MC", 7, 30.0));
    frame->OnTimer(0);  // the idle look at the file
    EXPECT_EQ(grid->model()->rowCount(), 3);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(FileContracts(path), (std::vector<int32_t>{1, 3, 7}));
    emit edit->aboutToShow();
    EXPECT_FALSE(edit->actions().value(0)->isEnabled());
    EXPECT_EQ(edit->actions().value(0)->text().remove('&'), "Undo");
}

}  // namespace
}  // namespace cartera::gui
