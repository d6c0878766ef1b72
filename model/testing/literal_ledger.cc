#include "model/testing/literal_ledger.h"

#include <algorithm>
#include <cctype>

#include "host/archive.h"
#include "host/dates.h"

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

void CasarOrdenes(Ledger& l) {
    l.closed.clear();
    CArrayOrders ex;
    for (size_t i = 0; i < l.orders.size(); ++i)
        if (l.orders[i].IsExecution()) ex.push_back(l.orders[i]);
    if (ex.empty()) {
        l.open.clear();
        return;
    }
    for (size_t i = 0; i < ex.size(); ++i) {
        bool entryUsedUp = false;
        for (size_t j = i + 1; j < ex.size();) {
            COrderCartera& e = ex[i];
            COrderCartera& x = ex[j];
            if (Lower(x.quoteCode) != Lower(e.quoteCode) || x.buy == e.buy) {
                ++j;
                continue;
            }
            CNegocioC t = cartera::ClosedTradeFields(e, x);
            double r = cartera::ClosedUnitResult(e.buy != 0, e.price, e.pointValue, x.price,
                                                 x.pointValue, e.commission, x.commission);
            if (e.contracts > x.contracts) {
                t.contracts = x.contracts;
                t.percentage = cartera::TradePercentage(r, e.price);
                t.profit = r * x.contracts.ToDouble();
                e.contracts -= x.contracts;
                t.remainder = e.contracts;
                l.closed.push_back(t);
                ex.erase(ex.begin() + static_cast<long>(j));
            } else {
                t.contracts = e.contracts;
                t.percentage = cartera::TradePercentage(r, e.price + e.commission);
                t.profit = r * e.contracts.ToDouble();
                x.contracts -= e.contracts;
                t.remainder = x.contracts;
                if (x.contracts == 0) ex.erase(ex.begin() + static_cast<long>(j));
                l.closed.push_back(t);
                ex.erase(ex.begin() + static_cast<long>(i));
                entryUsedUp = true;
                break;
            }
        }
        if (entryUsedUp) --i;  // the element now at position i is the next entry
    }
    CrearFictios(l, ex);
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
