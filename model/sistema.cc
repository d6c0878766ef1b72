#include "model/sistema.h"

#include <algorithm>
#include <unordered_set>

#include "host/strings.h"
#include "model/action.h"

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

CSistemaCartera::CSistemaCartera(const cartera::Context& ctx)
    : m_context(ctx), m_pAdm(std::make_unique<CAdmComisiones>(ctx)) {
    m_pAdm->Load();
}

CSistemaCartera::CSistemaCartera(std::unique_ptr<CAdmComisiones> adm, const cartera::Context& ctx)
    : m_context(ctx), m_pAdm(std::move(adm)) {}

CSistemaCartera::~CSistemaCartera() {
    UnregisterAll();
    for (ILedgerView* view : m_views) view->m_observed = nullptr;
}

std::string CSistemaCartera::GetNombreCartera() const {
    return m_pDoc ? m_pDoc->GetTitle() : std::string();
}

void CSistemaCartera::SetNombreCartera(const std::string& name) {
    if (m_pDoc) m_pDoc->SetTitle(name);
}

void CSistemaCartera::AddView(ILedgerView* view) {
    if (view->m_observed == this) return;
    if (view->m_observed) view->m_observed->RemoveView(view);
    view->m_observed = this;
    m_views.push_back(view);
}

void CSistemaCartera::RemoveView(ILedgerView* view) {
    if (view->m_observed != this) return;
    view->m_observed = nullptr;
    std::erase(m_views, view);
}

ILedgerView::~ILedgerView() {
    if (m_observed) m_observed->RemoveView(this);
}

ILedgerView* CSistemaCartera::ViewKeeping(ILedgerView::Layout layout) const {
    for (ILedgerView* view : m_views)
        if (view->StoredLayout() == layout) return view;
    return nullptr;
}

void CSistemaCartera::TellTotalsChanged() {
    for (ILedgerView* view : std::vector<ILedgerView*>(m_views)) view->TotalsChanged();
}

const COrderCartera* CSistemaCartera::GetOrden(uint64_t id) const {
    size_t place = m_journal.Find(id);
    return place == SIZE_MAX ? nullptr : &m_journal[place];
}

const CNegocioC* CSistemaCartera::GetOpAbierta(uint64_t id) const {
    for (const auto& t : m_book.Open())
        if (t.id == id) return &t;
    return nullptr;
}

