#pragma once
// The valuation table of a portfolio: 16 rows by 5 columns of labels, amounts (column 2)
// and percentages (column 4) derived from the ledger's totals. Columns 1 and 3 are 2-pixel
// spacers and rows 6 and 14 2-pixel separators. The amounts heading names the portfolio's
// currency once it is named; a 17th row, what the rates did to the results (in them), shows
// while the portfolio holds a movement in another currency and is 0 pixels high otherwise; so
// do the rows of the cash in each currency after it.
#include <optional>
#include <string>

#include "host/grid/table_grid.h"
#include "model/links.h"

class CSistemaCartera;

class CGridValoracion : public CGridTabla, public ILedgerView {
  public:
    static constexpr int kExchangeRow = 16;
    // The cash the journal leaves in each currency, in that currency, one row each (the first
    // kCashRows by code), shown with the exchange row.
    static constexpr int kFirstCashRow = 17;
    static constexpr int kCashRows = 4;
    static constexpr int kRows = kFirstCashRow + kCashRows;
    static constexpr int kCols = 5;
    static constexpr int kAmountCol = 2;
    static constexpr int kPercentCol = 4;

    CGridValoracion();

    // The ledger whose totals are shown (not owned).
    void SetLedger(CSistemaCartera* ledger) { m_pSistema = ledger; }
    CSistemaCartera* GetLedger() const { return m_pSistema; }

    // UpdateCurrency, UpdateCapitalRows, then UpdateOpenTradeRows. Nothing without a ledger.
    void Refresh();
    // Rewrites rows 11, 12, 13 and 15 and redraws the grid.
    void UpdateOpenTradeRows();
    void TotalsChanged() override { Refresh(); }
    void OpenTradesRevalued() override { UpdateOpenTradeRows(); }
    // Rewrites rows 1 to 10; does not redraw.
    void UpdateCapitalRows();
    // The amounts heading with the portfolio's currency, and the exchange and cash rows shown
    // or not.
    void UpdateCurrency();

    // Writes value right-aligned with the grid's decimals (point, no grouping), " %"
    // appended when percent, in the given colours.
    void SetValueCell(int col, int row, COLORREF back, COLORREF textColor, double value,
                      bool percent);
    void SetLabelCell(int col, int row, COLORREF back, COLORREF textColor, const std::string& text);
    // Row 0's three headings and the label of every row in column 0.
    void DrawLabels();

    // The size the table needs (0 before OnStart): the view centres the grid with it. The
    // height grows with the exchange and cash rows UpdateCurrency shows.
    int GetPreferredWidth() const { return m_preferredWidth; }
    int GetPreferredHeight() const { return m_preferredHeight; }
    int GetDecimals() const { return m_decimals; }

    // The background of a row of the table (the grid background for row 0 and the
    // separators).
    COLORREF RowBackColor(int row) const;

    // Builds the fixed table.
    void OnStart() override;
    // The table shows no focus rectangle: the renderer's call draws nothing.
    void OnDrawFocusRect(CDC* dc, RECT* rect) override {}

  private:
    void Amount(int row, double value);
    // A percentage of row; "–" for none.
    void Percentage(int row, std::optional<double> value);

    int m_preferredWidth = 0;
    int m_preferredHeight = 0;
    int m_decimals = 2;
    COLORREF m_valueTextColor = RGB(0, 0, 139);
    COLORREF m_firstRowColor = RGB(221, 248, 198);
    COLORREF m_secondRowColor = RGB(221, 248, 198);
    CSistemaCartera* m_pSistema = nullptr;
};
