#pragma once
// The trades of a journal: first in, first out matching of buys and sells per security into
// closed trades, the rest as open trades valued with the commission closing them would cost.
// A change of the journal is followed by matching again only what it touches, with the very
// trades a full matching gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "commissions/comisiones.h"
#include "host/context.h"
#include "host/strings.h"
#include "model/journal.h"
#include "model/trade.h"
#include "model/trade_list.h"

namespace cartera {

// Closes what the entry e and the exit x have left (le and lx, in units of 1e-10) in common
// into t, whose other fields are set: its contracts, remainder, profit and percentage, taken
// off both counts. Whether e is used up; when it is not, x is.
template <class Count>
inline bool CloseOnePair(const COrderCartera& e, const COrderCartera& x, Count& le, Count& lx,
                         CNegocioC& t) {
    const double r = ClosedUnitResult(e.buy != 0, e.price, e.pointValue, x.price, x.pointValue,
                                      e.commission, x.commission);
    if (le > lx) {
        t.contracts = Quantity::FromUnits(lx);
        t.percentage = TradePercentage(r, e.price);
        t.profit = r * t.contracts.ToDouble();
        le -= lx;
        t.remainder = Quantity::FromUnits(le);
        return false;
    }
    t.contracts = Quantity::FromUnits(le);
    t.percentage = TradePercentage(r, e.price + e.commission);
    t.profit = r * t.contracts.ToDouble();
    lx -= le;
    t.remainder = Quantity::FromUnits(lx);
    return true;
}

class TradeBook {
  public:
    // journal, commissions (which may be null: no exit commission from a schedule) and
    // context (whose clock dates the open trades) are not owned and must outlive the book.
    TradeBook(const Journal& journal, const CAdmComisiones* commissions, const Context& context)
        : m_journal(journal), m_commissions(commissions), m_context(context) {}

    const TradeList& Closed() const { return m_closed; }
    const TradeList& Open() const { return m_open; }

    // Whether the trades reflect the journal as it is, place by place.
    bool Matched() const { return m_matchedSize == m_journal.size(); }
    // The journal changed in a way the book was not told of: the next change matches all.
    void Forget() { m_matchedSize = SIZE_MAX; }
    // A cash movement was appended to a matched journal: no trade changes.
    void CashAppended(bool wasMatched) {
        if (wasMatched) m_matchedSize = m_journal.size();
    }

    // Matches the whole journal afresh.
    void MatchAll();
    // Whether the journal held corporate actions when it was last matched whole: then a change
    // matches it whole again (RematchSecurities declines), but for an execution appended in a
    // security no action touches while no tick or loading left a value to put back.
    bool HasActions() const { return m_hasActions; }
    // Matches the journal's last movement, an execution just appended, against the open
    // trades of its security alone; false (nothing changed) when the trades are not those of
    // the journal before it, or its contracts are not positive: MatchAll must run then.
    bool MatchAppended();
    // Matches again only the securities whose lowered codes are given, leaving every other
    // security's trades as they are; the trades of the security's entries that changed are
    // replaced in place. changed is a place whose movement may have left those securities
    // (SIZE_MAX: none). False (nothing changed) when the trades do not reflect the journal.
    bool RematchSecurities(const std::vector<std::string>& lowered, size_t changed);

    // Keeping the places right as the journal changes under matched trades: the execution at
    // place goes into or out of its security's places (call before the journal changes it
    // and after); the trades of a deleted place go and later ones move back; places from
    // from on move by delta. The caller marks the trades matched again with Rematched.
    void IndexExecution(size_t place, bool in);
    void ShiftEntries(size_t deleted);
    void MovePlaces(uint32_t from, int delta);
    void Rematched() { m_matchedSize = m_journal.size(); }

