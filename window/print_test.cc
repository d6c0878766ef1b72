#include <QProcess>

#include "grids/grid_valoracion.h"
#include "host/dates.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

// The text of a PDF file, as pdftotext reads it (layout kept, so a row stays on one line).
std::string PdfText(const std::string& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    if (!process.waitForFinished(30000)) return std::string();
    // The PDF keeps the font's ligatures; read "fi" and "fl" as letters.
    return QString::fromUtf8(process.readAllStandardOutput())
        .replace(QChar(0xFB01), QStringLiteral("fi"))
        .replace(QChar(0xFB02), QStringLiteral("fl"))
        .toStdString();
}

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

using PrintTest = WindowTest;

TEST_F(PrintTest, PdfExportHoldsTheGridsHeadingsAndRowsOrSaysWhyNot) {
    int d = DateNumber(2026, 6, 1);
    COrderCartera a = Exec(true, "IBE.MC", 120, 11.25, 0.0, d);
    a.symbol = "Iberdrola";
    COrderCartera b = Exec(true, "AENA.MC", 7, 170.5, 0.0, d);
    b.symbol = "Aena";
    CDocCartera* doc = Open(WritePortfolio("Printed", {Cash(kImposition, 1, 9000, d), a, b}));
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);

    std::string pdf = hooks.Home() + "/movements.pdf";
    std::string error;
    ASSERT_TRUE(Movements(frame)->ExportToPdf(pdf, &error)) << error;
    std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext read nothing";
    EXPECT_TRUE(Contains(text, "Printed - " + ::LS(3377))) << text;
    // The renderer's own tests check the rows; here the document's rows reach it.
    // The valuation table prints its labels and amounts.
    std::string rating = hooks.Home() + "/rating.pdf";
    ASSERT_TRUE(Rating(frame)->ExportToPdf(rating, &error)) << error;
    std::string table = PdfText(rating);
    qt::GridView* ratingGrid = Rating(frame)->GetGridWindow();
    for (int row : {1, 7, 15}) {
        EXPECT_TRUE(Contains(table, ShownText(ratingGrid, row, 0))) << row << "\n" << table;
        EXPECT_TRUE(Contains(table, ShownText(ratingGrid, row, CGridValoracion::kAmountCol)))
            << row;
    }
    EXPECT_FALSE(Movements(frame)->ExportToPdf("/nonexistent/folder/x.pdf", &error));
    EXPECT_THAT(error, HasSubstr("/nonexistent/folder/x.pdf"));
}

}  // namespace
}  // namespace cartera::window::testing
