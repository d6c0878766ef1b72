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
#include "host/qt/save_dialog.h"
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

// A table grid of 120 rows, and a bare grid wide to fill.
class GridPrintTest : public ::testing::Test {
  protected:
    GridPrintTest() {
        grid.Create();
        grid.Fill(120);
        grid.QuickSetText(1, 0, "SAN.MC");
    }
    // cols columns "Field NN" and rows rows of texts "fNNrMM".
    void FillWide(int cols, int rows) {
        wide.SetTH_Height(20);
        wide.SetDefRowHeight(20);
        wide.SetNumberCols(cols);
        wide.SetNumberRows(rows);
        for (int c = 0; c < cols; ++c) {
            wide.SetColWidth(c, 40);
            const std::string nn = Nn(c).toStdString();
            wide.QuickSetText(c, -1, "Field " + nn);
            for (int r = 0; r < rows; ++r)
                wide.QuickSetText(c, r, "f" + nn + "r" + std::to_string(r));
        }
    }
    // A column's number in two digits.
    static QString Nn(int c) { return QString::number(c).rightJustified(2, '0'); }
    // Prints the wide grid on A4 portrait with 12 mm margins: some 700 screen pixels across.
    QString PrintWide(int* pages) {
        QString path = dir.filePath("wide.pdf");
        {
            QPdfWriter writer(path);
            writer.setResolution(150);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
            *pages = PrintGrid(wide, &writer, "Wide");
        }
        return PdfText(path);
    }
    RecordingGrid grid;
    CUGCtrl wide;
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

// Somewhat wider than the page shrinks onto one; far wider goes on to further pages.
TEST_F(GridPrintTest, WideGridsShrinkOntoOnePageOrPrintEveryColumnOnFurtherPages) {
    FillWide(16, 5);  // sixteen columns of some 55 pixels: wider than the page, not by much
    int pages = 0;
    QString text = PrintWide(&pages);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(text.contains("Field 15") && text.contains("f15r4"));

    FillWide(40, 150);  // some 2,400 pixels across, 3,000 down
    text = PrintWide(&pages);
    EXPECT_EQ(text.count('\f'), pages);
    // Each column's heading is on every page of its set, so the same number of times.
    int perColumn = text.count("Field 00");
    EXPECT_GE(perColumn, 2);
    EXPECT_GT(pages, perColumn);  // more than one set of pages
    for (int c = 0; c < 40; ++c) {
        EXPECT_EQ(text.count("Field " + Nn(c)), perColumn) << c;
        EXPECT_TRUE(text.contains("f" + Nn(c) + "r149")) << c;
    }
    EXPECT_FALSE(text.contains(QChar(0x2026)));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("%1 ?/ ?%1").arg(pages))));
}

// An export's file always has the extension of its type, whatever name was typed.
TEST(SaveDialogTest, AChosenNameGetsTheExtensionOfTheType) {
    for (auto [typed, saved] : {std::pair{"/tmp/report", "/tmp/report.pdf"},
                                {"/tmp/report.pdf", "/tmp/report.pdf"},
                                {"/tmp/v1.2/report", "/tmp/v1.2/report.pdf"},
                                {"/tmp/report.v2", "/tmp/report.v2"},
                                {"", ""}})
        EXPECT_EQ(WithExtension(typed, "pdf").toStdString(), saved) << typed;
}

}  // namespace
}  // namespace cartera::qt
