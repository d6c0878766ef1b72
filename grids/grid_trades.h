#pragma once
// The open and the closed trades grids: one row per trade of the ledger.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "grids/grid_qbase.h"
#include "model/trade.h"

namespace cartera {
// The text a trade grid shows for a trade in a column: empty for ids it does not know
// (3437 "Warranty" among them) and for the type column unless withType. *debit is set
// when the value is a loss (Profit and % below 0), left alone otherwise.
std::string TradeCellText(int columnId, const CNegocioC& t, bool withType, bool* debit);
// The value a trade grid shows for a trade in a number column (a date column: its day
// number), as stored; false for the columns that show none.
bool TradeNumber(int columnId, const CNegocioC& t, double* value);
}  // namespace cartera

class CGridOpAbiertas : public CGridQBase {
  public:
    CGridOpAbiertas();

    Layout StoredLayout() const override { return Layout::open; }

    // A row per open trade in the ledger's order, sorted again.
    void FillGrid() override;
    // With stored cells, writes t into row; -1 (or any row outside the grid) appends a row.
    // Nothing on demand, where rows show the ledger's trades.
    void SetTradeRow(const CNegocioC& t, int row);
    // Redraws the first row that holds t's id, keeping its place (the sort may go stale
    // until the next fill), rewriting it from t with stored cells; on demand the row shows
    // the ledger's trade, which t is when the ledger calls. Nothing when no row holds it.
    void UpdateTradeRow(const CNegocioC& t);
    void OpenTradeChanged(const CNegocioC& t) override { UpdateTradeRow(t); }
    void OpenTradesRevalued() override { RedrawAll(); }
    // The first row holding the id, or -1: what a scan from row 0 finds.
    int FindTradeRow(uint64_t id);

    // The base menu without "Modify" and "Delete".
    int OnMenuStart(int col, int row, int section) override;
    void ApplySort() override;
    // "no market price yet" over the values of a trade valued at its entry price because
    // the market has given no price for it; they are shown muted, not as a loss.
    std::string CellTip(int col, int row) const override;

  protected:
    size_t RecordCount() const override;
    const cartera::EditLog* RecordEdits() const override;
    void RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                          CUGCell* cell) const override;
    COLORREF RowTextColor() const override { return cartera::kGridTextColor; }
    bool RecordNumber(int columnId, uint32_t record, double* value) const override;
    uint64_t RecordId(uint32_t record) const override;
    bool ShowsOtherCurrency() const override;

  private:
    // The cell of t in column (shown), as RenderRecordCell gives it.
    void RenderTrade(const CMultiHdrData::Column& column, const CNegocioC& t, CUGCell* cell) const;
    void RebuildRowIndex();

    // id -> first row holding it. Rebuilt after fills and sorts; checked against the cell
    // on every hit, so rows changed behind the grid's back fall back to a rebuild.
    std::unordered_map<uint64_t, int> m_rowOfId;
    bool m_rowIndexValid = false;
    int m_rowIndexRows = 0;
};

class CGridOpCerradas : public CGridQBase {
  public:
    CGridOpCerradas();
    Layout StoredLayout() const override { return Layout::closed; }

    // The base menu without "Modify" and "Delete".
    int OnMenuStart(int col, int row, int section) override;

  protected:
    // A row per closed trade in the ledger's order.
    size_t RecordCount() const override;
    const cartera::EditLog* RecordEdits() const override;
    void RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                          CUGCell* cell) const override;
    COLORREF RowTextColor() const override { return cartera::kGridTextColor; }
    bool RecordNumber(int columnId, uint32_t record, double* value) const override;
    uint64_t RecordId(uint32_t record) const override;
    bool ShowsOtherCurrency() const override;
};
