#include "model/testing/literal_ledger.h"

#include <algorithm>
#include <cctype>

#include "host/archive.h"
#include "host/dates.h"
#include "model/action.h"

namespace literal {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool GetEntryOrder(const Ledger& l, uint64_t id, COrderCartera& out) {
    for (size_t i = 0; i < l.orders.size(); ++i) {
        if (l.orders[i].id == id) {
            out = l.orders[i];
            return true;
        }
    }
    return false;
}

void CrearFictios(Ledger& l, const CArrayOrders& remaining) {
    l.open.clear();
    for (size_t i = 0; i < remaining.size(); ++i) {
        const COrderCartera& m = remaining[i];
        const double q = m.contracts.ToDouble();
        double cx = m.commission;
        if (!m.schedule.empty() && l.adm)
            cx = l.adm->CalculateCommission(m.schedule, q * m.price, 4) / q;
        CTime now{cartera::Now(l.context)};
        CNegocioC t =
            cartera::OpenTradeFields(m, m.contracts, cx, FctimeToFn(now), HctimeToHn(now));
        l.open.push_back(t);
    }
}

}  // namespace

// The list matching walks: executions, corporate actions, and the lots actions made.
struct Element {
    COrderCartera m;  // as adjusted so far; an action's cash in lieu: what is left of it
    int action = -1;  // the action's index, for an action
    bool made = false;
};

struct ActionState {
    cartera::ActionRule rule;
    __int128 held = 0;
    std::vector<COrderCartera> made;
    cartera::Quantity cash;  // the fraction paid in cash still to meet
};

void CasarOrdenes(Ledger& l) {
    l.closed.clear();
    std::vector<Element> ex;
    std::vector<ActionState> actions;
    actions.reserve(l.orders.size());
    for (size_t i = 0; i < l.orders.size(); ++i) {
        const COrderCartera& m = l.orders[i];
        if (m.IsExecution()) ex.push_back({m});
        if (!m.IsAction()) continue;
        actions.push_back({cartera::ActionRule(m), 0, {}, {}});
        if (actions.back().rule.PaysCashInLieu()) actions.back().cash = m.contracts;
        ex.push_back({m, static_cast<int>(actions.size() - 1)});
    }
    auto lower = [](const PooledText& code) { return Lower(code); };
    auto close = [&](Element& e, COrderCartera& x, size_t i, size_t* j) -> bool {
        CNegocioC t = cartera::ClosedTradeFields(e.m, x);
        double r = cartera::ClosedUnitResult(e.m.buy != 0, e.m.price, e.m.pointValue, x.price,
                                             x.pointValue, e.m.commission, x.commission);
        if (e.m.contracts > x.contracts) {
            t.contracts = x.contracts;
            t.percentage = cartera::TradePercentage(r, e.m.price);
            t.profit = r * x.contracts.ToDouble();
            e.m.contracts -= x.contracts;
            t.remainder = e.m.contracts;
            l.closed.push_back(t);
            if (j) ex.erase(ex.begin() + static_cast<long>(*j));
            if (!j) x.contracts = cartera::Quantity();
            return false;
        }
        t.contracts = e.m.contracts;
        t.percentage = cartera::TradePercentage(r, e.m.price + e.m.commission);
        t.profit = r * e.m.contracts.ToDouble();
        x.contracts -= e.m.contracts;
        t.remainder = x.contracts;
        if (j && x.contracts == 0) ex.erase(ex.begin() + static_cast<long>(*j));
        l.closed.push_back(t);
        ex.erase(ex.begin() + static_cast<long>(i));
        return true;
    };
    for (size_t i = 0; i < ex.size(); ++i) {
        if (ex[i].action >= 0) {  // no entry; the lots it made take their turns next
            ActionState& a = actions[static_cast<size_t>(ex[i].action)];
            if (ex[i].m.type == kStockDividend) {
                __int128 units = 0;
                COrderCartera lot = a.rule.DividendLot(a.held, &units);
                lot.contracts = cartera::Quantity::FromUnits(units);
                if (units > 0) a.made.push_back(lot);
            }
            std::vector<Element> made;
            for (const COrderCartera& m : a.made) made.push_back({m, -1, true});
            ex.insert(ex.begin() + static_cast<long>(i) + 1, made.begin(), made.end());
            continue;
        }
        bool entryUsedUp = false;
        for (size_t j = i + 1; j < ex.size();) {
            Element& e = ex[i];
            if (ex[j].made) {
                ++j;
                continue;
            }
            if (ex[j].action >= 0) {  // an action the entry passes
                ActionState& a = actions[static_cast<size_t>(ex[j].action)];
                const COrderCartera& am = ex[j].m;
                if (lower(e.m.quoteCode) == lower(am.quoteCode)) {
                    __int128 units = e.m.contracts.Units();
                    if (am.type == kStockDividend) {
                        a.held += units;
                    } else if (am.type == kSpinOff) {
                        __int128 childUnits = 0;
                        COrderCartera child = a.rule.SplitOff(e.m, units, &childUnits);
                        child.contracts = cartera::Quantity::FromUnits(childUnits);
                        if (childUnits > 0) a.made.push_back(child);
                    } else {
                        a.rule.Adjust(e.m, units);
                        e.m.contracts = cartera::Quantity::FromUnits(units);
                    }
                }
                if (a.cash != 0 && e.m.buy && lower(e.m.quoteCode) == lower(a.rule.codeAfter)) {
                    COrderCartera x = a.rule.CashInLieuExit();
                    x.contracts = a.cash;
                    entryUsedUp = close(e, x, i, nullptr);
                    a.cash = x.contracts;
                    if (entryUsedUp) break;
                }
                ++j;
                continue;
            }
            COrderCartera& x = ex[j].m;
            if (Lower(x.quoteCode) != Lower(e.m.quoteCode) || x.buy == e.m.buy) {
                ++j;
                continue;
            }
            entryUsedUp = close(e, x, i, &j);
            if (entryUsedUp) break;
        }
        if (entryUsedUp) --i;  // the element now at position i is the next entry
    }
    CArrayOrders open;
    for (const Element& e : ex)
        if (e.action < 0) open.push_back(e.m);
    CrearFictios(l, open);
}

