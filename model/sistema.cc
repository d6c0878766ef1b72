#include "model/sistema.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

#include "host/strings.h"

namespace {

// One change of the journal as the document sees it (ILedgerDocument::BeginChange).
class ChangeScope {
  public:
    explicit ChangeScope(ILedgerDocument* doc) : m_doc(doc) {
        if (m_doc) m_doc->BeginChange();
    }
    ~ChangeScope() {
        if (m_doc) m_doc->EndChange();
    }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

  private:
    ILedgerDocument* m_doc;
};

}  // namespace

CSistemaCartera::CSistemaCartera() : m_pAdm(std::make_unique<CAdmComisiones>()) { m_pAdm->Load(); }

CSistemaCartera::CSistemaCartera(std::unique_ptr<CAdmComisiones> adm) : m_pAdm(std::move(adm)) {}

CSistemaCartera::~CSistemaCartera() { UnregisterAll(); }

std::string CSistemaCartera::GetNombreCartera() const {
    return m_pDoc ? m_pDoc->GetTitle() : std::string();
}

void CSistemaCartera::SetNombreCartera(const std::string& name) {
    if (m_pDoc) m_pDoc->SetTitle(name);
}

void CSistemaCartera::BuildIndex() const {
    if (m_indexValid) return;
    m_idIndex.clear();
    m_idIndex.reserve(m_orders.size());
    for (uint32_t i = 0; i < m_orders.size(); ++i) m_idIndex.emplace(m_orders[i].id, i);
    m_indexValid = true;
}

size_t CSistemaCartera::FindPlace(uint64_t id) const {
    if (m_idsAscending < 0) {
        m_idsAscending = static_cast<int8_t>(std::is_sorted(
            m_orders.begin(), m_orders.end(),
            [](const COrderCartera& a, const COrderCartera& b) { return a.id < b.id; }));
    }
    if (m_idsAscending) {  // the first movement with the id, without an index
        auto it = std::lower_bound(m_orders.begin(), m_orders.end(), id,
                                   [](const COrderCartera& m, uint64_t v) { return m.id < v; });
        return it != m_orders.end() && it->id == id ? static_cast<size_t>(it - m_orders.begin())
                                                    : SIZE_MAX;
    }
    BuildIndex();
    auto it = m_idIndex.find(id);
    return it == m_idIndex.end() ? SIZE_MAX : it->second;
}

void CSistemaCartera::NoteAppended() {
    const size_t place = m_orders.size() - 1;
    if (m_idsAscending > 0 && place > 0 && m_orders[place].id < m_orders[place - 1].id)
        m_idsAscending = 0;
    if (m_indexValid) m_idIndex.emplace(m_orders[place].id, place);
}

COrderCartera* CSistemaCartera::GetOrden(uint64_t id) {
    size_t place = FindPlace(id);
    return place == SIZE_MAX ? nullptr : &m_orders[place];
}

const CNegocioC* CSistemaCartera::GetOpAbierta(uint64_t id) const {
    for (const auto& t : m_open)
        if (t.id == id) return &t;
    return nullptr;
}

int CSistemaCartera::GetEntryOrder(uint64_t id, COrderCartera& out) const {
    size_t place = FindPlace(id);
    if (place == SIZE_MAX) return 0;
    out = m_orders[place];
    return 1;
}

void CSistemaCartera::SaveDocument(const JournalChange& change) {
    if (m_pDoc) m_pDoc->SaveChange(change);
}

void CSistemaCartera::TellDocument(const JournalChange& change) {
    if (m_pDoc) m_pDoc->JournalChanged(change);
}

void CSistemaCartera::UpdateAllViews() {
    if (m_pDoc) m_pDoc->UpdateAllViews();
}

void CSistemaCartera::RecomputeAndRefresh() {
    CasarOrdenes();
    CalcularCapital();
    if (m_pGridValoracion) m_pGridValoracion->Refresh();
}

void CSistemaCartera::Admit(COrderCartera& m) {
    if (!m.quoteCode.empty() && m.IsExecution()) {
        RegisterQuote(cartera::MakeQuoteRequest(m.quoteCode), nullptr);
    }
    if (m.quoteCode.empty()) m.quoteCode = m.symbol;
    ++m_lastId;
    m.id = m_lastId;
}

