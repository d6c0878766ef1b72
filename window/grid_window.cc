#include "window/grid_window.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <algorithm>
#include <vector>

#include "host/grid/grid_control.h"
#include "host/qt/grid_print.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "window/framework/document.h"
#include "window/framework/view.h"

namespace cartera::window {

QFont GridFont(const QFont& base) {
    // The grids' column widths are measured for a compact 8-point dialog font; a narrower
    // face keeps dates and amounts whole in them.
    QFont font(base);
    font.setPointSizeF(8.0);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

qt::GridView* CreateGridWindow(CUGCtrl& grid, CView& view) {
    auto* widget = new qt::GridView(&grid, &view);
    widget->setFont(GridFont(view.font()));
    QRect screen = view.GetWindowRect().adjusted(5, 5, -5, -5);
    RECT rect;
    rect.left = screen.left();
    rect.top = screen.top();
    rect.right = screen.left() + screen.width();
    rect.bottom = screen.top() + screen.height();
    if (!grid.CreateGrid(kWsVisible, rect, &view, kGridControlId)) {
        delete widget;
        return nullptr;
    }
    widget->setObjectName(QStringLiteral("grid%1").arg(kGridControlId));
    QRect local = view.rect().adjusted(5, 5, -5, -5);
    widget->setGeometry(local.x(), local.y(), std::max(0, local.width()),
                        std::max(0, local.height()));
    widget->show();
    view.setFocusProxy(widget);
    qt::InstallPrintHandler(grid, &view, QString::fromStdString(PrintTitle(view, 0)));
    return widget;
}

std::string PrintTitle(const CView& view, int labelId) {
    std::string title;
    if (CDocument* doc = view.GetDocument())
        title = QFileInfo(QString::fromStdString(doc->GetTitle())).completeBaseName().toStdString();
    if (labelId) title += (title.empty() ? "" : " - ") + ::LS(labelId);
    return title;
}

void WithPrintWidths(CUGCtrl& grid, const std::function<void()>& print) {
    constexpr int kPaperFontPixels = 12;  // the print painter's text size, in grid pixels
    constexpr int kMargins = 2 * 3 + 2;   // its cell padding and the grid lines
    QFont font;
    font.setPixelSize(kPaperFontPixels);
    QFontMetrics metrics(font);
    std::vector<std::pair<int, int>> saved;  // column, width
    for (int col = 0; col < grid.GetNumberCols(); ++col) {
        if (grid.IsColHidden(col) || grid.GetColWidth(col) <= 0) continue;
        int need = 0;
        for (int row = -1; row < grid.GetNumberRows(); ++row) {
            const CUGCell* cell = grid.PeekCell(col, row);
            if (cell && !cell->GetText().empty())
                need = std::max(need,
                                metrics.horizontalAdvance(QString::fromStdString(cell->GetText())));
        }
        if (need + kMargins > grid.GetColWidth(col)) {
            saved.emplace_back(col, grid.GetColWidth(col));
            grid.SetColWidth(col, need + kMargins);
        }
    }
    print();
    for (const auto& [col, width] : saved) grid.SetColWidth(col, width);
}

bool ExportGrid(CUGCtrl& grid, const std::string& path, const std::string& title,
                std::string* error) {
    bool ok = false;
    WithPrintWidths(grid, [&] {
        ok = qt::ExportGridToPdf(grid, QString::fromStdString(path), QString::fromStdString(title));
    });
    if (ok) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

}  // namespace cartera::window
