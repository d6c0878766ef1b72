#pragma once
// What the ledger needs of the document and the grids that show it. The ledger holds these
// as non-owning pointers, so it runs headless (tests, the command line) with none set.
#include <cstddef>
#include <string>

class CArchive;
class CNegocioC;
struct JournalChange;

// The portfolio's document.
class ILedgerDocument {
  public:
    virtual ~ILedgerDocument() = default;
    // Bracket every change of the journal, around its save: before it the document may
    // bring the ledger up to date with its file (another program may have changed it) and
    // keep other writers out until the change has been saved.
    virtual void BeginChange() {}
    virtual void EndChange() {}
    // Told of every change of the journal once it is made, before it is saved.
    virtual void JournalChanged(const JournalChange& change) {}
    // Writes the whole portfolio file now, replacing the old one atomically.
    virtual void DoFileSave() = 0;
    // Saves the change just made to the journal; by default as DoFileSave.
    virtual void SaveChange(const JournalChange& change) { DoFileSave(); }
    // Makes every view of the portfolio redraw from the ledger.
    virtual void UpdateAllViews() = 0;
    virtual std::string GetTitle() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
};

// A list grid whose layout is stored in the portfolio file.
class ILedgerListGrid {
  public:
    virtual ~ILedgerListGrid() = default;
    // Writes or reads the grid's layout; archive errors propagate.
    virtual void Serialize(CArchive& ar) = 0;
};

// The open-trades grid: rewrites single rows as quotes arrive.
class ILedgerOpenTradesGrid : public ILedgerListGrid {
  public:
    // Rewrites the row that shows the trade (found by its id); nothing when none does.
    virtual void UpdateTradeRow(const CNegocioC& trade) = 0;
    // Repaints the whole grid.
    virtual void RedrawTradeGrid() = 0;
};

// The valuation table.
class ILedgerValuationGrid {
  public:
    virtual ~ILedgerValuationGrid() = default;
    // Rewrites every value from the ledger's totals.
    virtual void Refresh() = 0;
    // Rewrites the rows that depend on the open trades and repaints.
    virtual void UpdateOpenTradeRows() = 0;
};
