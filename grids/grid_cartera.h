#pragma once
// The movements grid: one row per movement of the ledger, in the journal's order until
// sorted; deleting (Delete key, "Delete", the view's Edit/Clear) and modifying a movement.
#include <string>

#include "grids/grid_qbase.h"
#include "model/order.h"

class CGridCartera : public CGridQBase {
  public:
    Layout StoredLayout() const override { return Layout::movements; }
    // Adds the columns Type, Symbol, Group, Date, Contracts, Price, Commissions, Total
    // (visible), Guarantee, Point Value, Time (hidden), and Currency and Rate, shown while a
    // movement is in a currency other than the portfolio's.
    CGridCartera();

    // Asks question 3404 (naming the movement) and on Yes deletes the row's movement from the
    // ledger. -1 for col or row means the current one; nothing when there is none.
    void DeleteMovementRow(int col, int row);

    // The Delete key asks and deletes the current row's movement; every key then goes on
    // to the host grid.
    void OnKeyDown(unsigned* vcKey, int processed) override;
    // "Modify" and "Delete" act on the row; the rest goes to the base menu.
    void OnMenuCommand(int col, int row, int section, int item) override;

    // The text the grid shows for a movement in a column (empty for ids it does not know);
    // *textColor is set for the Total column, left alone otherwise. A corporate action shows
    // its terms as its contracts: "4:1" for four new shares for one old.
    std::string CellText(int columnId, const COrderCartera& m, COLORREF* textColor) const;

  protected:
    // A row per movement; only visible columns get text. No rows without columns.
    size_t RecordCount() const override;
    const cartera::EditLog* RecordEdits() const override;
    void RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                          CUGCell* cell) const override;
    bool RecordNumber(int columnId, uint32_t record, double* value) const override;
    uint64_t RecordId(uint32_t record) const override;
    bool ShowsOtherCurrency() const override;

  private:
    // Question 3404 followed by the row's type, date, symbol and contracts; true on Yes.
    bool ConfirmDelete(int row) const;
    // Asks and deletes the row's movement, or every selected one when row is among several
    // selected (one question naming how many, one change); nothing is selected after it.
    void DeleteAfterAsking(int row);
};
