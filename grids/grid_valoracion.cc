#include "grids/grid_valoracion.h"

#include <optional>

#include "grids/currency_columns.h"
#include "grids/number_text.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/exchange.h"
#include "model/sistema.h"

namespace {

// The label of each row in column 0; 0 for row 0 and the separators.
constexpr int kLabels[CGridValoracion::kRows] = {
    0,    3447, 3463, 3448, 3464, 3465,  0, 3455, 3449, 3461, 3462,
    3450, 3469, 3451, 0,    3452, 45010, 0, 0,    0,    0};  // the cash rows name their currency
constexpr int kRowHeight = 20;
constexpr int kBaseHeight = 284;  // the rows every portfolio shows

// 100 x value / divisor; none when the divisor is not above 0 (no capital contributed, or
// none left), where a percentage would mean nothing.
std::optional<double> Percent(double value, double divisor) {
    if (divisor > 0) return 100 * value / divisor;
    return std::nullopt;
}

}  // namespace

CGridValoracion::CGridValoracion() {
    SetGridTextColor(RGB(0, 0, 139));
    SetGridBackColor(RGB(153, 199, 228));
}

COLORREF CGridValoracion::RowBackColor(int row) const {
    switch (row) {
        case 2:
        case 4:
        case 7:
        case 9:
        case 11:
        case 13:
            return m_firstRowColor;
        case 1:
        case 3:
        case 5:
        case 8:
        case 10:
        case 12:
        case 15:
            return m_secondRowColor;
        case kExchangeRow:
        case kFirstCashRow + 1:
        case kFirstCashRow + 3:
            return m_firstRowColor;
        case kFirstCashRow:
        case kFirstCashRow + 2:
            return m_secondRowColor;
        default:
            return GetGridBackColor();
    }
}

void CGridValoracion::OnStart() {
    CBaseGrid::OnStart();
    EnableExcelBorders(0);
    SetMultiSelectMode(0);
    SetSH_Width(0);
    SetTH_Height(0);
    SetVS_Width(0);
    SetHS_Height(0);
    AdjustComponentSizes();
    SetNumberCols(kCols, 1);
    SetNumberRows(kRows, 1);
    SetRowHeight(6, 2);
    SetRowHeight(14, 2);
    for (int row = kExchangeRow; row < kRows; ++row) SetRowHeight(row, 0);
    const int widths[kCols] = {200, 2, 100, 2, 60};
    for (int col = 0; col < kCols; ++col) SetColWidth(col, widths[col]);
    m_preferredWidth = 368;
    m_preferredHeight = kBaseHeight;  // UpdateCurrency adds the rows it shows
    DrawLabels();
}

void CGridValoracion::DrawLabels() {
    const int headings[3][2] = {{0, 3466}, {2, 3467}, {4, 3468}};
    for (const auto& [col, id] : headings) {
        QuickSetAlignment(col, 0, UG_ALIGNCENTER);
        SetLabelCell(col, 0, GetGridBackColor(), RGB(0, 0, 0), LS(id));
    }
    for (int row = 1; row < kRows; ++row) {
        if (kLabels[row] == 0) continue;
        SetLabelCell(0, row, RowBackColor(row), GetGridTextColor(), LS(kLabels[row]));
    }
}

void CGridValoracion::SetValueCell(int col, int row, COLORREF back, COLORREF textColor,
                                   double value, bool percent) {
    // The interface language's number format, as in every other grid.
    std::string text = PonPuntos(value, m_decimals);
    if (percent) text += " %";
    QuickSetAlignment(col, row, UG_ALIGNRIGHT);
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return;
    cell.SetText(text);
    cell.SetTextColor(textColor);
    cell.SetBackColor(back);
    SetCell(col, row, &cell);
}

void CGridValoracion::SetLabelCell(int col, int row, COLORREF back, COLORREF textColor,
                                   const std::string& text) {
    CUGCell cell;
    if (GetCell(col, row, &cell) != UG_SUCCESS) return;
    cell.SetText(text);
    cell.SetTextColor(textColor);
    cell.SetBackColor(back);
    SetCell(col, row, &cell);
}

