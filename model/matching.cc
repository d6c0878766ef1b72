// First in, first out matching of buys and sells per security, in order of entry.
//
// The straightforward rule scans the list of executions pair by pair and removes used-up copies,
// which is quadratic. This version gives the same trades in the same order in linear time:
// each security keeps, per side, a queue of the executions still open, and every execution
// that is still open when its turn comes takes its exits from the front of the opposite
// queue. (An execution still open when a later one of the other side exists would already
// have been closed by it, so the front of the opposite queue is always later in the list.)
#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "host/dates.h"
#include "host/memory.h"
#include "host/strings.h"
#include "model/trade_book.h"

namespace cartera {
// Days from one date number to another, in 64 bits and clamped to 32: dates far apart
// (only crafted files hold them) must not overflow.
int32_t DaysBetween(int32_t from, int32_t to) {
    int64_t days = static_cast<int64_t>(to) - from;
    return static_cast<int32_t>(std::clamp<int64_t>(days, INT32_MIN, INT32_MAX));
}

CNegocioC ClosedTradeFields(const COrderCartera& e, const COrderCartera& x) {
    CNegocioC t;
    SetClosedTradeFields(e, x, t);
    return t;
}

void SetClosedTradeFields(const COrderCartera& e, const COrderCartera& x, CNegocioC& t) {
    t.entryDate = e.date;
    t.entryTime = e.time;
    t.exitDate = x.date;
    t.exitTime = x.time;
    t.isLong = e.buy;
    t.entryPrice = e.price;
    t.exitPrice = x.price;
    t.daysHeld = DaysBetween(e.date, x.date);
    t.id = e.id;
    t.entryStoredWord = e.storedWord;
    t.exitStoredWord = x.storedWord;
    t.entryCarriedWord = e.carriedWord;
    t.entryText = e.orderText;
    t.exitText = x.orderText;
    t.exitClosing = x.closing;
    t.entryInstrument = static_cast<int8_t>(e.instrument);
    t.quoteCode = e.quoteCode;
    t.entryCommission = e.commission;
    t.exitCommission = x.commission;
    t.pointValue = x.pointValue;
    t.entryGroup = e.group;
    t.exitGroup = x.group;
    t.symbol = x.symbol;
    t.decimals = x.decimals;
    t.guarantee = x.guarantee;
    t.entryRate = e.rate;
    t.exitRate = x.rate;
    t.currency = e.currency;
}

CNegocioC OpenTradeFields(const COrderCartera& m, Quantity q, double cx, int32_t nowDate,
                          int32_t nowTime) {
    CNegocioC t;
    t.entryDate = m.date;
    t.entryTime = m.time;
    t.exitDate = nowDate;
    t.exitTime = nowTime;
    t.isLong = m.buy;
    t.entryPrice = m.price;
    t.exitPrice = m.price;
    t.daysHeld = DaysBetween(m.date, nowDate);
    t.id = m.id;
    t.entryCarriedWord = m.carriedWord;
    t.entryText = m.orderText;
    t.exitText = m.orderText;  // the fictitious exit carries the movement's text
    t.exitClosing = 1;
    t.contracts = q;
    t.remainder = q;
    t.quoteCode = m.quoteCode;
    t.entryCommission = m.commission;
    t.exitCommission = cx;
    t.pointValue = m.pointValue;
    t.entryGroup = m.group;
    t.symbol = m.symbol;
    t.decimals = m.decimals;
    t.guarantee = m.guarantee;
    t.exitInstrument = m.instrument;
    t.entryRate = t.exitRate = m.rate;  // until a live rate values it
    t.currency = m.currency;
    double r =
        cartera::OpenUnitResult(m.buy != 0, m.price, m.price, m.pointValue, m.commission, cx);
    t.percentage = cartera::TradePercentage(r, m.price + m.commission);
    t.profit = r * q.ToDouble();
    return t;
}

void TradeBook::MatchAll() {
    const CArrayOrders& journal = m_journal.Orders();
    m_closed.clear();
    std::vector<uint32_t> exec;    // positions of the executions in the journal
    exec.reserve(journal.size());  // one allocation, not a growth that copies and faults anew
    bool actions = false;
    for (uint32_t i = 0; i < journal.size(); ++i) {
        if (journal[i].IsExecution())
            exec.push_back(i);
        else
            actions = actions || journal[i].IsAction();
    }
    m_matchedSize = journal.size();
    m_hasActions = actions;
    m_actionCodes.clear();
    if (actions) return MatchWithActions();
    std::vector<std::pair<uint32_t, Quantity>> stillOpen;
    MatchPlaces(exec, m_closed, stillOpen, &m_execByCode);
    RebuildOpenTrades(stillOpen);
}

namespace {

// An execution in its security's queue: its position in exec and its place in the journal.
struct Waiting {
    uint32_t p, place;
};
struct Queue {
    std::vector<Waiting> items;
    size_t head = 0;
};

// An exit's movement, far along the journal and not cached, and its contracts left, asked of
// memory ahead of their use.
template <class Count>
void Prefetch(const Waiting& w, const COrderCartera* orders, const std::vector<Count>& left) {
    const char* m = reinterpret_cast<const char*>(&orders[w.place]);
    __builtin_prefetch(m);
    __builtin_prefetch(m + sizeof(COrderCartera) - 1);
    __builtin_prefetch(&left[w.p]);
}

// Executions looked at ahead of their turn in matching, for the exit each will likely meet.
constexpr uint32_t kAhead = 16;

// A quantity's units as the count matching keeps, and back.
template <class Count>
Count CountOf(const Quantity& q) {
    return static_cast<Count>(q.Units());
}
template <class Count>
Quantity QuantityOf(Count units) {
    return Quantity::FromUnits(units);
}

}  // namespace

template <class Trades>
void TradeBook::MatchPlaces(
    const std::vector<uint32_t>& exec, Trades& closed,
    std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
    std::unordered_map<std::string, std::vector<uint32_t>>* bySecurity) const {
    // The counts of every real journal fit one word with room for their differences: matched
    // in 64 bits, half the memory of the 128 a quantity may need; a journal with a count
    // beyond is matched again in 128.
    if (!MatchCounted<int64_t>(exec, closed, stillOpen, bySecurity))
        MatchCounted<__int128>(exec, closed, stillOpen, bySecurity);
}

template <class Count, class Trades>
bool TradeBook::MatchCounted(
    const std::vector<uint32_t>& exec, Trades& closed,
    std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
    std::unordered_map<std::string, std::vector<uint32_t>>* bySecurity) const {
    constexpr __int128 kRoom = sizeof(Count) < sizeof(__int128) ? __int128{1} << 62 : 0;
    // The journal does not change while matching runs: its movements are read through one
    // pointer, not reloaded after every trade written.
    const COrderCartera* const orders = m_journal.Orders().data();
    // Codes compare without regard to case; each distinct code text (by its handle) is
    // lowered once.
    std::unordered_map<std::string, uint32_t> securityOf;
    std::vector<uint32_t> securityOfText(PooledText::PoolSize() + 1, UINT32_MAX);
    std::vector<uint32_t> security(exec.size());
    std::vector<Queue> queues;  // 2 per security: [2s] sell side, [2s+1] buy side
    std::vector<Count> left(exec.size());
    std::vector<char> open(exec.size(), 1);
    for (uint32_t p = 0; p < exec.size(); ++p) {
        const COrderCartera& m = orders[exec[p]];
        const uint32_t text = m.quoteCode.Handle();
        if (text >= securityOfText.size()) securityOfText.resize(text + 1, UINT32_MAX);
        if (securityOfText[text] == UINT32_MAX) {
            auto [it, added] = securityOf.try_emplace(LowerAscii(m.quoteCode),
                                                      static_cast<uint32_t>(securityOf.size()));
            if (added) queues.resize(queues.size() + 2);
            securityOfText[text] = it->second;
        }
        security[p] = securityOfText[text];
        if (kRoom && (m.contracts.Units() <= -kRoom || m.contracts.Units() >= kRoom))
            return false;  // nothing written yet
        left[p] = CountOf<Count>(m.contracts);
        queues[2 * security[p] + (m.buy ? 1 : 0)].items.push_back({p, exec[p]});
    }
    if (bySecurity) {  // both sides' places, merged
        bySecurity->clear();
        for (const auto& [code, s] : securityOf) {
            const auto& sells = queues[2 * size_t{s}].items;
            const auto& buys = queues[2 * size_t{s} + 1].items;
            std::vector<uint32_t>& places = (*bySecurity)[code];
            places.reserve(sells.size() + buys.size());
            size_t a = 0, b = 0;
            while (a < sells.size() || b < buys.size()) {
                const bool sell =
                    b == buys.size() || (a < sells.size() && sells[a].place < buys[b].place);
                places.push_back(sell ? sells[a++].place : buys[b++].place);
            }
        }
    }

    CNegocioC t;  // every trade's fields set afresh: not cleared for each
    for (uint32_t p = 0; p < exec.size(); ++p) {
        if (p + kAhead < exec.size()) {  // the front of the queue it would take exits from
            const uint32_t a = p + kAhead;
            const Queue& q = queues[2 * security[a] + (orders[exec[a]].buy ? 0 : 1)];
            if (q.head < q.items.size()) Prefetch(q.items[q.head], orders, left);
        }
        if (!open[p]) continue;
        const COrderCartera& e = orders[exec[p]];
        Queue& exits = queues[2 * security[p] + (e.buy ? 0 : 1)];
        while (open[p]) {
            while (exits.head < exits.items.size() && !open[exits.items[exits.head].p])
                ++exits.head;
            if (exits.head == exits.items.size()) break;
            const auto [xp, xPlace] = exits.items[exits.head];
            if (exits.head + 1 < exits.items.size())
                Prefetch(exits.items[exits.head + 1], orders, left);
            const COrderCartera& x = orders[xPlace];
            SetClosedTradeFields(e, x, t);
            t.entryPosition = exec[p];
            const bool usedUp = CloseOnePair(e, x, left[p], left[xp], t);
            if (!usedUp || left[xp] == 0) {
                open[xp] = 0;
                ++exits.head;
            }
            if (usedUp) open[p] = 0;
            closed.push_back(t);
        }
    }

    stillOpen.reserve(static_cast<size_t>(std::count(open.begin(), open.end(), 1)));
    for (uint32_t p = 0; p < exec.size(); ++p)
        if (open[p]) stillOpen.emplace_back(exec[p], QuantityOf(left[p]));
    return true;
}

void TradeBook::RebuildOpenTrades(const std::vector<std::pair<uint32_t, Quantity>>& positions) {
    m_open.clear();
    CTime now{Now(m_context)};
    int32_t nowDate = FctimeToFn(now), nowTime = HctimeToHn(now);
    for (auto [place, left] : positions) {
        CNegocioC t = MakeOpenTrade(m_journal.Orders()[place], left, nowDate, nowTime);
        t.entryPosition = place;
        m_open.push_back(t);
    }
    RebuildOpenTradeIndex();
}

// An execution appended to a matched journal meets, in the full matching, only the open
// entries of its security on the other side, earliest first; the trades that gives go after
// their entries' earlier trades. Only the open trades it uses up or reduces change, and the
// totals follow them by difference.
bool TradeBook::MatchAppended() {
    const size_t xi = m_journal.Orders().size() - 1;
    if (m_matchedSize != xi || xi >= UINT32_MAX || m_journal.Orders()[xi].contracts <= 0)
        return false;
    const COrderCartera& x = m_journal.Orders()[xi];
    const std::string code = LowerAscii(x.quoteCode);
    // The open trades of a security an action touches are its lots, not their movements.
    if (m_hasActions &&
        (m_actionCodes.contains(code) || !m_ticked.empty() || !m_loadedExits.empty()))
        return false;
    OpenPlaces& mine = m_openByCode[code];
    // The open trades x closes, all of them but perhaps the last used up; matching leaves a
    // security's open trades on one side, so x faces all of them or none.
    std::vector<size_t> met;
    Quantity need = x.contracts;
    for (size_t j = mine.head; need > 0 && j < mine.places.size(); ++j) {
        const uint32_t place = mine.places[j];
        const size_t k = OpenTradeAt(place);
        if (k == SIZE_MAX || place >= xi) return false;
        const CNegocioC& t = m_open[k];
        const COrderCartera& e = m_journal.Orders()[place];
        if (e.id != t.id || t.contracts <= 0 || !e.IsExecution()) return false;
        if ((e.buy != 0) == (x.buy != 0)) break;
        met.push_back(k);
        need = t.contracts > need ? Quantity() : need - t.contracts;
    }
    CTime now{Now(m_context)};
    const int32_t nowDate = FctimeToFn(now), nowTime = HctimeToHn(now);
    RefreshOpenValues(nowDate, nowTime);
    Quantity leftX = x.contracts;
    size_t usedUp = 0;
    for (size_t k : met) {
        const CNegocioC& open = m_open[k];
        const uint32_t place = m_open.EntryAt(k);
        const COrderCartera& e = m_journal.Orders()[place];
        CNegocioC t = ClosedTradeFields(e, x);
        t.entryPosition = place;
        double r = ClosedUnitResult(e.buy != 0, e.price, e.pointValue, x.price, x.pointValue,
                                    e.commission, x.commission);
        if (open.contracts > leftX) {
            t.contracts = leftX;
            t.percentage = TradePercentage(r, e.price);
            t.profit = r * leftX.ToDouble();
            t.remainder = open.contracts - leftX;
            m_open.Edit(k, [&](CNegocioC& reduced) {
                reduced = MakeOpenTrade(e, t.remainder, nowDate, nowTime);
                reduced.entryPosition = place;
            });
            leftX = Quantity();
        } else {
            t.contracts = open.contracts;
            t.percentage = TradePercentage(r, e.price + e.commission);
            t.profit = r * open.contracts.ToDouble();
            leftX -= open.contracts;
            t.remainder = leftX;
            ++usedUp;
        }
        m_closed.Insert(m_closed.UpperBoundEntry(place), t);
    }
    for (size_t u = usedUp; u > 0; --u) m_open.Erase(met[u - 1]);  // from the back: no moves
    mine.head += usedUp;
    if (mine.head > 64 && 2 * mine.head > mine.places.size()) {
        mine.places.erase(mine.places.begin(), mine.places.begin() + static_cast<long>(mine.head));
        mine.head = 0;
    }
    if (leftX != 0) {
        CNegocioC t = MakeOpenTrade(x, leftX, nowDate, nowTime);
        t.entryPosition = static_cast<uint32_t>(xi);
        m_open.push_back(t);
        mine.places.push_back(static_cast<uint32_t>(xi));
    }
    m_execByCode[code].push_back(static_cast<uint32_t>(xi));
    m_matchedSize = m_journal.Orders().size();
    return true;
}

bool TradeBook::RematchSecurities(const std::vector<std::string>& lowered, size_t changed) {
    if (m_hasActions || m_matchedSize != m_journal.Orders().size()) return false;
    std::vector<std::string> codes = lowered;  // a modify within one security names it twice
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<uint32_t> exec;
    for (const std::string& code : codes) {
        auto it = m_execByCode.find(code);
        if (it == m_execByCode.end()) continue;
        const size_t had = exec.size();
        exec.insert(exec.end(), it->second.begin(), it->second.end());
        std::inplace_merge(exec.begin(), exec.begin() + static_cast<long>(had), exec.end());
    }
    // The entries whose trades may change: the securities' executions, and the changed place,
    // whose movement may have been one of theirs.
    std::vector<uint32_t> entries = exec;
    if (changed < m_journal.Orders().size()) {
        const auto place = static_cast<uint32_t>(changed);
        auto at = std::lower_bound(entries.begin(), entries.end(), place);
        if (at == entries.end() || *at != place) entries.insert(at, place);
    }
    CArrayNegocioC closed;
    std::vector<std::pair<uint32_t, Quantity>> stillOpen;
    MatchPlaces(exec, closed, stillOpen);
    CTime now{Now(m_context)};
    const int32_t nowDate = FctimeToFn(now), nowTime = HctimeToHn(now);
    RefreshOpenValues(nowDate, nowTime);
    m_closed.ReplaceAtEntries(entries, closed);
    ReplaceOpenTrades(codes, stillOpen, changed, nowDate, nowTime);
    return true;
}

void TradeBook::ReplaceOpenTrades(const std::vector<std::string>& codes,
                                  const std::vector<std::pair<uint32_t, Quantity>>& stillOpen,
                                  size_t changed, int32_t nowDate, int32_t nowTime) {
    // Only the entries of the securities' open trades, before and after, can have one.
    std::vector<uint32_t> entries;
    for (const std::string& code : codes) {
        OpenPlaces& was = m_openByCode[code];
        entries.insert(entries.end(), was.places.begin() + static_cast<long>(was.head),
                       was.places.end());
        was = {};
    }
    if (changed < m_journal.Orders().size()) entries.push_back(static_cast<uint32_t>(changed));
    for (auto [place, left] : stillOpen) entries.push_back(place);
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    // Each open trade's security by its code text's handle; each distinct text lowered once.
    std::unordered_map<uint32_t, OpenPlaces*> securityOf;
    CArrayNegocioC open;
    open.reserve(stillOpen.size());
    for (auto [place, left] : stillOpen) {
        const COrderCartera& m = m_journal.Orders()[place];
        open.push_back(MakeOpenTrade(m, left, nowDate, nowTime));
        open.back().entryPosition = place;
        auto [it, added] = securityOf.try_emplace(m.quoteCode.Handle(), nullptr);
        if (added) it->second = &m_openByCode[LowerAscii(m.quoteCode)];
        it->second->places.push_back(place);
    }
    // An open trade that matching leaves as it was keeps the time it was valued at, as the
    // open trades of every other security do.
    m_open.ReplaceAtEntries(entries, open, [](const CNegocioC& kept, const CNegocioC& fresh) {
        CNegocioC valued = fresh;
        valued.exitDate = kept.exitDate;
        valued.exitTime = kept.exitTime;
        valued.daysHeld = kept.daysHeld;
        return SameTrade(kept, valued);
    });
}

}  // namespace cartera
