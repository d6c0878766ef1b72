// Matching of a journal that holds corporate actions. The trades are those of matching.cc's
// rule (each execution, in order of entry, takes its exits from the later executions of the
// other side of its security, first in first out) with the actions in their places: as an
// entry's turn goes along the journal past an action of its security, the action changes it
// (model/action.h) before its next exit, and a rename or a merger carries it on among the
// exits of the new security after the action. The lots an action makes (a spin-off's, a
// stock dividend's) take their turn at the action, and are entries only; a fraction paid in
// cash is an exit of the action's place, for the entries that meet it before their turn ends.
// Journals without actions keep the faster matching.cc; a change of one with actions is
// matched whole.
#include <algorithm>
#include <unordered_map>

#include "host/dates.h"
#include "host/strings.h"
#include "model/action.h"
#include "model/trade_book.h"

namespace cartera {

namespace {

// An entry or an exit of matching: an execution, or what an action made.
struct Slot {
    uint32_t place;     // the journal place of its movement (or of the action that made it)
    uint32_t security;  // where it is now
    uint32_t cursor;    // the place up to which its security's actions were applied
    uint32_t lot;       // its adjusted movement in lots, or kAsInJournal
    bool foreign;       // not (or no longer) among its security's queue of exits
    bool buy;
};
constexpr uint32_t kAsInJournal = UINT32_MAX;

struct Action {
    ActionRule rule;
    uint32_t place, security, after;
    __int128 held = 0;               // stock dividend: the units of the lots that met it
    std::vector<uint32_t> made;      // the slots of the lots it made
    uint32_t cashSlot = UINT32_MAX;  // the fraction paid in cash
};

struct Waiting {
    uint32_t slot, place;
};
struct Queue {
    std::vector<Waiting> items;
    size_t head = 0;
};

enum : char { kClosed = 0, kOpen = 1, kMovedAway = 2 };

class ActionMatching {
  public:
    ActionMatching(const CArrayOrders& orders, CArrayNegocioC& closed)
        : m_orders(orders), m_closed(closed) {}

    void Run() {
        std::vector<std::pair<bool, uint32_t>> turns;  // (an action, its index or its slot)
        for (uint32_t i = 0; i < m_orders.size(); ++i) {
            const COrderCartera& m = m_orders[i];
            if (m.IsExecution()) {
                const uint32_t s = SecurityOf(m.quoteCode);
                turns.emplace_back(false, NewSlot({i, s, i, kAsInJournal, false, m.buy != 0},
                                                  m.contracts.Units()));
                m_queues[2 * s + (m.buy ? 1 : 0)].items.push_back({turns.back().second, i});
            } else if (m.IsAction()) {
                Action a{ActionRule(m), i, SecurityOf(m.quoteCode), 0, 0, {}, UINT32_MAX};
                a.after = SecurityOf(a.rule.codeAfter);
                if (a.rule.PaysCashInLieu()) {
                    m_lots.push_back(a.rule.CashInLieuExit());
                    const auto lot = static_cast<uint32_t>(m_lots.size() - 1);
                    a.cashSlot = NewSlot({i, a.after, i, lot, true, false}, m.contracts.Units());
                    m_queues[2 * size_t{a.after}].items.push_back({a.cashSlot, i});
                }
                m_actionsOf[a.security].push_back(static_cast<uint32_t>(m_actions.size()));
                turns.emplace_back(true, static_cast<uint32_t>(m_actions.size()));
                m_actions.push_back(std::move(a));
            }
        }
        for (auto [action, index] : turns) {
            if (!action) {
                if (m_state[index] != kClosed) Turn(index);
                continue;
            }
            if (m_orders[m_actions[index].place].type == kStockDividend) MakeDividendLot(index);
            for (size_t k = 0; k < m_actions[index].made.size(); ++k)
                Turn(m_actions[index].made[k]);
            if (m_actions[index].cashSlot != UINT32_MAX)
                m_state[m_actions[index].cashSlot] = kClosed;
        }
    }

