#pragma once
// The portfolio ledger: the journal of movements and everything derived from it — closed
// and open trades, the totals, live valuation — and the portfolio file body.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "commissions/comisiones.h"
#include "host/market.h"
#include "model/edit_log.h"
#include "model/journal_change.h"
#include "model/links.h"
#include "model/order.h"
#include "model/trade.h"
#include "model/trade_list.h"

class CSistemaCartera : public CObjectZorb {
  public:
    // Creates the commission administrator and loads the commission file at once.
    CSistemaCartera();
    // Takes an administrator its caller has loaded already (the workstation reports a
    // damaged commission file and goes on with what was read).
    explicit CSistemaCartera(std::unique_ptr<CAdmComisiones> adm);
    // Ends every quote registration.
    ~CSistemaCartera() override;

    // Links (not owned); the views set them when their windows are created.
    void SetDocumento(ILedgerDocument* doc) { m_pDoc = doc; }
    void SetGridCartera(ILedgerListGrid* grid) { m_pGridCartera = grid; }
    void SetGridAbiertas(ILedgerOpenTradesGrid* grid) { m_pGridAbiertas = grid; }
    void SetGridCerradas(ILedgerListGrid* grid) { m_pGridCerradas = grid; }
    void SetGridValoracion(ILedgerValuationGrid* grid) { m_pGridValoracion = grid; }
    ILedgerDocument* GetDocumento() const { return m_pDoc; }

    CAdmComisiones* GetAdmComisiones() const { return m_pAdm.get(); }
    void SetPestanaActiva(int tab) { m_activeTab = tab; }
    int GetPestanaActiva() const { return m_activeTab; }
    uint32_t GetLastId() const { return m_lastId; }

    double GetCapital() const { return m_capital; }
    double GetGanAbiertas() const { return m_openProfit; }
    double GetGanCerradas() const { return m_closedProfit; }
    double GetInvertido() const { return m_invested; }
    double GetImposiciones() const { return m_impositions; }
    double GetIngresos() const { return m_deposits; }
    double GetReintegros() const { return m_refunds; }
    double GetGastos() const { return m_expenses; }
    double GetDividendos() const { return m_dividends; }
    double GetGarantias() const { return m_guarantees; }

    // The document's title; empty without a document.
    std::string GetNombreCartera() const;
    void SetNombreCartera(const std::string& name);

    // The journal in entry order, and the trades as of the last matching.
    const CArrayOrders& GetOrders() const { return m_orders; }
    const TradeList& GetClosedTrades() const { return m_closed; }
    const TradeList& GetOpenTrades() const { return m_open; }
    // The places of the journal the changes since a reader's mark touched.
    const cartera::EditLog& GetOrderEdits() const { return m_orderEdits; }
    const CArrayOrders& GetLegacyExtensions() const { return m_legacy; }
    // The grid layouts read while no grid was linked, as bytes written back unchanged;
    // empty when none were (the linked grids then write their own).
    const std::string& GetStoredLayouts() const { return m_detachedLayouts; }
    // The grid layouts as the portfolio file's last part would hold them now: the linked
    // grids' column widths, order and sort, or those kept while none was linked.
    std::string LayoutBytes();

    // Look-ups; pointers stay valid until the next change of the journal or matching.
    COrderCartera* GetOrden(uint64_t id);
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
    double CalcularGarantias() const;
    double GetUltimoSaldo(const COrderCartera& m) const;

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
    // Runs the symbol search; 1 and out filled when exactly one security was chosen.
    int ShowDlgSearchQuotes(st_valor_comunic2& out);
    void OnSimboloEncontradoAck(const st_valor_comunic2& result) override;
    void OnError(int code, int detail, void* data) override;
    void SetTotalSimbolosEncontrados(long found, long total) override;
    size_t RefreshQueueSize() const { return m_refresh.size(); }