    // Open trades made of the given movements, valued now, not of the journal's places.
    void MakeFictitious(const CArrayOrders& remaining);
    // Values every open trade of the security (lowered code) at a tick's last price; each
    // one valued is told by its index in Open().
    template <class Told>
    void ValueSecurityAtTick(const std::string& lowered, double last, Told&& told);
    // The live rate of a currency to the portfolio's: every open trade in it, and every one
    // matching makes from now on, is valued at it; each changed is told by its index.
    template <class Told>
    void SetLiveRate(PooledText currency, double rate, Told&& told);
    std::string_view PortfolioCurrency() const { return m_journal.Currency(); }
    // After the commission schedules changed: the open trades' exit commissions as matching
    // now gives them; a trade a tick valued keeps that price, with the new commission.
    void Reprice();
    // After loading: each open trade valued at its own price, remembering what the file's
    // writer had valued the ones that differ at; the next change puts that back.
    void AfterLoading();

  private:
    // Values the open trade at index k at a tick's last price; false (nothing changed) when
    // its entry is not in the journal.
    bool ValueAtTick(size_t k, double last);
    template <class Trades>
    void MatchPlaces(
        const std::vector<uint32_t>& exec, Trades& closed,
        std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
        std::unordered_map<std::string, std::vector<uint32_t>>* bySecurity = nullptr) const;
    // MatchPlaces with the contracts left kept as Count (units of 1e-10); false, with nothing
    // written, when a count does not fit Count with room for the differences.
    template <class Count, class Trades>
    bool MatchCounted(const std::vector<uint32_t>& exec, Trades& closed,
                      std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
                      std::unordered_map<std::string, std::vector<uint32_t>>* bySecurity) const;
    // MatchAll of a journal that holds actions (action_matching.cc).
    void MatchWithActions();
    void ReplaceOpenTrades(const std::vector<std::string>& codes,
                           const std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
                           size_t changed, int32_t nowDate, int32_t nowTime);
    void RefreshOpenValues(int32_t nowDate, int32_t nowTime);
    void RebuildOpenTrades(const std::vector<std::pair<uint32_t, Quantity>>& positions);
    void RebuildOpenTradeIndex();
    size_t OpenTradeAt(uint32_t place) const;
    CNegocioC MakeOpenTrade(const COrderCartera& m, Quantity q, int32_t nowDate,
                            int32_t nowTime) const;

    const Journal& m_journal;
    const CAdmComisiones* m_commissions;
    const Context& m_context;
    TradeList m_closed;
    TradeList m_open;
    size_t m_matchedSize = 0;  // movements the trades reflect
    bool m_hasActions = false;
    std::unordered_set<std::string> m_actionCodes;  // lowered, before and after each action
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
    std::vector<std::pair<PooledText, double>> m_liveRates;  // by currency, as ticks gave them
};

template <class Told>
void TradeBook::ValueSecurityAtTick(const std::string& lowered, double last, Told&& told) {
    if (Matched()) {  // the open trades are at their entries' places
        auto it = m_openByCode.find(lowered);
        if (it == m_openByCode.end()) return;
        const OpenPlaces& mine = it->second;
        for (size_t j = mine.head; j < mine.places.size(); ++j) {
            // The lots a corporate action made share its place: each is valued once.
            const uint32_t place = mine.places[j];
            if (j > mine.head && mine.places[j - 1] == place) continue;
            for (size_t k = OpenTradeAt(place); k < m_open.size() && m_open.EntryAt(k) == place;
                 ++k)
                if (ValueAtTick(k, last)) told(k);
        }
        return;
    }
    for (size_t k = 0; k < m_open.size(); ++k)
        if (LowerAscii(m_open[k].quoteCode) == lowered && ValueAtTick(k, last)) told(k);
}

template <class Told>
void TradeBook::SetLiveRate(PooledText currency, double rate, Told&& told) {
    auto it = std::find_if(m_liveRates.begin(), m_liveRates.end(),
                           [&](const auto& r) { return r.first == currency; });
    if (it == m_liveRates.end()) it = m_liveRates.insert(m_liveRates.end(), {currency, rate});
    it->second = rate;
    for (size_t k = 0; k < m_open.size(); ++k) {
        if (m_open[k].currency != currency || m_open[k].exitRate == rate) continue;
        m_open.Edit(k, [&](CNegocioC& t) { t.exitRate = rate; });
        told(k);
    }
}

}  // namespace cartera
