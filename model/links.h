#pragma once
// What the ledger needs of the document that stores it and of the views that show it. The
// ledger runs headless (tests, the command line) with neither.
#include <cstddef>
#include <string>

class CArchive;
class CSistemaCartera;
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

// A view of the ledger: a grid or a table that shows it. A view joins with
// CSistemaCartera::AddView and leaves with RemoveView; its destructor leaves by itself, and a
// ledger that goes first cuts its views loose. The ledger owns none of them.
class ILedgerView {
  public:
    // Which of the grid layouts the portfolio file stores this view keeps, if any.
    enum class Layout { none, movements, closed, open };

    ILedgerView() = default;
    virtual ~ILedgerView();
    ILedgerView(const ILedgerView&) = delete;
    ILedgerView& operator=(const ILedgerView&) = delete;

    virtual Layout StoredLayout() const { return Layout::none; }
    // Writes or reads the view's layout (only called when StoredLayout is not none); archive
    // errors propagate.
    virtual void SerializeLayout(CArchive& ar) {}
    // The totals changed: after every change of the journal and every repricing.
    virtual void TotalsChanged() {}
    // Quotes changed this open trade's values (found by its id; nothing when not shown).
    virtual void OpenTradeChanged(const CNegocioC& trade) {}
    // Quotes changed open trades since the last time: the rows that show them repaint.
    virtual void OpenTradesRevalued() {}

  private:
    friend class CSistemaCartera;
    CSistemaCartera* m_observed = nullptr;  // the ledger it has joined
};
