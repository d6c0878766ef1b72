// The plain-text rendering of the portfolio views.
#include <string>

#include "app/cli/portfolio_window.h"
#include "app/cli/table.h"
#include "app/cli/views.h"
#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "grids/grid_valoracion.h"
#include "grids/text_table.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

TextTable TotalsTable(const CSistemaCartera& l) {
    TextTable t;
    t.title = ::LS(3400);
    t.headings = {::LS(3466), ::LS(3453)};
    t.rightAligned = {false, true};
    const std::pair<int, double> rows[] = {
        {3449, l.GetCapital()},    {3450, l.GetGanAbiertas()},  {3455, l.GetGanCerradas()},
        {3461, l.GetInvertido()},  {3447, l.GetImposiciones()}, {3463, l.GetIngresos()},
        {3448, l.GetReintegros()}, {3464, l.GetGastos()},       {3465, l.GetDividendos()},
        {3388, l.GetGarantias()},
    };
    for (const auto& [label, value] : rows) t.rows.push_back({::LS(label), PonPuntos(value, 2)});
    return t;
}

// The grid with a first column "Id" holding each row's record id: a copy, so the grid the
// file's layout is saved from keeps its own columns.
std::string TextWithIds(const CGridQBase& grid, const GridTextOptions& options) {
    CUGCtrl copy;
    const int cols = grid.GetNumberCols();
    const int rows = grid.GetNumberRows();
    copy.SetNumberCols(cols + 1, 0);
    copy.SetNumberRows(rows, 0);
    copy.SetTH_Height(grid.GetTH_Height());
    copy.QuickSetText(0, -1, "Id");
    copy.QuickSetAlignment(0, -1, UG_ALIGNRIGHT);
    CUGCell cell;
    for (int col = 0; col < cols; ++col) {
        copy.SetColWidth(col + 1, grid.GetColWidth(col));
        copy.SetColHidden(col + 1, grid.IsColHidden(col));
        for (int row = -1; row < rows; ++row)
            if (grid.GetCell(col, row, &cell) == UG_SUCCESS) copy.SetCell(col + 1, row, &cell);
    }
    for (int row = 0; row < rows; ++row) {
        copy.QuickSetText(0, row, std::to_string(grid.GetRowID(row)));
        copy.QuickSetAlignment(0, row, UG_ALIGNRIGHT);
    }
    return RenderGridText(copy, options);
}

std::string GridText(const CUGCtrl& grid, const TextOptions& options) {
    GridTextOptions render;
    render.color = options.color;
    const auto* list = dynamic_cast<const CGridQBase*>(&grid);
    if (options.ids && list != nullptr) return TextWithIds(*list, render);
    return RenderGridText(grid, render);
}

}  // namespace

std::optional<View> ParseView(const std::string& name) {
    if (name == "movements") return View::movements;
    if (name == "open") return View::open;
    if (name == "closed") return View::closed;
    if (name == "valuation") return View::valuation;
    if (name == "totals") return View::totals;
    if (name == "all") return View::all;
    return std::nullopt;
}

bool IsListView(View view) {
    return view == View::movements || view == View::open || view == View::closed;
}

CGridQBase* ListGrid(PortfolioWindow& window, View view) {
    switch (view) {
        case View::movements:
            return &window.Movements();
        case View::open:
            return &window.Open();
        case View::closed:
            return &window.Closed();
        default:
            return nullptr;
    }
}

std::string TextView(PortfolioWindow& window, const CSistemaCartera& ledger, View view,
                     const TextOptions& options) {
    switch (view) {
        case View::movements:
        case View::open:
        case View::closed:
            return GridText(*ListGrid(window, view), options);
        case View::valuation:
            return GridText(window.Valuation(), options);
        case View::totals:
            return RenderTable(TotalsTable(ledger));
        case View::all:
            break;
    }
    const std::pair<int, View> tabs[] = {
        {3377, View::movements}, {3378, View::open}, {3379, View::closed}, {3400, View::valuation}};
    std::string out;
    for (const auto& [title, tab] : tabs) {
        if (!out.empty()) out += '\n';
        out += ::LS(title) + '\n' + TextView(window, ledger, tab, options);
    }
    return out;
}

}  // namespace cartera::cli