void CGridValoracion::Refresh() {
    if (!m_pSistema) return;
    UpdateCurrency();
    UpdateCapitalRows();
    UpdateOpenTradeRows();
}

void CGridValoracion::Amount(int row, double value) {
    SetValueCell(kAmountCol, row, RowBackColor(row), m_valueTextColor, value, false);
}

void CGridValoracion::Percentage(int row, std::optional<double> value) {
    SetValueCell(kPercentCol, row, RowBackColor(row), m_valueTextColor, value.value_or(0), true);
    if (!value) QuickSetText(kPercentCol, row, "\u2013");
}

void CGridValoracion::UpdateCapitalRows() {
    if (!m_pSistema) return;
    const CSistemaCartera& s = *m_pSistema;
    double net = s.GetImposiciones() - s.GetReintegros();
    double capital = s.GetCapital();
    double invested = s.GetInvertido();
    Amount(1, s.GetImposiciones());
    Amount(2, s.GetIngresos());
    Amount(3, s.GetReintegros());
    Amount(4, s.GetGastos());
    Amount(5, s.GetDividendos());
    Amount(7, s.GetGanCerradas());
    Amount(8, capital);
    Amount(9, invested);
    Amount(10, capital - invested);
    Percentage(7, Percent(s.GetGanCerradas(), net));
    Percentage(9, Percent(invested, capital));
    Percentage(10, Percent(capital - invested, capital));
    for (int row : {1, 2, 3, 4, 5, 8}) QuickSetBackColor(kPercentCol, row, RowBackColor(row));
}

void CGridValoracion::UpdateCurrency() {
    if (!m_pSistema) return;
    const std::string& currency = m_pSistema->GetCurrency();
    std::string heading = LS(3467);
    if (!currency.empty()) heading += " (" + currency + ")";
    SetLabelCell(kAmountCol, 0, GetGridBackColor(), RGB(0, 0, 0), heading);
    const bool shown = cartera::HoldsOtherCurrency(*m_pSistema);
    SetRowHeight(kExchangeRow, shown ? kRowHeight : 0);
    m_preferredHeight = kBaseHeight + (shown ? kRowHeight : 0);
    Amount(kExchangeRow, m_pSistema->GetExchangePart());
    QuickSetBackColor(kPercentCol, kExchangeRow, RowBackColor(kExchangeRow));
    const std::vector<cartera::CurrencyAmount> cash =
        shown ? cartera::CashByCurrency(m_pSistema->GetOrders(), currency)
              : std::vector<cartera::CurrencyAmount>();
    for (int i = 0; i < kCashRows; ++i) {
        const int row = kFirstCashRow + i;
        const bool used = static_cast<size_t>(i) < cash.size();
        SetRowHeight(row, used ? kRowHeight : 0);
        if (!used) continue;
        m_preferredHeight += kRowHeight;
        SetLabelCell(0, row, RowBackColor(row), GetGridTextColor(),
                     cartera::FillText(LS(45011), {cash[i].currency}));
        Amount(row, cash[i].amount);
        QuickSetBackColor(kPercentCol, row, RowBackColor(row));
    }
}

void CGridValoracion::UpdateOpenTradeRows() {
    if (!m_pSistema) return;
    const CSistemaCartera& s = *m_pSistema;
    double net = s.GetImposiciones() - s.GetReintegros();
    double open = s.GetGanAbiertas();
    double rating = s.GetCapital() + open;
    double total =
        rating - s.GetImposiciones() - s.GetIngresos() + s.GetGastos() + s.GetReintegros();
    Amount(11, open);
    Percentage(11, Percent(open, net));
    Amount(12, open + s.GetInvertido());
    QuickSetBackColor(kPercentCol, 12, RowBackColor(12));
    QuickSetBackColor(kAmountCol, 13, RowBackColor(13));
    Amount(13, rating);
    QuickSetBackColor(kPercentCol, 13, RowBackColor(13));
    QuickSetBackColor(kAmountCol, 15, RowBackColor(15));
    Amount(15, total);
    Percentage(15, Percent(total, net));
    RedrawAll();
}