    // The lots left open, in order of their places: movement and units.
    std::vector<std::pair<uint32_t, uint32_t>> OpenSlots() const {
        std::vector<std::pair<uint32_t, uint32_t>> open;
        for (uint32_t p = 0; p < m_slots.size(); ++p)
            if (m_state[p] != kClosed) open.emplace_back(m_slots[p].place, p);
        std::stable_sort(open.begin(), open.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        return open;
    }
    const COrderCartera& LotOf(uint32_t p) const {
        return m_slots[p].lot == kAsInJournal ? m_orders[m_slots[p].place] : m_lots[m_slots[p].lot];
    }
    __int128 Left(uint32_t p) const { return m_left[p]; }

  private:
    uint32_t SecurityOf(const PooledText& code) {
        auto [it, added] =
            m_securityOf.try_emplace(LowerAscii(code), static_cast<uint32_t>(m_securityOf.size()));
        if (added) {
            m_queues.resize(m_queues.size() + 2);
            m_actionsOf.emplace_back();
        }
        return it->second;
    }
    uint32_t NewSlot(const Slot& s, __int128 units) {
        m_slots.push_back(s);
        m_left.push_back(units);
        m_state.push_back(kOpen);
        return static_cast<uint32_t>(m_slots.size() - 1);
    }
    COrderCartera& Adjustable(uint32_t p) {
        if (m_slots[p].lot == kAsInJournal) {
            m_lots.push_back(m_orders[m_slots[p].place]);
            m_slots[p].lot = static_cast<uint32_t>(m_lots.size() - 1);
        }
        return m_lots[m_slots[p].lot];
    }

    // Applies to p the actions of its security after its cursor up to limit; true when one
    // moved it to another security (the rest are that one's).
    bool ApplyActions(uint32_t p, uint32_t limit) {
        const std::vector<uint32_t>& list = m_actionsOf[m_slots[p].security];
        auto k = std::upper_bound(list.begin(), list.end(), m_slots[p].cursor,
                                  [&](uint32_t c, uint32_t a) { return c < m_actions[a].place; });
        for (; k != list.end() && m_actions[*k].place <= limit; ++k) {
            Action& a = m_actions[*k];
            m_slots[p].cursor = a.place;
            const int32_t type = m_orders[a.place].type;
            if (type == kStockDividend) {
                a.held += m_left[p];
            } else if (type == kSpinOff) {
                __int128 units = 0;
                COrderCartera child = a.rule.SplitOff(Adjustable(p), m_left[p], &units);
                if (units <= 0) continue;
                m_lots.push_back(child);
                a.made.push_back(
                    NewSlot({a.place, a.after, a.place, static_cast<uint32_t>(m_lots.size() - 1),
                             true, m_slots[p].buy},
                            units));
            } else {
                a.rule.Adjust(Adjustable(p), m_left[p]);
                if (a.rule.MovesLots()) {
                    if (!m_slots[p].foreign) m_state[p] = kMovedAway;
                    m_slots[p].foreign = true;
                    m_slots[p].security = a.after;
                    return true;
                }
            }
        }
        return false;
    }

    void MakeDividendLot(uint32_t index) {
        Action& a = m_actions[index];
        __int128 units = 0;
        COrderCartera lot = a.rule.DividendLot(a.held, &units);
        if (units <= 0) return;
        m_lots.push_back(lot);
        a.made.push_back(NewSlot(
            {a.place, a.security, a.place, static_cast<uint32_t>(m_lots.size() - 1), true, true},
            units));
    }

    // The turn of the entry p: its exits, in order, until it is used up or none is left.
    void Turn(uint32_t p) {
        size_t j = SIZE_MAX;  // a foreign entry's place in its queue of exits
        while (m_state[p] != kClosed) {
            Queue& exits = m_queues[2 * m_slots[p].security + (m_slots[p].buy ? 0 : 1)];
            size_t& at = m_slots[p].foreign ? j : exits.head;
            if (at == SIZE_MAX) {
                const uint32_t from = m_slots[p].cursor;
                at = static_cast<size_t>(
                    std::lower_bound(exits.items.begin() + static_cast<long>(exits.head),
                                     exits.items.end(), from,
                                     [](const Waiting& w, uint32_t c) { return w.place < c; }) -
                    exits.items.begin());
            }
            while (at < exits.items.size() && m_state[exits.items[at].slot] != kOpen) ++at;
            const bool none = at == exits.items.size();
            if (ApplyActions(p, none ? UINT32_MAX : exits.items[at].place)) {
                j = SIZE_MAX;
                continue;
            }
            if (none) break;
            const uint32_t x = exits.items[at].slot;
            CNegocioC t = ClosedTradeFields(LotOf(p), LotOf(x));
            t.entryPosition = m_slots[p].place;
            const bool usedUp = CloseOnePair(LotOf(p), LotOf(x), m_left[p], m_left[x], t);
            if (!usedUp || m_left[x] == 0) {
                m_state[x] = kClosed;
                ++at;
            }
            if (usedUp) m_state[p] = kClosed;
            m_closed.push_back(t);
        }
    }

    const CArrayOrders& m_orders;
    CArrayNegocioC& m_closed;
    std::unordered_map<std::string, uint32_t> m_securityOf;
    std::vector<Queue> m_queues;  // 2 per security: [2s] sell side, [2s+1] buy side
    std::vector<std::vector<uint32_t>> m_actionsOf;  // per security, in journal order
    std::vector<Action> m_actions;
    std::vector<Slot> m_slots;
    std::vector<__int128> m_left;
    std::vector<char> m_state;
    std::vector<COrderCartera> m_lots;
};

}  // namespace

void TradeBook::MatchWithActions() {
    CArrayNegocioC closed;
    ActionMatching matching(m_journal.Orders(), closed);
    matching.Run();
    for (const CNegocioC& t : closed) m_closed.push_back(t);
    m_open.clear();
    CTime now{Now(m_context)};
    const int32_t nowDate = FctimeToFn(now), nowTime = HctimeToHn(now);
    for (auto [place, p] : matching.OpenSlots()) {
        CNegocioC t = MakeOpenTrade(matching.LotOf(p), Quantity::FromUnits(matching.Left(p)),
                                    nowDate, nowTime);
        t.entryPosition = place;
        m_open.push_back(t);
    }
    m_execByCode.clear();
    for (const COrderCartera& m : m_journal.Orders()) {
        if (!m.IsAction()) continue;
        m_actionCodes.insert(LowerAscii(m.quoteCode));
        m_actionCodes.insert(LowerAscii(ActionRule(m).codeAfter));
    }
    RebuildOpenTradeIndex();
}

}  // namespace cartera
