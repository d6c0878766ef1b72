#pragma once
// The portfolio ledger: the face the grids, the window and the command line use. Its jobs
// have parts of their own: the journal (model/journal.h), matching and the trade lists
// (model/trade_book.h), the totals (model/totals.h), live valuation
// (model/live_valuation.h) and the file body (model/body.h); the ledger runs a change through
// them in turn, saves it through its document and tells its views.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commissions/comisiones.h"
#include "host/market.h"
#include "model/journal.h"
#include "model/journal_change.h"
#include "model/links.h"
#include "model/live_valuation.h"
#include "model/order.h"
#include "model/totals.h"
#include "model/trade.h"
#include "model/trade_book.h"
#include "model/trade_list.h"

class CSistemaCartera : public CObjectZorb {
  public:
    // Creates the administrator of ctx's commission file and loads it at once (a damaged
    // file throws CArchiveException, as CAdmComisiones::Load). The ledger keeps a copy of
    // ctx: its file system, home folder and clock are the ledger's for its lifetime.
    explicit CSistemaCartera(const cartera::Context& ctx);
    // Takes an administrator its caller has loaded already (the workstation reports a
    // damaged commission file and goes on with what was read).
    CSistemaCartera(std::unique_ptr<CAdmComisiones> adm, const cartera::Context& ctx);
    // Ends every quote registration.
    ~CSistemaCartera() override;

    CSistemaCartera(const CSistemaCartera&) = delete;
    CSistemaCartera& operator=(const CSistemaCartera&) = delete;

    // The document that saves the journal (not owned; null: nothing is saved).
    void SetDocumento(ILedgerDocument* doc) { m_pDoc = doc; }
    ILedgerDocument* GetDocumento() const { return m_pDoc; }
    // The views that show the ledger (not owned). A view joins once; one that has joined
    // another ledger leaves it first. A view leaves by itself when it is destroyed.
    void AddView(ILedgerView* view);
    void RemoveView(ILedgerView* view);

    CAdmComisiones* GetAdmComisiones() const { return m_pAdm.get(); }
    // The context the ledger was made with: the file system, home folder and clock of the
    // dialogs and windows that work on it.
    const cartera::Context& GetContext() const { return m_context; }
    void SetPestanaActiva(int tab) { m_activeTab = tab; }
    int GetPestanaActiva() const { return m_activeTab; }
    uint32_t GetLastId() const { return m_journal.LastId(); }

    double GetCapital() const { return m_totals.capital; }
    double GetGanAbiertas() const { return m_totals.openProfit; }
    double GetGanCerradas() const { return m_totals.closedProfit; }
    double GetInvertido() const { return m_totals.invested; }
    double GetImposiciones() const { return m_totals.impositions; }
    double GetIngresos() const { return m_totals.deposits; }
    double GetReintegros() const { return m_totals.refunds; }
    double GetGastos() const { return m_totals.expenses; }
    double GetDividendos() const { return m_totals.dividends; }
    double GetGarantias() const { return m_totals.guarantees; }
    // What the rates' moves did to the trades' results, in the portfolio's currency.
    double GetExchangePart() const { return m_totals.exchangePart; }

    // The document's title; empty without a document.
    std::string GetNombreCartera() const;
    void SetNombreCartera(const std::string& name);

    // The portfolio's currency (ISO 4217), empty until named. Naming it changes what the
    // journal means as a whole: the caller saves the file whole after it.
    const std::string& GetCurrency() const { return m_journal.Currency(); }
    void SetCurrency(std::string code) { m_journal.SetCurrency(std::move(code)); }

    // The journal in entry order, and the trades as of the last matching.
    const CArrayOrders& GetOrders() const { return m_journal.Orders(); }
    const TradeList& GetClosedTrades() const { return m_book.Closed(); }
    const TradeList& GetOpenTrades() const { return m_book.Open(); }
    // The places of the journal the changes since a reader's mark touched.
    const cartera::EditLog& GetOrderEdits() const { return m_journal.Edits(); }
    const CArrayOrders& GetLegacyExtensions() const { return m_legacy; }
    // The grid layouts read while no grid was linked, as bytes written back unchanged;
    // empty when none were (the linked grids then write their own).
    const std::string& GetStoredLayouts() const { return m_detachedLayouts; }
    // The grid layouts as the portfolio file's last part would hold them now: the linked
    // grids' column widths, order and sort, or those kept while none was linked.
    std::string LayoutBytes();

    // Look-ups; pointers stay valid until the next change of the journal or matching.
    const COrderCartera* GetOrden(uint64_t id) const;
    const CNegocioC* GetOpAbierta(uint64_t id) const;
    // Copies the movement with that id into out and returns 1; 0 (out unchanged) if none.
    int GetEntryOrder(uint64_t id, COrderCartera& out) const;

