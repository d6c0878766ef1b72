#include "window/grid_window.h"

#include <QFileInfo>
#include <algorithm>

#include "framework/document.h"
#include "framework/view.h"
#include "host/grid/grid_control.h"
#include "host/qt/grid_print.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"

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
    if (!grid.CreateGrid(rect, &view, kGridControlId)) {
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

Status ExportGrid(CUGCtrl& grid, const std::string& path, const std::string& title) {
    if (qt::ExportGridToPdf(grid, QString::fromStdString(path), QString::fromStdString(title)))
        return {};
    return Status(ErrorKind::io, "cannot write " + path);
}

}  // namespace cartera::window
