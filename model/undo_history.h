#pragma once
// The steps of a portfolio's journal, to take back and put back: kept in the portfolio file
// (model/change_log.h), so the command line's restore and the workstation's undo go back
// through the same steps, across restarts. Each undo or redo is one change of the ledger,
// made through its usual calls, so it is saved like any other.
#include <cstddef>
#include <string>
#include <vector>

#include "model/journal_change.h"

class CSistemaCartera;

class UndoHistory {
  public:
    // How many changes are kept; the oldest go first.
    static constexpr size_t kDepth = 100;

    // A change the user made: what could be redone is dropped.
    void Record(JournalChange change);
    // Forgets everything.
    void Clear();
    // The steps done (oldest first) and taken back (the next to put back last).
    const std::vector<JournalChange>& Done() const { return m_done; }
    const std::vector<JournalChange>& Undone() const { return m_undone; }
    void Set(std::vector<JournalChange> done, std::vector<JournalChange> undone);
    // Moves the last step done to the steps taken back (toDone false), or back; nothing when
    // there is none. What the ledger holds is not touched.
    void MoveLast(bool toDone);
    bool CanUndo() const { return !m_done.empty(); }
    bool CanRedo() const { return !m_undone.empty(); }
    // The step Undo or Redo would take, in the interface language, e.g. "delete of B SAN.MC
    // 100"; empty when there is none.
    std::string UndoName() const;
    std::string RedoName() const;
    // Makes the inverse of the last change (or the change last undone) in ledger, as one
    // change of its journal. The ledger tells its document of the change it makes: the
    // caller does not Record it. False when there is nothing to undo (redo).
    bool Undo(CSistemaCartera& ledger);
    bool Redo(CSistemaCartera& ledger);

  private:
    std::vector<JournalChange> m_done, m_undone;
};

// A movement as the menus name it: its type letter, code and contracts for a buy or sell
// ("B SAN.MC 100"), its letter and amount for the others ("IM 10,000.00").
std::string DescribeMovement(const COrderCartera& m);
