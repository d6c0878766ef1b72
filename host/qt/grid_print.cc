#include "host/qt/grid_print.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

#include "host/grid/table_grid.h"
#include "host/qt/grid_model.h"

namespace cartera::qt {

namespace {

// Layout in grid pixels (the grid's sizes are screen pixels at 96 dpi); the painter scales
// them to the device.
constexpr double kScreenDpi = 96.0;
constexpr int kTitleHeight = 28;
constexpr int kPadding = 3;
constexpr int kFontPixels = 12;

struct PageRows {
    int first;
    int end;  // one past the last
};

class GridPainter {
  public:
    GridPainter(CUGCtrl& grid, QPainter& painter, double pageWidth, double pageHeight)
        : m_grid(grid),
          m_table(dynamic_cast<CBaseGrid*>(&grid)),
          m_painter(painter),
          m_pageWidth(pageWidth),
          m_pageHeight(pageHeight) {
        for (int col = 0; col < grid.GetNumberCols(); ++col)
            if (!grid.IsColHidden(col) && grid.GetColWidth(col) > 0) m_cols.push_back(col);
        m_headingHeight = std::max(grid.GetTH_Height(), 0);
    }

    // Rows of each page: as many as fit under the title and the heading row; a row taller
    // than a page gets a page of its own.
    std::vector<PageRows> Paginate() const {
        std::vector<PageRows> pages;
        double room = m_pageHeight - kTitleHeight - m_headingHeight;
        int rows = m_grid.GetNumberRows();
        int first = 0;
        double used = 0;
        for (int row = 0; row < rows; ++row) {
            int height = std::max(m_grid.GetRowHeight(row), 0);
            if (used + height > room && row > first) {
                pages.push_back({first, row});
                first = row;
                used = 0;
            }
            used += height;
        }
        pages.push_back({first, rows});
        return pages;
    }

    void PaintPage(const PageRows& rows, int page, int pages, const QString& title) {
        QFont font = m_painter.font();
        font.setPixelSize(kFontPixels);
        font.setBold(true);
        m_painter.setFont(font);
        m_painter.setPen(Qt::black);
        QRectF band(0, 0, m_pageWidth, kTitleHeight - 6);
        m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, title);
        font.setBold(false);
        m_painter.setFont(font);
        m_painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("%1 / %2").arg(page).arg(pages));
        double y = kTitleHeight;
        if (m_headingHeight > 0) {
            PaintRow(-1, y, m_headingHeight);
            y += m_headingHeight;
        }
        for (int row = rows.first; row < rows.end; ++row) {
            int height = std::max(m_grid.GetRowHeight(row), 0);
            if (height > 0) PaintRow(row, y, height);
            y += height;
        }
    }

  private:
    void PaintRow(int row, double y, int height) {
        double x = 0;
        for (int col : m_cols) {
            int width = m_grid.GetColWidth(col);
            QRectF rect(x, y, width, height);
            PaintCell(col, row, rect);
            x += width;
        }
    }

    void PaintCell(int col, int row, const QRectF& rect) {
        const CUGCell* cell = m_grid.PeekCell(col, row);
        QColor back = row < 0 ? QColor(230, 230, 230) : QColor(Qt::white);
        QColor text = Qt::black;
        if (row >= 0 && m_table) {
            back = ColorFromRef(m_table->GetGridBackColor());
            text = ColorFromRef(m_table->GetGridTextColor());
        }
        if (cell && cell->IsPropertySet(UGCELL_BACKCOLOR_SET))
            back = ColorFromRef(cell->GetBackColor());
        if (cell && cell->IsPropertySet(UGCELL_TEXTCOLOR_SET))
            text = ColorFromRef(cell->GetTextColor());
        m_painter.fillRect(rect, back);
        m_painter.setPen(QPen(QColor(160, 160, 160), 0));
        m_painter.drawRect(rect);
        if (!cell || cell->GetText().empty() || rect.width() <= 2 * kPadding) return;
        QRectF inner = rect.adjusted(kPadding, 0, -kPadding, 0);
        QString content = m_painter.fontMetrics().elidedText(
            QString::fromStdString(cell->GetText()), Qt::ElideRight, int(inner.width()));
        m_painter.setPen(text);
        m_painter.drawText(inner, AlignmentFromGrid(cell->GetAlignment()), content);
    }

    CUGCtrl& m_grid;
    CBaseGrid* m_table;
    QPainter& m_painter;
    double m_pageWidth;
    double m_pageHeight;
    std::vector<int> m_cols;
    int m_headingHeight = 0;
};

int VisibleWidth(const CUGCtrl& grid) {
    int width = 0;
    for (int col = 0; col < grid.GetNumberCols(); ++col)
        if (!grid.IsColHidden(col)) width += std::max(grid.GetColWidth(col), 0);
    return width;
}

}  // namespace

int PrintGrid(CUGCtrl& grid, QPagedPaintDevice* device, const QString& title) {
    if (!device) return 0;
    QPainter painter;
    if (!painter.begin(device)) return 0;
    double scale = device->logicalDpiX() / kScreenDpi;
    int width = VisibleWidth(grid);
    if (width > 0 && width * scale > device->width()) scale = double(device->width()) / width;
    painter.scale(scale, scale);
    GridPainter gp(grid, painter, device->width() / scale, device->height() / scale);
    std::vector<PageRows> pages = gp.Paginate();
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device->newPage()) {
            painter.end();
            return 0;
        }
        gp.PaintPage(pages[i], int(i) + 1, int(pages.size()), title);
    }
    return painter.end() ? int(pages.size()) : 0;
}

bool ExportGridToPdf(CUGCtrl& grid, const QString& path, const QString& title) {
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Cartera"));
    // Wide grids go on landscape pages: an A4 portrait page holds about 700 screen pixels.
    QPageLayout::Orientation orientation =
        VisibleWidth(grid) > 700 ? QPageLayout::Landscape : QPageLayout::Portrait;
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
    return PrintGrid(grid, &writer, title) > 0;
}

void InstallPrintHandler(CUGCtrl& grid, QWidget* parent, const QString& title) {
    QPointer<QWidget> owner(parent);
    grid.SetPrintHandler([owner, title](CUGCtrl& target) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(title);
        QPrintDialog dialog(&printer, owner.data());
        if (dialog.exec() != QDialog::Accepted) return 0;
        return PrintGrid(target, &printer, title) > 0 ? 1 : 0;
    });
}

}  // namespace cartera::qt
