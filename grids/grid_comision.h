#pragma once
// The bracket grid of the commission page: one row per bracket of the schedule being
// edited (From, To, Royalty), kept only as cell texts with two decimals.
#include <string>

#include "commissions/comisiones.h"
#include "host/grid/table_grid.h"

class CGridComision : public CGridTabla {
  public:
    // Adds the columns From, To and Royalty, right-aligned.
    CGridComision();

    void OnStart() override;
    // The grid has no columns of the old layout format.
    int String2Id_OldFormat(const std::string& caption) override { return -1; }

    // Removes every row and redraws.
    void Clear() { Limpiar(1); }
    // Appends a row with the bracket's From, To and Royalty as "%.2lf" and redraws it.
    void AddBracketRow(const stComision& bracket);
    // Appends one fresh record per row to out, From, To and Royalty read back from the
    // cell texts as atof reads them (0 for a text that is not a number).
    void ReadBracketRows(CArrayComisiones& out) const;
    // Deletes the current row and selects the row now at its place (or the new last row);
    // nothing is deleted without a current row. Redraws in every case.
    void RemoveCurrentRow();
};
