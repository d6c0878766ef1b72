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
}  // namespace cartera

class CGridOpAbiertas : public CGridQBase, public ILedgerOpenTradesGrid {
  public:
    CGridOpAbiertas();

    // One override for the host grid's and the ledger's Serialize.
    void Serialize(CArchive& ar) override { CGridQBase::Serialize(ar); }

    // Clears the grid, writes a row per open trade in the ledger's order and sorts again.
    void FillGrid() override;
    // Writes t into row; -1 (or any row outside the grid) appends a row.
    void SetTradeRow(const CNegocioC& t, int row);
    // Rewrites the first row that holds t's id and redraws it, keeping its place (the sort
    // may go stale until the next fill); nothing when no row holds it.
    void UpdateTradeRow(const CNegocioC& t) override;
    void RedrawTradeGrid() override { RedrawAll(); }
    // The first row holding the id, or -1: what a scan from row 0 finds.
    int FindTradeRow(uint64_t id);

    // The base menu without "Modify" and "Delete".
    int OnMenuStart(int col, int row, int section) override;
    void ApplySort() override;

  private:
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

    // Clears the grid, writes a row per closed trade in the ledger's order and sorts again.
    void FillGrid() override;
    // Appends a row for t, placing each value at its column's position in the header.
    void AddTradeRow(const CNegocioC& t);
    // The base menu without "Modify" and "Delete".
    int OnMenuStart(int col, int row, int section) override;
};
