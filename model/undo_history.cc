#include "model/undo_history.h"

#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace {

constexpr int kAddName = 43000;        // "add of %1"
constexpr int kImportName = 43001;     // "import of %1 movements"
constexpr int kImportOneName = 43032;  // "import of 1 movement"
constexpr int kDeleteName = 43002;
constexpr int kDeleteManyName = 43003;  // "delete of %1 movements"
constexpr int kModifyName = 43004;

std::string ImportName(size_t count) {
    return count == 1 ? LS(kImportOneName)
                      : cartera::FillText(LS(kImportName), {std::to_string(count)});
}

std::string NameOf(const JournalChange& change) {
    switch (change.kind) {
        case JournalChange::kAdd:
        case JournalChange::kRestore:
            return change.added.size() == 1
                       ? cartera::FillText(LS(kAddName), {DescribeMovement(change.added[0].order)})
                       : ImportName(change.added.size());
        case JournalChange::kImport:
            return ImportName(change.added.size());
        case JournalChange::kDelete:
            return change.removed.size() == 1
                       ? cartera::FillText(LS(kDeleteName),
                                           {DescribeMovement(change.removed[0].order)})
                       : cartera::FillText(LS(kDeleteManyName),
                                           {std::to_string(change.removed.size())});
        case JournalChange::kModify:
            return change.before.empty()
                       ? std::string()
                       : cartera::FillText(LS(kModifyName),
                                           {DescribeMovement(change.before[0].order)});
    }
    return {};
}

}  // namespace

std::string DescribeMovement(const COrderCartera& m) {
    std::string letter = LS(MovementTypeLetterId(m.type));
    // The symbol as the grids show it; a quote code may be an ISIN nobody reads.
    if (m.IsAction()) return letter + " " + std::string(m.quoteCode) + " " + std::string(m.terms);
    if (m.IsExecution())
        return letter + " " +
               (m.symbol.empty() ? std::string(m.quoteCode) : std::string(m.symbol)) + " " +
               QuantityText(m.contracts);
    return letter + " " + PonPuntos(m.price * m.contracts.ToDouble(), m.decimals);
}

void UndoHistory::Record(JournalChange change) {
    m_undone.clear();
    if (m_done.size() >= kDepth) m_done.erase(m_done.begin());
    m_done.push_back(std::move(change));
}

void UndoHistory::Clear() {
    m_done.clear();
    m_undone.clear();
}

void UndoHistory::Set(std::vector<JournalChange> done, std::vector<JournalChange> undone) {
    m_done = std::move(done);
    m_undone = std::move(undone);
}

void UndoHistory::MoveLast(bool toDone) {
    std::vector<JournalChange>& from = toDone ? m_undone : m_done;
    if (from.empty()) return;
    (toDone ? m_done : m_undone).push_back(std::move(from.back()));
    from.pop_back();
}

std::string UndoHistory::UndoName() const { return m_done.empty() ? "" : NameOf(m_done.back()); }

std::string UndoHistory::RedoName() const {
    return m_undone.empty() ? "" : NameOf(m_undone.back());
}

bool UndoHistory::Undo(CSistemaCartera& ledger) {
    if (m_done.empty()) return false;
    MoveLast(false);  // first, so the change the ledger reports is not recorded over it
    const JournalChange step = m_undone.back();  // a copy: recording may clear the list
    ledger.ApplyChange(step, false);
    return true;
}

bool UndoHistory::Redo(CSistemaCartera& ledger) {
    if (m_undone.empty()) return false;
    MoveLast(true);
    const JournalChange step = m_done.back();
    ledger.ApplyChange(step, true);
    return true;
}
