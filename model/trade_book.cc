// The trade book's bookkeeping around matching: open trades made and valued, and the places
// kept of trades as the journal changes under them.
#include "model/trade_book.h"

#include <algorithm>
#include <bit>

#include "host/dates.h"

namespace cartera {

CNegocioC TradeBook::MakeOpenTrade(const COrderCartera& m, Quantity q, int32_t nowDate,
                                   int32_t nowTime) const {
    double cx = m.commission;
    const double n = q.ToDouble();
    if (!m.schedule.empty() && m_commissions)
        cx = m_commissions->CalculateCommission(m.schedule, n * m.price, 4) / n;
    CNegocioC t = OpenTradeFields(m, q, cx, nowDate, nowTime);
    for (const auto& [currency, rate] : m_liveRates)
        if (currency == t.currency) t.exitRate = rate;
    return t;
}

void TradeBook::MakeFictitious(const CArrayOrders& remaining) {
    m_matchedSize =
        SIZE_MAX;  // open trades not of the journal's places: the next change matches all
    m_open.clear();
    CTime now{Now(m_context)};
    int32_t nowDate = FctimeToFn(now), nowTime = HctimeToHn(now);
    for (const auto& m : remaining)
        m_open.push_back(MakeOpenTrade(m, m.contracts, nowDate, nowTime));
    RebuildOpenTradeIndex();
}

void TradeBook::RebuildOpenTradeIndex() {
    m_openByCode.clear();
    m_ticked.clear();
    m_loadedExits.clear();
    std::unordered_map<PooledText, OpenPlaces*> byText;  // each code lowered once
    for (size_t k = 0; const CNegocioC& t : m_open) {
        auto [it, added] = byText.try_emplace(t.quoteCode, nullptr);
        if (added) it->second = &m_openByCode[LowerAscii(t.quoteCode)];
        it->second->places.push_back(m_open.EntryAt(k++));
    }
}

size_t TradeBook::OpenTradeAt(uint32_t place) const {
    const size_t k = m_open.LowerBoundEntry(place);
    return k < m_open.size() && m_open.EntryAt(k) == place ? k : SIZE_MAX;
}

void TradeBook::IndexExecution(size_t place, bool in) {
    const COrderCartera& m = m_journal.Orders()[place];
    if (!m.IsExecution()) return;
    std::vector<uint32_t>& places = m_execByCode[LowerAscii(m.quoteCode)];
    const auto p = static_cast<uint32_t>(place);
    auto at = std::lower_bound(places.begin(), places.end(), p);
    if (in && (at == places.end() || *at != p)) places.insert(at, p);
    if (!in && at != places.end() && *at == p) places.erase(at);
}

void TradeBook::RefreshOpenValues(int32_t nowDate, int32_t nowTime) {
    for (uint32_t place : m_ticked) {
        const size_t k = OpenTradeAt(place);
        if (k == SIZE_MAX || !m_open[k].revalue) continue;
        m_open.Edit(k, [&](CNegocioC& t) {
            t = MakeOpenTrade(m_journal.Orders()[place], t.contracts, nowDate, nowTime);
            t.entryPosition = place;
        });
    }
    m_ticked.clear();
    // Loading changed a third of the trades or more: one walk along them, not a search each.
    m_open.EditAtEntries(
        m_loadedExits.size(), [&](size_t k) { return m_loadedExits[k].place; },
        [&](CNegocioC& t, size_t k) {
            if (!t.revalue) return;
            t.exitPrice = m_loadedExits[k].price;
            t.exitCommission = m_loadedExits[k].commission;
            t.revalue = 0;
        });
    m_loadedExits.clear();
}

void TradeBook::ShiftEntries(size_t deleted) {
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

void TradeBook::MovePlaces(uint32_t from, int delta) {
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

bool TradeBook::ValueAtTick(size_t k, double last) {
    const CNegocioC& trade = m_open[k];
    const size_t place = m_journal.Find(trade.id);
    if (place == SIZE_MAX) return false;
    if (!trade.revalue) m_ticked.push_back(m_open.EntryAt(k));
    const COrderCartera& entry = m_journal[place];
    m_open.Edit(k, [&](CNegocioC& t) {
        const double q = t.contracts.ToDouble();
        double cx = m_commissions
                        ? m_commissions->CalculateCommission(entry.schedule, q * last, 4) / q
                        : entry.commission;
        t.exitPrice = last;
        t.exitCommission = cx;
        t.revalue = 1;
        // The trade's own entry: a corporate action may have adjusted the movement's price.
        double r = t.isLong == 1 ? (last - t.entryPrice) * t.pointValue - (cx + t.entryCommission)
                                 : (t.entryPrice - last) * t.pointValue - (cx + t.entryCommission);
        t.percentage = TradePercentage(r, t.entryCommission + t.entryPrice);
        t.profit = r * q;
    });
    return true;
}

void TradeBook::Reprice() {
    // Matching values each trade at its entry price; the prices ticks gave are put back.
    std::vector<std::pair<uint32_t, double>> ticked;
    for (size_t k = 0; k < m_open.size(); ++k) {
        const CNegocioC& t = m_open[k];
        if (t.revalue &&
            std::bit_cast<uint64_t>(t.exitPrice) != std::bit_cast<uint64_t>(t.entryPrice))
            ticked.emplace_back(m_open.EntryAt(k), t.exitPrice);
    }
    MatchAll();
    for (auto [place, last] : ticked)
        if (size_t k = OpenTradeAt(place); k != SIZE_MAX) ValueAtTick(k, last);
}

void TradeBook::AfterLoading() {
    // Matching valued each at its own price with the schedule's exit commission (to the bit:
    // -0 and NaN are values of their own).
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
}

}  // namespace cartera