void CalcularCapital(Ledger& l) {
    Totals& t = l.totals;
    t = Totals{};
    for (size_t i = 0; i < l.orders.size(); ++i) {
        const COrderCartera& m = l.orders[i];
        if (m.type == kDividend) t.dividends += (m.commission + m.price) * m.contracts.ToDouble();
        if (m.type == kExpense) {
            t.expenses += m.contracts.ToDouble() * m.price;
            t.capital -= m.contracts.ToDouble() * m.price;
        }
        if (m.type == kImposition) {
            t.impositions += m.contracts.ToDouble() * m.price;
            t.capital += m.contracts.ToDouble() * m.price;
        }
        if (m.type == kDeposit) {
            t.deposits += m.contracts.ToDouble() * m.price;
            t.capital += m.contracts.ToDouble() * m.price;
        }
        if (m.type == kRefund) {
            t.refunds += m.contracts.ToDouble() * m.price;
            t.capital -= m.contracts.ToDouble() * m.price;
        }
    }
    for (size_t i = 0; i < l.open.size(); ++i) t.openProfit += l.open[i].profit;
    for (size_t i = 0; i < l.closed.size(); ++i) t.closedProfit += l.closed[i].profit;
    t.closedProfit = t.dividends + t.closedProfit;
    for (size_t i = 0; i < l.open.size(); ++i) t.guarantees += l.open[i].guarantee;
    t.capital += t.closedProfit;
    t.invested = t.guarantees;
    for (size_t i = 0; i < l.open.size(); ++i)
        t.invested +=
            (l.open[i].entryPrice + l.open[i].entryCommission) * l.open[i].contracts.ToDouble();
}

void OnTicks(Ledger& l, const CMensajePelvo& message) {
    for (size_t i = 0; i < l.open.size(); ++i) {
        CNegocioC& t = l.open[i];
        if (Lower(t.quoteCode) != Lower(message.GetCodigo())) continue;
        int count = 0;
        double last = 0;
        for (const auto& v : message.GetValores())
            if (v.Kind() == 1) {
                ++count;
                last = v.Value();
            }
        if (count == 0) continue;
        COrderCartera e;
        if (!GetEntryOrder(l, t.id, e)) continue;
        const double q = t.contracts.ToDouble();
        double cx = l.adm ? l.adm->CalculateCommission(e.schedule, q * last, 4) / q : 0.0;
        t.exitPrice = last;
        t.exitCommission = cx;
        double r = t.isLong == 1 ? (last - e.price) * e.pointValue - (cx + e.commission)
                                 : (e.price - last) * e.pointValue - (cx + e.commission);
        t.percentage = cartera::TradePercentage(r, t.entryCommission + t.entryPrice);
        t.profit = r * q;
        l.refresh.push_back(static_cast<int32_t>(i));
    }
    double sum = 0;
    for (size_t i = 0; i < l.open.size(); ++i) sum += l.open[i].profit;
    l.totals.openProfit = sum;
}

void Load(Ledger& l, CArchive& ar) {
    l.orders.clear();
    ar.ReadU32();
    ar.ReadI32();
    int32_t n = ar.ReadI32();
    for (int32_t i = 0; i < n; ++i) {
        l.orders.push_back(cartera::ReadMovementRecord(ar));
    }
    int32_t marker = ar.ReadI32();
    if (marker == -1) {
        for (size_t i = 0; i < l.orders.size(); ++i) {
            cartera::ReadExtensionRecord(ar, l.orders[i]);
        }
    } else if (marker > 0) {
        for (int32_t k = 0; k < marker; ++k) {
            COrderCartera record;
            record.Serialize(ar);
            for (size_t i = 0; i < l.orders.size(); ++i) {
                if (l.orders[i].id == record.id) {
                    l.orders[i].schedule = record.schedule;
                    l.orders[i].reserved = record.reserved;
                }
            }
        }
    }
    CasarOrdenes(l);
    CalcularCapital(l);
    for (auto& t : l.open) {
        t.exitPrice = t.entryPrice;
        t.exitCommission = t.entryCommission;
    }
}

}  // namespace literal