void CSistemaCartera::Append(COrderCartera m) {
    Admit(m);
    m_orderEdits.Inserted(m_orders.size());
    m_orders.push_back(m);
    NoteAppended();
}

void CSistemaCartera::AddOrders(std::vector<COrderCartera> batch,
                                const std::function<void(size_t)>& progress,
                                const std::vector<uint64_t>& withdrawn) {
    ChangeScope change(m_pDoc);
    JournalChange told{JournalChange::kImport, {}, {}, {}, {}};
    if (!withdrawn.empty()) RemoveIds(withdrawn, &told);
    const size_t count = batch.size();
    if (m_orders.empty()) {
        // An empty journal takes the batch's records as they are, given ids in place.
        m_orders.swap(batch);
        m_orderEdits.Reset();
        InvalidateIndex();
        for (size_t i = 0; i < count; ++i) {
            Admit(m_orders[i]);
            if (progress && (i + 1) % 1000 == 0) progress(i + 1);
        }
    } else {
        m_orders.reserve(m_orders.size() + count);
        for (size_t i = 0; i < count; ++i) {
            Append(batch[i]);
            if (progress && (i + 1) % 1000 == 0) progress(i + 1);
        }
    }
    if (progress) progress(count);
    if (m_pDoc) {
        told.added.reserve(count);
        for (size_t i = m_orders.size() - count; i < m_orders.size(); ++i)
            told.added.push_back({i, m_orders[i]});
        TellDocument(told);
        SaveDocument(told);
    }
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::AddOrder(COrderCartera m) {
    ChangeScope change(m_pDoc);
    const bool execution = m.IsExecution();
    const bool summed = m_cashSummed == m_orders.size();
    const bool matched = m_matchedSize == m_orders.size();
    Append(m);
    const JournalChange told{
        JournalChange::kAdd, {}, {{m_orders.size() - 1, m_orders.back()}}, {}, {}};
    TellDocument(told);
    SaveDocument(told);
    FollowAppended(execution, summed, matched);
}

void CSistemaCartera::FollowAppended(bool execution, bool summed, bool matched) {
    // Only the new movement's security is matched again, and only the new movement is added
    // to the running sums; each gives what doing all of it again would.
    if (execution && !MatchAppended()) CasarOrdenes();
    if (!execution && matched) m_matchedSize = m_orders.size();  // cash changes no trade
    if (summed) {
        SumCashMovements(m_orders.size() - 1);
        FinishCapital();
    } else {
        CalcularCapital();
    }
    if (m_pGridValoracion) m_pGridValoracion->Refresh();
    UpdateAllViews();
}

void CSistemaCartera::ShiftEntries(size_t deleted) {
    const auto gone = static_cast<uint32_t>(deleted);
    const std::vector<uint32_t> at = {gone};
    m_closed.ReplaceAtEntries(at, {});
    m_open.ReplaceAtEntries(at, {});
    std::erase(m_ticked, gone);
    std::erase_if(m_loadedExits, [gone](const LoadedExit& e) { return e.place == gone; });
    for (auto& [code, open] : m_openByCode) {
        // The deleted movement's open trade is gone, and its place is the next movement's.
        auto from = open.places.begin() + static_cast<long>(open.head);
        auto held = std::lower_bound(from, open.places.end(), gone);
        if (held != open.places.end() && *held == gone) open.places.erase(held);
    }
    MovePlaces(gone + 1, -1);
}

void CSistemaCartera::MovePlaces(uint32_t from, int delta) {
    m_closed.MoveEntries(from, delta);
    m_open.MoveEntries(from, delta);
    const auto by = static_cast<uint32_t>(delta);
    auto move = [from, by](uint32_t& place) { place += place >= from ? by : 0; };
    for (uint32_t& place : m_ticked) move(place);
    for (LoadedExit& e : m_loadedExits) move(e.place);
    for (auto& [code, open] : m_openByCode)
        for (uint32_t& place : open.places) move(place);
    for (auto& [code, places] : m_execByCode)
        for (uint32_t& place : places) move(place);
}

void CSistemaCartera::RematchAndRefresh(const std::vector<std::string>& lowered, size_t changed,
                                        bool sumsHold) {
    if (!RematchSecurities(lowered, changed)) CasarOrdenes();
    if (sumsHold) {  // only executions changed: the cash movements' sums are what they were
        m_cashSummed = m_orders.size();
        FinishCapital();
    } else {
        CalcularCapital();
    }
    if (m_pGridValoracion) m_pGridValoracion->Refresh();
}

// A delete or a modify matches again only the securities it touches (two when a modify
// changes the code); the sums of the cash movements are summed again, which is cheap.
void CSistemaCartera::DelOrder(uint64_t id) {
    ChangeScope change(m_pDoc);
    const size_t index = FindPlace(id);
    if (index == SIZE_MAX) return;
    const COrderCartera& m = m_orders[index];
    std::vector<std::string> lowered;
    if (m.IsExecution()) {
        UnregisterQuote(cartera::MakeQuoteRequest(m.quoteCode), nullptr);
        lowered.push_back(cartera::LowerAscii(m.quoteCode));
    }
    const bool matched = m_matchedSize == m_orders.size();
    const bool sumsHold = m.IsExecution() && m_cashSummed == m_orders.size();
    if (matched) IndexExecution(index, false);
    const JournalChange told{JournalChange::kDelete, {{index, m}}, {}, {}, {}};
    TellDocument(told);
    m_orders.erase(m_orders.begin() + static_cast<long>(index));
    m_orderEdits.Erased(index);
    // Ascending ids stay ascending and need no index; else the index follows the places
    // that moved back, and the id leads to its next copy, if any.
    if (m_idsAscending > 0) {
        m_indexValid = false;
    } else if (m_indexValid) {
        m_idIndex.erase(id);
        for (auto& [key, place] : m_idIndex)
            if (place > index) --place;
        for (size_t j = index; j < m_orders.size(); ++j) {
            if (m_orders[j].id == id) {
                m_idIndex.emplace(id, static_cast<uint32_t>(j));
                break;
            }
        }
    }
    if (matched) {
        ShiftEntries(index);
        m_matchedSize = m_orders.size();
    }
    RematchAndRefresh(lowered, SIZE_MAX, sumsHold);
    UpdateAllViews();
    SaveDocument(told);
}

void CSistemaCartera::ModOrder(COrderCartera m) {
    ChangeScope change(m_pDoc);
    std::vector<std::string> lowered;
    bool sumsHold = m_cashSummed == m_orders.size();
    const size_t place = FindPlace(m.id);
    JournalChange told{JournalChange::kModify, {}, {}, {}, {}};
    if (place != SIZE_MAX) {
        COrderCartera* existing = &m_orders[place];
        if (existing->IsExecution()) lowered.push_back(cartera::LowerAscii(existing->quoteCode));
        if (m.IsExecution()) lowered.push_back(cartera::LowerAscii(m.quoteCode));
        sumsHold = sumsHold && existing->IsExecution() && m.IsExecution();
        told.before.push_back({place, *existing});
        told.after.push_back({place, m});
        TellDocument(told);
        const bool matched = m_matchedSize == m_orders.size();
        if (matched) IndexExecution(place, false);
        *existing = m;
        if (matched) IndexExecution(place, true);
        m_orderEdits.Edited(place);
    }
    RematchAndRefresh(lowered, place, sumsHold);
    UpdateAllViews();
    SaveDocument(told);  // an unknown id saves as the others do, with nothing to record
}

void CSistemaCartera::ReplayHeader(uint32_t lastId, int32_t activeTab) {
    m_lastId = lastId;
    m_activeTab = activeTab;
}

void CSistemaCartera::ReplayAdd(COrderCartera m) {
    m_orderEdits.Inserted(m_orders.size());
    m_orders.push_back(m);
    NoteAppended();
}

bool CSistemaCartera::ReplayModify(size_t place, COrderCartera m) {
    if (place >= m_orders.size()) return false;
    m_matchedSize = SIZE_MAX;  // the trades no longer reflect the journal
    m_orders[place] = m;
    m_orderEdits.Edited(place);
    InvalidateIndex();
    return true;
}

bool CSistemaCartera::ReplayInsert(size_t place, COrderCartera m) {
    if (place > m_orders.size()) return false;
    m_orders.insert(m_orders.begin() + static_cast<long>(place), m);
    m_orderEdits.Inserted(place);
    InvalidateIndex();
    m_matchedSize = SIZE_MAX;  // the trades no longer reflect the journal
    return true;
}

bool CSistemaCartera::ReplayRemove(size_t place) {
    if (place >= m_orders.size()) return false;
    m_matchedSize = SIZE_MAX;  // the trades no longer reflect the journal
    m_orders.erase(m_orders.begin() + static_cast<long>(place));
    m_orderEdits.Erased(place);
    InvalidateIndex();
    return true;
}

// The delete of a selection and the undo of a change (movements back at their places, with
// their ids) are one change each, with one save and one matching.
void CSistemaCartera::RemoveIds(const std::vector<uint64_t>& ids, JournalChange* told) {
    std::unordered_set<uint64_t> wanted(ids.begin(), ids.end());
    size_t kept = 0;
    for (size_t i = 0; i < m_orders.size(); ++i) {
        COrderCartera& m = m_orders[i];
        if (wanted.erase(m.id)) {  // the first movement with the id goes
            if (m.IsExecution()) UnregisterQuote(cartera::MakeQuoteRequest(m.quoteCode), nullptr);
            m_orderEdits.Erased(kept);  // the ones before it are gone already
            told->removed.push_back({i, m});
            continue;
        }
        if (kept != i) m_orders[kept] = m;
        ++kept;
    }
    m_orders.resize(kept);
    InvalidateIndex();
}

void CSistemaCartera::DelOrders(const std::vector<uint64_t>& ids) {
    if (ids.size() == 1) return DelOrder(ids.front());  // the undo of an add
    ChangeScope change(m_pDoc);
    JournalChange told{JournalChange::kDelete, {}, {}, {}, {}};
    RemoveIds(ids, &told);
    if (told.removed.empty()) return;
    TellDocument(told);
    RecomputeAndRefresh();
    UpdateAllViews();
    SaveDocument(told);
}

void CSistemaCartera::Readmit(const COrderCartera& m) {
    if (m.IsExecution() && !m.quoteCode.empty())
        RegisterQuote(cartera::MakeQuoteRequest(m.quoteCode), nullptr);
    // Ids are never given twice: the next new movement's comes after these.
    if (m.id != kNoId && m.id <= UINT32_MAX)
        m_lastId = std::max(m_lastId, static_cast<uint32_t>(m.id));
}

void CSistemaCartera::InsertOrders(std::vector<PlacedOrder> placed) {
    if (placed.empty()) return;
    ChangeScope change(m_pDoc);
    if (placed.size() == 1 && placed[0].place >= m_orders.size()) {
        // One movement back at the end, the redo of an add, is an add with its own id.
        const COrderCartera& m = placed[0].order;
        const bool summed = m_cashSummed == m_orders.size();
        const bool matched = m_matchedSize == m_orders.size();
        Readmit(m);
        placed[0].place = m_orders.size();
        m_orderEdits.Inserted(m_orders.size());
        m_orders.push_back(m);
        NoteAppended();
        const JournalChange told{JournalChange::kRestore, {}, std::move(placed), {}, {}};
        TellDocument(told);
        SaveDocument(told);
        FollowAppended(m_orders.back().IsExecution(), summed, matched);
        return;
    }
    if (placed.size() == 1) return InsertOne(placed[0]);  // the undo of a delete
    for (PlacedOrder& p : placed) {
        Readmit(p.order);
        p.place = std::min(p.place, m_orders.size());
        m_orders.insert(m_orders.begin() + static_cast<long>(p.place), p.order);
        m_orderEdits.Inserted(p.place);
    }
    InvalidateIndex();
    const JournalChange told{JournalChange::kRestore, {}, std::move(placed), {}, {}};
    TellDocument(told);
    SaveDocument(told);
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::InsertOne(const PlacedOrder& placed) {
    const COrderCartera& m = placed.order;
    const size_t place = placed.place;
    const bool matched = m_matchedSize == m_orders.size();
    const bool sumsHold = m.IsExecution() && m_cashSummed == m_orders.size();
    Readmit(m);
    m_orders.insert(m_orders.begin() + static_cast<long>(place), m);
    m_orderEdits.Inserted(place);
    // Ids that go up along the journal still do when the movement fits between its
    // neighbours, as the undo of a delete puts it; else look-ups index the journal again.
    const bool fits = m_idsAscending > 0 && (place == 0 || m_orders[place - 1].id < m.id) &&
                      m_orders[place + 1].id > m.id;
    if (fits)
        m_indexValid = false;
    else
        InvalidateIndex();
    std::vector<std::string> lowered;
    if (m.IsExecution()) lowered.push_back(cartera::LowerAscii(m.quoteCode));
    if (matched) {
        MovePlaces(static_cast<uint32_t>(place), 1);
        m_matchedSize = m_orders.size();
        IndexExecution(place, true);
    }
    const JournalChange told{JournalChange::kRestore, {}, {{place, m}}, {}, {}};
    TellDocument(told);
    RematchAndRefresh(lowered, SIZE_MAX, sumsHold);
    UpdateAllViews();
    SaveDocument(told);
}

void CSistemaCartera::ApplyChange(const JournalChange& change, bool forward) {
    const std::vector<PlacedOrder>& gone = forward ? change.removed : change.added;
    const std::vector<PlacedOrder>& back = forward ? change.added : change.removed;
    const std::vector<PlacedOrder>& modified = forward ? change.after : change.before;
    std::vector<uint64_t> ids;
    ids.reserve(gone.size());
    for (const PlacedOrder& p : gone) ids.push_back(p.order.id);
    // What one call does alone keeps its own, cheaper way.
    if (gone.empty() && back.empty() && modified.size() == 1) return ModOrder(modified[0].order);
    if (back.empty() && modified.empty()) return DelOrders(ids);
    if (gone.empty() && modified.empty()) return InsertOrders(back);
    ChangeScope scope(m_pDoc);
    JournalChange told{change.kind, {}, {}, {}, {}};
    RemoveIds(ids, &told);
    for (const PlacedOrder& p : back) {
        Readmit(p.order);
        const size_t place = std::min(p.place, m_orders.size());
        m_orders.insert(m_orders.begin() + static_cast<long>(place), p.order);
        m_orderEdits.Inserted(place);
        told.added.push_back({place, p.order});
    }
    InvalidateIndex();
    for (const PlacedOrder& p : modified) {
        const size_t place = FindPlace(p.order.id);
        if (place == SIZE_MAX) continue;
        told.before.push_back({place, m_orders[place]});
        told.after.push_back({place, p.order});
        m_orders[place] = p.order;
        m_orderEdits.Edited(place);
    }
    TellDocument(told);
    SaveDocument(told);
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::GenerarSistema() { RecomputeAndRefresh(); }

void CSistemaCartera::RepriceOpenTrades() {
    // Matching values each trade at its entry price; the prices ticks gave are put back.
    std::vector<std::pair<uint32_t, double>> ticked;
    for (size_t k = 0; k < m_open.size(); ++k) {
        const CNegocioC& t = m_open[k];
        if (t.revalue &&
            std::bit_cast<uint64_t>(t.exitPrice) != std::bit_cast<uint64_t>(t.entryPrice))
            ticked.emplace_back(m_open.EntryAt(k), t.exitPrice);
    }
    CasarOrdenes();
    for (auto [place, last] : ticked)
        if (size_t k = OpenTradeAt(place); k != SIZE_MAX) ValueAtTick(k, last);
    CalcularCapital();
    if (m_pGridValoracion) m_pGridValoracion->Refresh();
    UpdateAllViews();
}

void CSistemaCartera::DoAfterLoadingProcess() {
    RecomputeAndRefresh();
    // Matching valued each at its own price with the schedule's exit commission (to the bit:
    // -0 and NaN are values of their own); the next change puts back what it gave.
    std::vector<LoadedExit> loaded;
    m_open.EditAll([&](CNegocioC& t) {
        t.revalue =
            std::bit_cast<uint64_t>(t.exitPrice) != std::bit_cast<uint64_t>(t.entryPrice) ||
            std::bit_cast<uint64_t>(t.exitCommission) != std::bit_cast<uint64_t>(t.entryCommission);
        if (t.revalue) loaded.push_back({t.entryPosition, t.exitPrice, t.exitCommission});
        t.exitPrice = t.entryPrice;
        t.exitCommission = t.entryCommission;
    });
    m_loadedExits = std::move(loaded);
    RegisterAll();
}
