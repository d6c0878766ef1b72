#include "host/qt/grid_print.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "host/grid/table_grid.h"
#include "host/qt/grid_model.h"

namespace cartera::qt {

namespace {

// Layout in grid pixels (the grid's row heights are screen pixels at 96 dpi); the painter
// scales them to the device.
constexpr double kScreenDpi = 96.0;
constexpr int kTitleHeight = 28;
constexpr int kPadding = 3;
constexpr int kFontPixels = 12;    // 9 points
constexpr int kMinFontPixels = 8;  // 6 points, still readable on paper
constexpr double kMinZoom = double(kMinFontPixels) / kFontPixels;
constexpr double kMinColumnWidth = 2 * kPadding + 6;
// The printable width of an A4 portrait page between 12 mm margins.
constexpr double kPortraitWidth = (210.0 - 2 * 12.0) / 25.4 * kScreenDpi;

struct PrintColumn {
    int col;
    double width;  // grid pixels at the full print font
};

// Columns printed side by side on one set of pages.
using Band = std::vector<PrintColumn>;

struct PrintLayout {
    double zoom = 1.0;  // how much smaller than kFontPixels the grid is drawn
    std::vector<Band> bands;
};

struct PageRows {
    int first;
    int end;  // one past the last
};

QFont PrintFont() {
    QFont font;
    font.setPixelSize(kFontPixels);
    return font;
}

double TextWidth(const QFontMetricsF& metrics, const std::string& text) {
    double widest = 0;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// The visible columns, each as wide as its widest text and the padding on both sides. Rows
// of no height are not printed, nor the heading row of a grid that shows none, so their
// texts do not count.
std::vector<PrintColumn> MeasureColumns(const CUGCtrl& grid, const QFontMetricsF& metrics) {
    std::vector<PrintColumn> columns;
    int firstRow = grid.GetTH_Height() > 0 ? -1 : 0;
    for (int col = 0; col < grid.GetNumberCols(); ++col) {
        if (grid.IsColHidden(col) || grid.GetColWidth(col) <= 0) continue;
        double text = 0;
        for (int row = firstRow; row < grid.GetNumberRows(); ++row) {
            if (row >= 0 && grid.GetRowHeight(row) <= 0) continue;
            const CUGCell* cell = grid.PeekCell(col, row);
            if (cell && !cell->GetText().empty())
                text = std::max(text, TextWidth(metrics, cell->GetText()));
        }
        // One pixel more for the cell's border line and rounding on the device.
        columns.push_back({col, std::max(kMinColumnWidth, std::ceil(text) + 2 * kPadding + 1)});
    }
    return columns;
}

double TotalWidth(const std::vector<PrintColumn>& columns) {
    double total = 0;
    for (const PrintColumn& column : columns) total += column.width;
    return total;
}

// Shrinks the columns to pageWidth down to kMinZoom; what still does not fit goes to
// further bands. A column wider than a page on its own is cut to the page.
PrintLayout FitToPage(const std::vector<PrintColumn>& columns, double pageWidth) {
    PrintLayout layout;
    double total = TotalWidth(columns);
    if (total > pageWidth) layout.zoom = std::max(kMinZoom, pageWidth / total);
    double room = pageWidth / layout.zoom + 0.01;  // rounding must not push out the last one
    Band band;
    double used = 0;
    for (PrintColumn column : columns) {
        column.width = std::min(column.width, pageWidth / layout.zoom);
        if (!band.empty() && used + column.width > room) {
            layout.bands.push_back(std::move(band));
            band = Band();
            used = 0;
        }
        band.push_back(column);
        used += column.width;
    }
    layout.bands.push_back(std::move(band));
    return layout;
}

class GridPainter {
  public:
    GridPainter(CUGCtrl& grid, QPainter& painter, double zoom, QSizeF page)
        : m_grid(grid),
          m_table(dynamic_cast<CBaseGrid*>(&grid)),
          m_painter(painter),
          m_metrics(PrintFont(), painter.device()),
          m_zoom(zoom),
          m_page(page),
          m_headingHeight(std::max(grid.GetTH_Height(), 0)) {}

    // Rows of each page: as many as fit under the title and the heading row; a row taller
    // than a page gets a page of its own.
    std::vector<PageRows> Paginate() const {
        std::vector<PageRows> pages;
        double room = (m_page.height() - kTitleHeight) / m_zoom - m_headingHeight;
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

    void PaintPage(const Band& band, const PageRows& rows, int page, int pages,
                   const QString& title) {
        PaintTitle(page, pages, title);
        m_painter.save();
        m_painter.translate(0, kTitleHeight);
        m_painter.scale(m_zoom, m_zoom);
        m_painter.setFont(PrintFont());
        double y = 0;
        if (m_headingHeight > 0) {
            PaintRow(band, -1, y, m_headingHeight);
            y += m_headingHeight;
        }
        for (int row = rows.first; row < rows.end; ++row) {
            int height = std::max(m_grid.GetRowHeight(row), 0);
            if (height > 0) PaintRow(band, row, y, height);
            y += height;
        }
        m_painter.restore();
    }

  private:
    void PaintTitle(int page, int pages, const QString& title) {
        QFont font = PrintFont();
        font.setBold(true);
        m_painter.setFont(font);
        m_painter.setPen(Qt::black);
        QRectF band(0, 0, m_page.width(), kTitleHeight - 6);
        m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, title);
        m_painter.setFont(PrintFont());
        m_painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("%1 / %2").arg(page).arg(pages));
    }

    void PaintRow(const Band& band, int row, double y, int height) {
        double x = 0;
        for (const PrintColumn& column : band) {
            PaintCell(column.col, row, QRectF(x, y, column.width, height));
            x += column.width;
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
        // The columns were measured for their texts; only a column cut to the page elides.
        QString content = m_metrics.elidedText(QString::fromStdString(cell->GetText()),
                                               Qt::ElideRight, inner.width() + 1);
        m_painter.setPen(text);
        m_painter.drawText(inner, AlignmentFromGrid(cell->GetAlignment()), content);
    }

    CUGCtrl& m_grid;
    CBaseGrid* m_table;
    QPainter& m_painter;
    QFontMetricsF m_metrics;
    double m_zoom;
    QSizeF m_page;
    int m_headingHeight;
};

}  // namespace

int PrintGrid(CUGCtrl& grid, QPagedPaintDevice* device, const QString& title) {
    if (!device) return 0;
    QPainter painter;
    if (!painter.begin(device)) return 0;
    double scale = device->logicalDpiX() / kScreenDpi;
    painter.scale(scale, scale);
    QSizeF pageSize(device->width() / scale, device->height() / scale);
    PrintLayout layout =
        FitToPage(MeasureColumns(grid, QFontMetricsF(PrintFont(), device)), pageSize.width());
    GridPainter gp(grid, painter, layout.zoom, pageSize);
    std::vector<PageRows> rowPages = gp.Paginate();
    int pages = int(rowPages.size() * layout.bands.size());
    int page = 0;
    for (const Band& band : layout.bands) {
        for (const PageRows& rows : rowPages) {
            if (page > 0 && !device->newPage()) {
                painter.end();
                return 0;
            }
            gp.PaintPage(band, rows, ++page, pages, title);
        }
    }
    return painter.end() ? pages : 0;
}

bool ExportGridToPdf(CUGCtrl& grid, const QString& path, const QString& title) {
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Cartera"));
    // Wide grids go on landscape pages, where they keep the full-size font.
    double width = TotalWidth(MeasureColumns(grid, QFontMetricsF(PrintFont(), &writer)));
    QPageLayout::Orientation orientation =
        width > kPortraitWidth ? QPageLayout::Landscape : QPageLayout::Portrait;
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
