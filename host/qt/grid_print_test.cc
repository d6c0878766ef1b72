#include "host/qt/grid_print.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "host/grid/grid_control.h"
#include "testing/test_qt.h"

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

// Columns widen to their texts whatever the grid's widths, which printing leaves alone.
TEST_F(GridPrintTest, PdfHoldsTheVisibleHeadingsOnEveryPageWholeTextsAndImprimirAsks) {
    const std::string name = "Banco Bilbao Vizcaya Argentaria, Sociedad Anonima";
    grid.QuickSetText(1, 4, name);
    grid.SetColWidth(1, 25);
    ASSERT_TRUE(dir.isValid());
    QString path = dir.filePath("grid.pdf");
    ASSERT_TRUE(ExportGridToPdf(grid, path, "Movements of Test"));

    QString text = PdfText(path);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    // The title, a cell, the last row; not the hidden column's heading nor its cells.
    for (const char* shown : {"Movements of Test", "SAN.MC", "r119c0"})
        EXPECT_TRUE(text.contains(shown)) << shown;
    EXPECT_FALSE(text.contains("Group") || text.contains("r5c2"));
    EXPECT_TRUE(text.contains(QString::fromStdString(name))) << text.toStdString();
    EXPECT_FALSE(text.contains(QChar(0x2026)));  // nothing elided
    EXPECT_EQ(grid.GetColWidth(1), 25);
    // 120 rows of 20 pixels do not fit one A4 page; each page repeats the headings.
    int pages = text.count('\f');
    EXPECT_GE(pages, 2);
    EXPECT_EQ(text.count("Contracts"), pages);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("1 ?/ ?%1").arg(pages))));

    // Imprimir opens the print dialog once a handler is installed.
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

// A bare grid of cols columns "Field NN" and rows rows of texts "fNNrMM".
class WideGridPrintTest : public ::testing::Test {
  protected:
    void Fill(int cols, int rows) {
        grid.SetTH_Height(20);
        grid.SetDefRowHeight(20);
        grid.SetNumberCols(cols);
        grid.SetNumberRows(rows);
        for (int c = 0; c < cols; ++c) {
            grid.SetColWidth(c, 40);
            grid.QuickSetText(c, -1,
                              QStringLiteral("Field %1").arg(c, 2, 10, QChar('0')).toStdString());
            for (int r = 0; r < rows; ++r)
                grid.QuickSetText(
                    c, r, QStringLiteral("f%1r%2").arg(c, 2, 10, QChar('0')).arg(r).toStdString());
        }
    }
    // Prints onto A4 portrait pages with 12 mm margins: about 700 screen pixels across.
    QString Print(int* pages) {
        QString path = dir.filePath("wide.pdf");
        {
            QPdfWriter writer(path);
            writer.setResolution(150);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
            *pages = PrintGrid(grid, &writer, "Wide");
        }
        return PdfText(path);
    }
    CUGCtrl grid;
    QTemporaryDir dir;
};

// Somewhat wider than the page shrinks onto one; far wider goes on to further pages.
TEST_F(WideGridPrintTest, WideGridsShrinkOntoOnePageOrPrintEveryColumnOnFurtherPages) {
    Fill(16, 5);  // sixteen columns of some 55 pixels: wider than the page, not by much
    int pages = 0;
    QString text = Print(&pages);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(text.contains("Field 15") && text.contains("f15r4"));

    Fill(40, 150);  // some 2,400 pixels across, 3,000 down
    text = Print(&pages);
    EXPECT_EQ(text.count('\f'), pages);
    // Each column's heading is on every page of its set, so the same number of times.
    int perColumn = text.count("Field 00");
    EXPECT_GE(perColumn, 2);
    EXPECT_GT(pages, perColumn);  // more than one set of pages
    for (int c = 0; c < 40; ++c) {
        QString heading = QStringLiteral("Field %1").arg(c, 2, 10, QChar('0'));
        EXPECT_EQ(text.count(heading), perColumn) << heading.toStdString();
        QString last = QStringLiteral("f%1r149").arg(c, 2, 10, QChar('0'));
        EXPECT_TRUE(text.contains(last)) << last.toStdString();
    }
    EXPECT_FALSE(text.contains(QChar(0x2026)));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("%1 ?/ ?%1").arg(pages))));
}

}  // namespace
}  // namespace cartera::qt
