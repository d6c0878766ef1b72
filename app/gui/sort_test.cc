// Sorting a portfolio grid by its headings, as desktop users expect it.
#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QTabWidget>
#include <QTest>

#include "app/gui/test_workstation.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "host/qt/grid_view.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/test_ledger.h"

namespace cartera::gui {
namespace {

using SortTest = testing::WorkstationTestBase;
using cartera::testing::Exec;

int Column(qt::GridView* grid, const QString& heading) {
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString() == heading) return c;
    return -1;
}

QString Cell(qt::GridView* grid, int row, const QString& heading) {
    return grid->model()->index(row, Column(grid, heading)).data().toString();
}

void ClickHeading(qt::GridView* grid, const QString& heading) {
    QHeaderView* header = grid->horizontalHeader();
    int col = Column(grid, heading);
    QPoint at(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Whether the sort arrow at the right end of the heading of col points up: its dark pixels
// form a triangle wider at the bottom.
bool ArrowPointsUp(qt::GridView* grid, int col) {
    QHeaderView* header = grid->horizontalHeader();
    QImage image = header->grab().toImage();
    int right = header->sectionViewportPosition(col) + header->sectionSize(col);
    std::vector<int> widths;
    for (int y = 0; y < image.height(); ++y) {
        int dark = 0;
        for (int x = right - 14; x < right - 2; ++x) dark += qGray(image.pixel(x, y)) < 140;
        if (dark > 0) widths.push_back(dark);
    }
    return widths.size() >= 2 && widths.front() < widths.back();
}

TEST_F(SortTest, ANewHeadingSortsAscendingArrowUpAndTheSortSurvivesAnOutsideChange) {
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + "Sort.cartera";
    {
        CSistemaCartera ledger;
        PortfolioDocument file{&ledger};
        ASSERT_EQ(file.SaveAs(path).message(), "");
        ledger.AddOrders({Exec(true, "A.MC", 30, 5.0), Exec(true, "B.MC", 10, 3.0),
                          Exec(true, "C.MC", 20, 9.0)});
    }
    ShowWorkstation(1000, 600);
    ASSERT_NE(window->OpenFile(path), nullptr);
    CMDIChildWnd* frame = window->ActiveFrame();
    auto* grid = frame->findChild<QTabWidget*>()->widget(0)->findChild<qt::GridView*>();
    // The file holds the grids' layouts as they were before the clicks.
    ASSERT_TRUE(frame->GetActiveDocument()->OnFileSave());

    ClickHeading(grid, "Price");
    EXPECT_EQ(Cell(grid, 0, "Price"), "3.00");
    EXPECT_TRUE(ArrowPointsUp(grid, Column(grid, "Price")));
    grid->window()->grab().save(QStringLiteral(CARTERA_SCREENSHOT_DIR) + "/sort-ascending.png");
    ClickHeading(grid, "Price");
    EXPECT_EQ(Cell(grid, 0, "Price"), "9.00");
    EXPECT_FALSE(ArrowPointsUp(grid, Column(grid, "Price")));
    // After a descending sort, another heading still starts ascending.
    ClickHeading(grid, "Contracts");
    EXPECT_EQ(Cell(grid, 0, "Contracts"), "10");

    {
        CSistemaCartera other;
        PortfolioDocument file{&other};
        ASSERT_EQ(file.Load(path).message(), "");
        other.AddOrder(Exec(true, "D.MC", 1, 7.0));
    }
    frame->OnTimer(0);  // the idle look at the file reads it again
    ASSERT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(Cell(grid, 0, "Contracts"), "1");
    EXPECT_EQ(Cell(grid, 3, "Contracts"), "30");
}

}  // namespace
}  // namespace cartera::gui