int CSistemaCartera::GetEntryOrder(uint64_t id, COrderCartera& out) const {
    size_t place = m_journal.Find(id);
    if (place == SIZE_MAX) return 0;
    out = m_journal[place];
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

void CSistemaCartera::CasarOrdenes() { m_book.MatchAll(); }

void CSistemaCartera::CalcularCapital() {
    m_totals.SumAll(m_journal.Orders());
    FinishTotals();
}

void CSistemaCartera::RecomputeAndRefresh() {
    CasarOrdenes();
    CalcularCapital();
    TellTotalsChanged();
}

void CSistemaCartera::Admit(COrderCartera& m) {
    if (const PooledText code = cartera::QuotedCode(m); !code.empty())
        RegisterQuote(cartera::MakeQuoteRequest(code), nullptr);
    if (m.IsExecution())
        if (const std::string rate = cartera::RateCode(GetCurrency(), m.currency); !rate.empty())
            RegisterQuote(cartera::MakeQuoteRequest(rate), nullptr);
    if (m.quoteCode.empty()) m.quoteCode = m.symbol;
    m_journal.GiveId(m);
}

void CSistemaCartera::Readmit(const COrderCartera& m) {
    if (const PooledText code = cartera::QuotedCode(m); !code.empty())
        RegisterQuote(cartera::MakeQuoteRequest(code), nullptr);
    m_journal.PassId(m.id);
}

void CSistemaCartera::AddOrders(std::vector<COrderCartera> batch,
                                const std::function<void(size_t)>& progress,
                                const std::vector<uint64_t>& withdrawn) {
    ChangeScope change(m_pDoc);
    JournalChange told{JournalChange::kImport, {}, {}, {}, {}};
    if (!withdrawn.empty()) RemoveIds(withdrawn, &told);
    const size_t count = batch.size();
    auto admitted = [&](size_t i) {
        if (progress && (i + 1) % 1000 == 0) progress(i + 1);
    };
    if (m_journal.empty()) {
        // An empty journal takes the batch's records as they are, given ids in place.
        CArrayOrders& taken = m_journal.TakeBatch(std::move(batch));
        for (size_t i = 0; i < count; ++i) {
            Admit(taken[i]);
            admitted(i);
        }
    } else {
        m_journal.Reserve(m_journal.size() + count);
        for (size_t i = 0; i < count; ++i) {
            Admit(batch[i]);
            m_journal.Append(batch[i]);
            admitted(i);
        }
    }
    if (progress) progress(count);
    if (m_pDoc) {
        told.added.reserve(count);
        for (size_t i = m_journal.size() - count; i < m_journal.size(); ++i)
            told.added.push_back({i, m_journal[i]});
        TellDocument(told);
        SaveDocument(told);
    }
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::AddOrder(COrderCartera m) {
    ChangeScope change(m_pDoc);
    const bool execution = m.IsExecution();
    const bool summed = m_totals.Summed(m_journal.size());
    const bool matched = m_book.Matched();
    Admit(m);
    m_journal.Append(m);
    const JournalChange told{
        JournalChange::kAdd, {}, {{m_journal.size() - 1, m_journal.back()}}, {}, {}};
    TellDocument(told);
    SaveDocument(told);
    FollowAppended(execution, summed, matched);
}

void CSistemaCartera::FollowAppended(bool execution, bool summed, bool matched) {
    // Only the new movement's security is matched again, and only the new movement is added
    // to the running sums; each gives what doing all of it again would.
    // An action changes the lots open before it: the journal is matched whole.
    const bool action = m_journal.back().IsAction();
    if (action || (execution && !m_book.MatchAppended())) CasarOrdenes();
    if (!execution && !action) m_book.CashAppended(matched);
    if (summed) {
        m_totals.SumFrom(m_journal.Orders(), m_journal.size() - 1);
        FinishTotals();
    } else {
        CalcularCapital();
    }
    TellTotalsChanged();
    UpdateAllViews();
}

void CSistemaCartera::RematchAndRefresh(const std::vector<std::string>& lowered, size_t changed,
                                        bool sumsHold) {
    if (!m_book.RematchSecurities(lowered, changed)) CasarOrdenes();
    if (sumsHold) {  // only executions changed: the cash movements' sums are what they were
        m_totals.cashSummed = m_journal.size();
        FinishTotals();
    } else {
        CalcularCapital();
    }
    TellTotalsChanged();
}

// A delete or a modify matches again only the securities it touches (two when a modify
// changes the code); the sums of the cash movements are summed again, which is cheap.
void CSistemaCartera::DelOrder(uint64_t id) {
    ChangeScope change(m_pDoc);
    const size_t index = m_journal.Find(id);
    if (index == SIZE_MAX) return;
    const COrderCartera m = m_journal[index];
    std::vector<std::string> lowered;
    if (m.IsExecution()) {
        UnregisterQuote(cartera::MakeQuoteRequest(m.quoteCode), nullptr);
        lowered.push_back(cartera::LowerAscii(m.quoteCode));
    } else if (const PooledText code = cartera::QuotedCode(m); !code.empty()) {
        UnregisterQuote(cartera::MakeQuoteRequest(code), nullptr);
    }
    const bool matched = m_book.Matched();
    const bool sumsHold = m.IsExecution() && m_totals.Summed(m_journal.size());
    if (matched) m_book.IndexExecution(index, false);
    const JournalChange told{JournalChange::kDelete, {{index, m}}, {}, {}, {}};
    TellDocument(told);
    m_journal.Erase(index);
    if (matched) {
        m_book.ShiftEntries(index);
        m_book.Rematched();
    }
    RematchAndRefresh(lowered, SIZE_MAX, sumsHold);
    UpdateAllViews();
    SaveDocument(told);
}

void CSistemaCartera::ModOrder(COrderCartera m) {
    ChangeScope change(m_pDoc);
    std::vector<std::string> lowered;
    bool sumsHold = m_totals.Summed(m_journal.size());
    const size_t place = m_journal.Find(m.id);
    JournalChange told{JournalChange::kModify, {}, {}, {}, {}};
    if (place != SIZE_MAX) {
        const COrderCartera& existing = m_journal[place];
        if (existing.IsExecution()) lowered.push_back(cartera::LowerAscii(existing.quoteCode));
        if (m.IsExecution()) lowered.push_back(cartera::LowerAscii(m.quoteCode));
        sumsHold = sumsHold && existing.IsExecution() && m.IsExecution();
        told.before.push_back({place, existing});
        told.after.push_back({place, m});
        TellDocument(told);
        const bool matched = m_book.Matched();
        if (matched) m_book.IndexExecution(place, false);
        m_journal.Modify(place, m);
        if (matched) m_book.IndexExecution(place, true);
        if (m.IsAction()) m_book.Forget();  // matched whole, as every change with actions
    }
    RematchAndRefresh(lowered, place, sumsHold);
    UpdateAllViews();
    SaveDocument(told);  // an unknown id saves as the others do, with nothing to record
}

void CSistemaCartera::ReplayHeader(uint32_t lastId, int32_t activeTab) {
    m_journal.SetLastId(lastId);
    m_activeTab = activeTab;
}

void CSistemaCartera::ReplayAdd(COrderCartera m) { m_journal.Append(m); }

bool CSistemaCartera::ReplayModify(size_t place, COrderCartera m) {
    if (place >= m_journal.size()) return false;
    m_book.Forget();
    m_journal.Modify(place, m);
    return true;
}

bool CSistemaCartera::ReplayInsert(size_t place, COrderCartera m) {
    if (place > m_journal.size()) return false;
    m_book.Forget();
    m_journal.Insert(place, m);
    return true;
}

bool CSistemaCartera::ReplayRemove(size_t place) {
    if (place >= m_journal.size()) return false;
    m_book.Forget();
    m_journal.Erase(place);
    return true;
}

// The delete of a selection and the undo of a change (movements back at their places, with
// their ids) are one change each, with one save and one matching.
void CSistemaCartera::RemoveIds(const std::vector<uint64_t>& ids, JournalChange* told) {
    m_journal.RemoveIds(ids, [&](size_t place, const COrderCartera& m) {
        if (const PooledText code = cartera::QuotedCode(m); m.IsExecution() || !code.empty())
            UnregisterQuote(cartera::MakeQuoteRequest(code), nullptr);
        told->removed.push_back({place, m});
    });
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

void CSistemaCartera::InsertOrders(std::vector<PlacedOrder> placed) {
    if (placed.empty()) return;
    ChangeScope change(m_pDoc);
    if (placed.size() == 1 && placed[0].place >= m_journal.size()) {
        // One movement back at the end, the redo of an add, is an add with its own id.
        const COrderCartera& m = placed[0].order;
        const bool summed = m_totals.Summed(m_journal.size());
        const bool matched = m_book.Matched();
        Readmit(m);
        placed[0].place = m_journal.size();
        m_journal.Append(m);
        const JournalChange told{JournalChange::kRestore, {}, std::move(placed), {}, {}};
        TellDocument(told);
        SaveDocument(told);
        FollowAppended(m_journal.back().IsExecution(), summed, matched);
        return;
    }
    if (placed.size() == 1) return InsertOne(placed[0]);  // the undo of a delete
    for (PlacedOrder& p : placed) {
        Readmit(p.order);
        p.place = std::min(p.place, m_journal.size());
        m_journal.Insert(p.place, p.order);
    }
    m_book.Forget();
    const JournalChange told{JournalChange::kRestore, {}, std::move(placed), {}, {}};
    TellDocument(told);
    SaveDocument(told);
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::InsertOne(const PlacedOrder& placed) {
    const COrderCartera& m = placed.order;
    const size_t place = placed.place;
    const bool matched = m_book.Matched();
    const bool sumsHold = m.IsExecution() && m_totals.Summed(m_journal.size());
    Readmit(m);
    m_journal.Insert(place, m);
    std::vector<std::string> lowered;
    if (m.IsExecution()) lowered.push_back(cartera::LowerAscii(m.quoteCode));
    if (matched) {
        m_book.MovePlaces(static_cast<uint32_t>(place), 1);
        m_book.Rematched();
        m_book.IndexExecution(place, true);
    }
    if (m.IsAction()) m_book.Forget();
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
        const size_t place = std::min(p.place, m_journal.size());
        m_journal.Insert(place, p.order);
        told.added.push_back({place, p.order});
    }
    for (const PlacedOrder& p : modified) {
        const size_t place = m_journal.Find(p.order.id);
        if (place == SIZE_MAX) continue;
        told.before.push_back({place, m_journal[place]});
        told.after.push_back({place, p.order});
        m_journal.Modify(place, p.order);
    }
    m_book.Forget();
    TellDocument(told);
    SaveDocument(told);
    RecomputeAndRefresh();
    UpdateAllViews();
}

void CSistemaCartera::GenerarSistema() { RecomputeAndRefresh(); }

void CSistemaCartera::RepriceOpenTrades() {
    m_book.Reprice();
    CalcularCapital();
    TellTotalsChanged();
    UpdateAllViews();
}

void CSistemaCartera::DoAfterLoadingProcess() {
    RecomputeAndRefresh();
    m_book.AfterLoading();
    RegisterAll();
}

int CSistemaCartera::GetExecuted(CArrayOrders& out) const {
    for (const auto& m : m_journal.Orders())
        if (m.IsExecution()) out.push_back(m);
    return out.empty() ? 0 : 1;
}

void CSistemaCartera::CrearFictios(const CArrayOrders& remaining) {
    m_book.MakeFictitious(remaining);
}
