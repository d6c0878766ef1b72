// Starts the workstation on the demo portfolio as `cartera --demo` does, lets the market run
// and saves a picture of each tab under the build folder (screenshots/).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QTabWidget>
#include <QTimerEvent>

#include "app/gui/startup.h"
#include "app/gui/workstation.h"
#include "framework/frame.h"
#include "framework/view.h"
#include "host/qt/feed_driver.h"
#include "host/qt/grid_model.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"

namespace cartera::gui {
namespace {

TEST(ScreenshotTest, DemoPortfolioOnEachTab) {
    StartupOptions options;
    options.demo = true;
    options.seed = 11;
    options.language = "en";
    WorkstationApp app(options);
    QString error;
    ASSERT_TRUE(app.Start(&error)) << error.toStdString();
    ASSERT_TRUE(QFileInfo::exists(app.DemoPath()));
    Workstation* window = app.Window();
    window->resize(1180, 720);
    window->show();
    QApplication::processEvents();

    CMDIChildWnd* frame = window->ActiveFrame();
    ASSERT_NE(frame, nullptr);
    auto* tabs = frame->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);
    QList<qt::GridView*> grids = frame->findChildren<qt::GridView*>();
    ASSERT_EQ(grids.size(), 4);

    // The open trades tick on the first start: a few feed rounds and one idle run later the
    // open-trade rows show other prices.
    qt::GridView* open = qobject_cast<qt::GridView*>(tabs->widget(1)->focusProxy());
    ASSERT_NE(open, nullptr);
    ASSERT_GT(open->model()->rowCount(), 0);
    auto snapshot = [open] {
        QStringList rows;
        for (int r = 0; r < open->model()->rowCount(); ++r)
            for (int c = 0; c < open->model()->columnCount(); ++c)
                rows << open->model()->index(r, c).data().toString();
        return rows;
    };
    QStringList before = snapshot();
    for (int i = 0; i < 8; ++i) app.Feed()->Simulated()->Step();
    QTimerEvent idle(100);
    QApplication::sendEvent(frame, &idle);
    EXPECT_NE(snapshot(), before);

    QDir dir(QStringLiteral(CARTERA_SCREENSHOT_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    const char* names[] = {"movements", "open-trades", "closed-trades", "rating"};
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        QPixmap picture = window->grab();
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), window->size());
        QString file =
            dir.filePath(QStringLiteral("workstation-%1-%2.png").arg(i + 1).arg(names[i]));
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
        // The tab as File > Export to PDF writes it.
        std::string pdf =
            dir.filePath(QStringLiteral("workstation-%1-%2.pdf").arg(i + 1).arg(names[i]))
                .toStdString();
        std::string why;
        EXPECT_TRUE(frame->GetActiveView()->ExportToPdf(pdf, &why)) << why;
    }

    // Two portfolios tiled, in German.
    QString copy = QFileInfo(app.DemoPath()).dir().filePath(QStringLiteral("Demo 2.cartera"));
    ASSERT_TRUE(QFile::copy(app.DemoPath(), copy));
    ASSERT_NE(window->OpenFile(copy.toStdString()), nullptr);
    window->Area()->tileSubWindows();
    window->SetInterfaceLanguage(Language::de);
    QApplication::processEvents();
    EXPECT_EQ(tabs->tabText(0).toStdString(), LS(3377, Language::de));
    EXPECT_TRUE(window->grab().save(dir.filePath(QStringLiteral("workstation-5-tiled-de.png"))));
    window->SetInterfaceLanguage(Language::en);
}

}  // namespace
}  // namespace cartera::gui