    // Journal changes; each saves the file and updates the views.
    void AddOrder(COrderCartera m);
    void DelOrder(uint64_t id);      // unknown id: nothing at all
    void ModOrder(COrderCartera m);  // unknown id: the list is unchanged, the rest runs
    // Adds many movements as AddOrder adds each (registration, quote code, ids, order), but
    // saves, recomputes and updates the views once at the end. progress(n) is called after
    // every 1000th movement and at the end. The movements with the ids in withdrawn (the
    // first of each; a statement's cancels of trades an earlier import added) leave the
    // journal in the same change, before the batch comes in.
    void AddOrders(std::vector<COrderCartera> batch,
                   const std::function<void(size_t)>& progress = {},
                   const std::vector<uint64_t>& withdrawn = {});
    // Deletes the movements with these ids (the first of each, as DelOrder) as one change:
    // one save, one matching. Ids not in the journal are passed over; none at all: nothing.
    void DelOrders(const std::vector<uint64_t>& ids);
    // Puts movements back at their places (ascending, each as in the journal after all are
    // in) with their own ids, as one change; the undo of a delete, the redo of an add.
    void InsertOrders(std::vector<PlacedOrder> placed);
    // Makes change again (forward) or its inverse as one change of the journal, with one
    // save: the redo and the undo of a step. Movements it names by id that are not in the
    // journal are passed over.
    void ApplyChange(const JournalChange& change, bool forward);

    void GenerarSistema();
    void DoAfterLoadingProcess();
    // After the commission schedules changed: the open trades' exit commissions as matching
    // now gives them (a trade a tick valued keeps that price, with the new commission), the
    // totals following, and the views updated. The journal and the file stay as they are.
    void RepriceOpenTrades();

    // Totals.
    void CalcularCapital();
    double CalcularGarantias() const { return m_book.Open().GuaranteeSum(); }
    double GetUltimoSaldo(const COrderCartera& m) const { return m_totals.BalanceAfter(m); }

    // Live quotes.
    void RegisterAll();
    void UnregisterAll();
    void OnTicks(const CMensajePelvo& message) override;
    // The price of the latest buy or sell of code (by date and time, then journal order).
    bool ReferencePrice(std::string_view code, double* price) const override;
    void DoIdle();
    // The securities of the journal's buys, sells and dividends, each code once (its first
    // movement's name and decimals), in journal order.
    std::vector<MarketSymbol> OwnSymbols() const override;
    size_t RefreshQueueSize() const { return m_live.QueueSize(); }

    // The portfolio file body. Archive errors propagate; after a failed load the journal
    // holds the records read so far.
    virtual void Serialize(CArchive& ar);
    // Whether loading the body ends with DoAfterLoadingProcess (the default), or leaves it to
    // a caller that replays the change log first.
    void SetAfterLoading(bool run) { m_afterLoading = run; }
    // Reads grid layouts as the body ends with them (into the views that keep them, else
    // kept as bytes). Archive errors propagate; bytes after them are damage.
    void LoadLayouts(CArchive& ar);
    // The journal as the change log replays it onto a loaded body: movements as stored, the
    // header's counter and tab, nothing saved, registered or matched. Modify and remove name
    // a place in the journal; false (nothing changed) when there is none.
    void ReplayHeader(uint32_t lastId, int32_t activeTab);
    void ReplayAdd(COrderCartera m);
    bool ReplayModify(size_t place, COrderCartera m);
    bool ReplayRemove(size_t place);
    bool ReplayInsert(size_t place, COrderCartera m);  // place may be the end
    // The place of the first movement with the id; SIZE_MAX when there is none.
    size_t PlaceOf(uint64_t id) const { return m_journal.Find(id); }

    // Matching pieces, public for tests and the reference implementation.
    int GetExecuted(CArrayOrders& out) const;
    void CrearFictios(const CArrayOrders& remaining);

  protected:
    void CasarOrdenes();
    double GetGananciaPosicionesAbiertas() const { return m_book.Open().ProfitSum(); }

  private:
    void RecomputeAndRefresh();
    // Takes the first movement of each id out of the journal, each told in *told.removed
    // with its place before the change; ids not there are passed over.
    void RemoveIds(const std::vector<uint64_t>& ids, JournalChange* told);
    // Matches the given securities again (all when the trades do not reflect the journal);
    // the totals follow, the cash movements' sums summed again unless sumsHold (only
    // executions changed and the sums held the whole journal).
    void RematchAndRefresh(const std::vector<std::string>& lowered, size_t changed, bool sumsHold);
    // Puts one movement back at place, before the end, with its own id; its security alone
    // is matched again.
    void InsertOne(const PlacedOrder& placed);
    // Registers the movement's quote, fills in its code and gives it the next id.
    void Admit(COrderCartera& m);
    // Registers the quote of a movement put back with its own id; the id counter passes it.
    void Readmit(const COrderCartera& m);
    // After a movement was put at the end of the journal, told and saved: matches and sums it
    // alone where it can, and updates the views.
    void FollowAppended(bool execution, bool summed, bool matched);
    void FinishTotals() { m_totals.Finish(m_book.Closed(), m_book.Open()); }
    void SaveDocument(const JournalChange& change);
    void UpdateAllViews();
    void TellDocument(const JournalChange& change);
    void TellTotalsChanged();
    // The first view that keeps the layout; null when none does.
    ILedgerView* ViewKeeping(ILedgerView::Layout layout) const;
    void SerializeLayouts(CArchive& ar);

    cartera::Context m_context;  // before the trade book, which reads its clock
    std::unique_ptr<CAdmComisiones> m_pAdm;
    cartera::Journal m_journal;
    cartera::TradeBook m_book{m_journal, m_pAdm.get(), m_context};
    cartera::Totals m_totals;
    cartera::LiveValuation m_live{m_book};
    ILedgerDocument* m_pDoc = nullptr;
    std::vector<ILedgerView*> m_views;
    CArrayOrders m_legacy;
    int32_t m_activeTab = -1;
    // Layout bytes read while no grid was linked, written back as they were.
    std::string m_detachedLayouts;
    bool m_afterLoading = true;
};