    // The portfolio file body. Archive errors propagate; after a failed load the journal
    // holds the records read so far.
    virtual void Serialize(CArchive& ar);
    // Whether loading the body ends with DoAfterLoadingProcess (the default), or leaves it to
    // a caller that replays the change log first.
    void SetAfterLoading(bool run) { m_afterLoading = run; }
    // Reads grid layouts as the body ends with them (into the linked grids, else kept as
    // bytes). Archive errors propagate; bytes after them are damage.
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
    size_t PlaceOf(uint64_t id) const { return FindPlace(id); }

    // Matching pieces, public for tests and the reference implementation.
    int GetExecuted(CArrayOrders& out) const;
    void CrearFictios(const CArrayOrders& remaining);

  protected:
    void CasarOrdenes();
    double GetGananciaPosicionesAbiertas() const;

  private:
    void RecomputeAndRefresh();
    // Takes the first movement of each id out of the journal, each told in *told.removed
    // with its place before the change; ids not there are passed over.
    void RemoveIds(const std::vector<uint64_t>& ids, JournalChange* told);
    // Matches the journal's last movement, an execution just appended, against the open
    // trades of its security alone; false (nothing changed) when the trades are not those of
    // the journal before it, or its contracts are not positive: the full matching then runs.
    bool MatchAppended();
    // Matches the executions at the journal places exec (ascending) among themselves: their
    // closed trades pushed onto closed (a TradeList or a vector) in order of their entries,
    // and the places and contracts left of those still open.
    // bySecurity, when given, gets the places of each security's executions, by lowered code.
    template <class Trades>
    void MatchPlaces(
        const std::vector<uint32_t>& exec, Trades& closed,
        std::vector<std::pair<uint32_t, int32_t>>& stillOpen,
        std::unordered_map<std::string, std::vector<uint32_t>>* bySecurity = nullptr) const;
    // Puts the execution at place into its security's places, or takes it out (nothing for
    // other movements).
    void IndexExecution(size_t place, bool in);
    // Matches again only the securities whose lowered codes are given, leaving every other
    // security's trades as they are, with what the full matching gives; the trades of the
    // security's entries that changed are replaced in place. changed is a place whose
    // movement may have left those securities (SIZE_MAX: none). False (nothing changed)
    // when the trades do not reflect the journal's places.
    bool RematchSecurities(const std::vector<std::string>& lowered, size_t changed);
    // The open trades of the securities whose lowered codes are given (and of the changed
    // place) made those still open after their matching, valued at the given date and time.
    void ReplaceOpenTrades(const std::vector<std::string>& codes,
                           const std::vector<std::pair<uint32_t, int32_t>>& stillOpen,
                           size_t changed, int32_t nowDate, int32_t nowTime);
    // After a partial matching: the open trades whose valuation ticks or loading changed are
    // valued as matching values them (the others keep the date and time of their valuation).
    void RefreshOpenValues(int32_t nowDate, int32_t nowTime);
    // The trades of the deleted place go; those whose entry came after it, and every place
    // kept of them, move one place back.
    void ShiftEntries(size_t deleted);
    // The places kept of trades, executions and valuations from place from on move by delta.
    void MovePlaces(uint32_t from, int delta);
    // Puts one movement back at place, before the end, with its own id; its security alone
    // is matched again.
    void InsertOne(const PlacedOrder& placed);
    // The open trade whose entry is at place; SIZE_MAX when there is none.
    size_t OpenTradeAt(uint32_t place) const;
    // Values the open trade at index k at the last price of a tick.
    void ValueAtTick(size_t k, double last);
    // Matches the given securities again; the totals follow, the cash movements' sums summed
    // again unless sumsHold (only executions changed and the sums held the whole journal).
    void RematchAndRefresh(const std::vector<std::string>& lowered, size_t changed, bool sumsHold);
    // The open trades rebuilt from their entries' places and contracts left, valued now.
    void RebuildOpenTrades(const std::vector<std::pair<uint32_t, int32_t>>& positions);
    // The cash movements from place from on added to the running sums, in journal order;
    // then the totals that depend on the trades.
    void SumCashMovements(size_t from);
    void FinishCapital();
    // Registers the movement's quote, fills in its code and gives it the next id.
    void Admit(COrderCartera& m);
    // Registers the quote of a movement put back with its own id; the id counter passes it.
    void Readmit(const COrderCartera& m);
    // After a movement was put at the end of the journal, told and saved: matches and sums it
    // alone where it can, and updates the views.
    void FollowAppended(bool execution, bool summed, bool matched);
    void Append(COrderCartera m);
    void SaveDocument(const JournalChange& change);
    void UpdateAllViews();
    void TellDocument(const JournalChange& change);
    void InvalidateIndex() {
        m_indexValid = false;
        m_idsAscending = -1;
    }
    void BuildIndex() const;
    // The place of the first movement with the id; SIZE_MAX when there is none.
    size_t FindPlace(uint64_t id) const;
    // Keeps the look-ups by id right after a movement was pushed at the end.
    void NoteAppended();
    CNegocioC MakeOpenTrade(const COrderCartera& m, int32_t q, int32_t nowDate,
                            int32_t nowTime) const;
    void RebuildOpenTradeIndex();
    void StoreBody(CArchive& ar);
    void LoadBody(CArchive& ar);
    void SerializeLayouts(CArchive& ar);

