// The Rating table's heading row in its own colours, never the selection's, in French too.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

using WindowFinishTest = WindowTest;

TEST_F(WindowFinishTest, RatingHeadingRowKeepsItsOwnColours) {
    SetLanguage(Language::fr);
    int d = DateNumber(2026, 3, 2);
    CDocCartera* doc = Open(WritePortfolio(
        "Finition",
        {Cash(kImposition, 1, 10000, d), Exec(true, "SAN.MC", 100, 4.0, 0.0, d),
         Exec(true, "ITX.MC", 10, 40.0, 0.0, d), Exec(false, "ITX.MC", 10, 44.0, 0.0, d)}));
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);
    frame->resize(1000, 600);
    frame->show();
    QTabWidget* tabs = frame->GetTabWnd();
    // The heading row shows its own background, not the selection's, on the current row.
    tabs->setCurrentIndex(3);
    QApplication::processEvents();
    qt::GridView* rating = Rating(frame)->GetGridWindow();
    ASSERT_EQ(rating->currentIndex().row(), 0);
    QImage shown = rating->viewport()->grab().toImage();
    QRect heading = rating->visualRect(rating->model()->index(0, 0));
    EXPECT_EQ(QColor(shown.pixel(heading.topLeft() + QPoint(3, 3))), QColor(153, 199, 228));
    QDir(QStringLiteral(CARTERA_SCREENSHOT_DIR)).mkpath(".");
    frame->grab().save(QStringLiteral(CARTERA_SCREENSHOT_DIR "/rating-fr.png"));
    SetLanguage(Language::en);
}

}  // namespace
}  // namespace cartera::window::testing
