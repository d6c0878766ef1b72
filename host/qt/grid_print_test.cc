#include "host/qt/grid_print.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "host/qt/test_support.h"

namespace cartera::qt {
namespace {

using testing::RecordingGrid;

// The text pdftotext reads from a PDF file; empty when it cannot.
QString PdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    if (!process.waitForFinished(10000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

class GridPrintTest : public ::testing::Test {
  protected:
    GridPrintTest() {
        grid.Create();
        grid.Fill(120);
        grid.QuickSetText(1, 0, "SAN.MC");
    }
    RecordingGrid grid;
    QTemporaryDir dir;
};

TEST_F(GridPrintTest, PdfHoldsTheVisibleHeadingsOnEveryPageAndTheRows) {
    ASSERT_TRUE(dir.isValid());
    QString path = dir.filePath("grid.pdf");
    ASSERT_TRUE(ExportGridToPdf(grid, path, "Movements of Test"));
    EXPECT_GT(QFileInfo(path).size(), 0);

    QString text = PdfText(path);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    EXPECT_TRUE(text.contains("Movements of Test"));
    EXPECT_TRUE(text.contains("SAN.MC"));
    EXPECT_TRUE(text.contains("r119c0"));  // the last row made it
    EXPECT_FALSE(text.contains("Group"));  // the hidden column's heading
    EXPECT_FALSE(text.contains("r5c2"));   // and its cells
    // 120 rows of 20 pixels do not fit one A4 page; each page repeats the headings.
    int pages = text.count('\f');
    EXPECT_GE(pages, 2);
    EXPECT_EQ(text.count("Contracts"), pages);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("1 ?/ ?%1").arg(pages))));
}

TEST_F(GridPrintTest, PagesFollowTheRowsThatFit) {
    QPdfWriter big(dir.filePath("a.pdf"));
    big.setResolution(96);
    int manyRows = PrintGrid(grid, &big, "t");
    grid.Fill(3);
    QPdfWriter small(dir.filePath("b.pdf"));
    small.setResolution(96);
    EXPECT_EQ(PrintGrid(grid, &small, "t"), 1);
    EXPECT_GT(manyRows, 1);
    EXPECT_EQ(PrintGrid(grid, nullptr, "t"), 0);
}

TEST_F(GridPrintTest, ImprimirOpensThePrintDialog) {
    EXPECT_EQ(grid.Imprimir(), 0);  // no handler yet
    InstallPrintHandler(grid, nullptr, "t");
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialogSeen = true;
            dialog->reject();
        }
    });
    EXPECT_EQ(grid.Imprimir(), 0);  // cancelled
    EXPECT_TRUE(dialogSeen);
    grid.SetPrintHandler(nullptr);
}

}  // namespace
}  // namespace cartera::qt