    TradeList m_closed;
    TradeList m_open;
    CArrayOrders m_orders;
    cartera::EditLog m_orderEdits;
    ILedgerDocument* m_pDoc = nullptr;
    ILedgerListGrid* m_pGridCartera = nullptr;
    ILedgerOpenTradesGrid* m_pGridAbiertas = nullptr;
    ILedgerListGrid* m_pGridCerradas = nullptr;
    ILedgerValuationGrid* m_pGridValoracion = nullptr;
    std::unique_ptr<CAdmComisiones> m_pAdm;
    CArrayOrders m_legacy;
    std::vector<int32_t> m_refresh;
    CDlgBusquedaSimbolos* m_pDlgSearch = nullptr;
    uint32_t m_lastId = 0;
    int32_t m_activeTab = -1;
    double m_capital = 0, m_openProfit = 0, m_closedProfit = 0, m_invested = 0;
    double m_impositions = 0, m_deposits = 0, m_refunds = 0, m_expenses = 0;
    double m_dividends = 0, m_guarantees = 0;
    double m_cashCapital = 0;  // capital from the cash movements alone
    size_t m_cashSummed = 0;   // movements the running sums hold
    size_t m_matchedSize = 0;  // movements the trades reflect

    // Speed-ups for look-ups by id and ticks by code; rebuilt when the journal changes.
    mutable std::unordered_map<uint64_t, uint32_t> m_idIndex;  // id -> first movement
    mutable bool m_indexValid = false;
    // Whether the ids never go down along the journal (1: look-ups by binary search, no
    // index), 0 when they do, -1 not known yet.
    mutable int8_t m_idsAscending = -1;
    // The journal places of each security's open trades, in journal order from head on, by
    // lowered code; kept with the open trades while their entries keep their places.
    struct OpenPlaces {
        std::vector<uint32_t> places;
        size_t head = 0;
    };
    std::unordered_map<std::string, OpenPlaces> m_openByCode;
    // The journal places of each security's executions, ascending, by lowered code; kept with
    // the trades while they reflect the journal.
    std::unordered_map<std::string, std::vector<uint32_t>> m_execByCode;
    // Entry places of the open trades a tick valued since the last matching, and what
    // matching had valued the ones loading changed at (exit price and commission).
    std::vector<uint32_t> m_ticked;
    struct LoadedExit {
        uint32_t place;
        double price, commission;
    };
    std::vector<LoadedExit> m_loadedExits;
    // Layout bytes read while no grid was linked, written back as they were.
    std::string m_detachedLayouts;
    bool m_afterLoading = true;
};
