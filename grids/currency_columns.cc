#include "grids/currency_columns.h"

#include <algorithm>

#include "grids/column_ids.h"
#include "host/grid/grid_types.h"
#include "host/numbers.h"
#include "model/sistema.h"

namespace cartera {
namespace {

// A rate shows at least this many decimals, and as many more as its stored value needs.
constexpr int kRateDecimals = 4;

bool IsOther(const PooledText& currency, const std::string& portfolio) {
    return !currency.empty() && currency.str() != portfolio;
}

const std::string& CurrencyOf(const PooledText& currency, const std::string& portfolio) {
    return currency.empty() ? portfolio : currency.str();
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

bool HoldsOtherCurrency(const CSistemaCartera& ledger) {
    const std::string& portfolio = ledger.GetCurrency();
    return std::any_of(ledger.GetOrders().begin(), ledger.GetOrders().end(),
                       [&](const COrderCartera& m) { return IsOther(m.currency, portfolio); });
}

bool HoldsOtherCurrency(const TradeList& trades, const std::string& portfolio) {
    return std::any_of(trades.begin(), trades.end(),
                       [&](const CNegocioC& t) { return IsOther(t.currency, portfolio); });
}

bool MovementCurrencyText(int columnId, const COrderCartera& m, const std::string& portfolio,
                          std::string* text) {
    if (columnId != column::kCurrency && columnId != column::kRate) return false;
    // An action moves shares, no money: it has no currency of its own to show.
    if (m.IsAction())
        text->clear();
    else if (columnId == column::kCurrency)
        *text = CurrencyOf(m.currency, portfolio);
    else
        *text = PriceText(m.rate, kRateDecimals);
    return true;
}

bool MovementCurrencyNumber(int columnId, const COrderCartera& m, double* value) {
    if (columnId != column::kRate) return false;
    *value = m.rate;
    return true;
}

bool TradeCurrencyNumber(int columnId, const CNegocioC& t, double* value) {
    switch (columnId) {
        case column::kEntryRate:
            *value = t.entryRate;
            return true;
        case column::kExitRate:
            *value = t.exitRate;
            return true;
        case column::kBaseProfit:
            *value = TradeBaseResult(t);
            return true;
        case column::kPricePart:
            *value = TradePricePart(t);
            return true;
        case column::kExchangePart:
            *value = TradeExchangePart(t);
            return true;
        default:
            return false;
    }
}

bool TradeCurrencyText(int columnId, const CNegocioC& t, const std::string& portfolio,
                       std::string* text, bool* debit) {
    if (columnId == column::kCurrency) {
        *text = CurrencyOf(t.currency, portfolio);
        return true;
    }
    double value = 0;
    if (!TradeCurrencyNumber(columnId, t, &value)) return false;
    if (columnId == column::kEntryRate || columnId == column::kExitRate) {
        *text = PriceText(value, kRateDecimals);
    } else {
        // Results in the portfolio's currency, with its cents.
        *text = PonPuntos(value, 2);
        if (value < 0) *debit = true;
    }
    return true;
}

void AddMovementCurrencyColumns(CMultiHdrData& header) {
    header.AddFromResourceId(column::kCurrency, 50, 0, UG_ALIGNLEFT, 0);
    header.AddFromResourceId(column::kRate, 60, 0, UG_ALIGNRIGHT, 0);
}

void AddTradeCurrencyColumns(CMultiHdrData& header) {
    header.AddFromResourceId(column::kCurrency, 50, 0, UG_ALIGNLEFT, 0);
    for (int id : {column::kBaseProfit, column::kPricePart, column::kExchangePart})
        header.AddFromResourceId(id, 80, 0, UG_ALIGNRIGHT, 0);
    for (int id : {column::kEntryRate, column::kExitRate})
        header.AddFromResourceId(id, 60, 0, UG_ALIGNRIGHT, 0);
}

AutoColumns::AutoColumns(const std::vector<int>& ids, const CMultiHdrData& header) {
    for (int id : ids) m_given.push_back({id, header.GetVisible(id)});
}

bool AutoColumns::Fit(CMultiHdrData& header, bool shown) {
    bool changed = false;
    for (Given& g : m_given) {
        const int now = header.GetVisible(g.id);
        if (now != g.visible && !Contains(m_byHand, g.id)) m_byHand.push_back(g.id);
        if (Contains(m_byHand, g.id)) continue;
        g.visible = shown ? 1 : 0;
        if (now != g.visible) changed = header.SetVisible(g.id, g.visible) || changed;
    }
    return changed;
}

void AutoColumns::Loaded(const CMultiHdrData& header, const std::vector<int>& byHand) {
    m_byHand.clear();
    for (Given& g : m_given) {
        g.visible = header.GetVisible(g.id);
        if (Contains(byHand, g.id)) m_byHand.push_back(g.id);
    }
}

}  // namespace cartera
