#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "host/strings.h"
#include "model/action.h"
#include "model/live_valuation.h"

namespace cartera {

std::vector<std::pair<PooledText, int>> ExecutionCodes(const CArrayOrders& journal) {
    std::vector<std::pair<PooledText, int>> counts;
    std::vector<uint32_t> slot(PooledText::PoolSize() + 1, UINT32_MAX);  // by the text's handle
    for (const auto& m : journal) {
        if (!m.IsExecution() && !m.IsAction()) continue;
        const PooledText code = m.IsExecution() ? m.quoteCode : QuotedCode(m);
        if (!m.IsExecution() && code.empty()) continue;
        if (code.Handle() >= slot.size()) slot.resize(code.Handle() + 1, UINT32_MAX);
        uint32_t& at = slot[code.Handle()];
        if (at == UINT32_MAX) {
            at = static_cast<uint32_t>(counts.size());
            counts.emplace_back(code, 0);
        }
        ++counts[at].second;
    }
    return counts;
}

std::string RateCode(std::string_view portfolio, std::string_view currency) {
    if (portfolio.empty() || currency.empty() || portfolio == currency) return {};
    return std::string(portfolio) + std::string(currency);
}

std::vector<std::pair<std::string, int>> RateCodes(const CArrayOrders& journal,
                                                   std::string_view portfolio) {
    std::vector<std::pair<std::string, int>> counts;
    for (const auto& m : journal) {
        if (!m.IsExecution() || m.currency.empty()) continue;
        const std::string code = RateCode(portfolio, m.currency);
        if (code.empty()) continue;
        auto it =
            std::find_if(counts.begin(), counts.end(), [&](auto& c) { return c.first == code; });
        if (it == counts.end()) it = counts.insert(counts.end(), {code, 0});
        ++it->second;
    }
    return counts;
}

bool LatestPrice(const CArrayOrders& journal, std::string_view code, double* price) {
    const COrderCartera* latest = nullptr;
    std::string key = LowerAscii(code);
    for (const COrderCartera& m : journal) {
        if (!m.IsExecution() || m.price <= 0.0 || LowerAscii(m.quoteCode) != key) continue;
        if (!latest || std::make_pair(m.date, m.time) >= std::make_pair(latest->date, latest->time))
            latest = &m;
    }
    if (latest) *price = latest->price;
    return latest != nullptr;
}

std::vector<MarketSymbol> JournalSymbols(const CArrayOrders& journal) {
    std::vector<MarketSymbol> own;
    std::unordered_set<std::string> seen;
    for (const COrderCartera& m : journal) {
        if (m.type != kBuy && m.type != kSell && m.type != kDividend) continue;
        std::string code = m.quoteCode;
        if (code.empty() || !seen.insert(LowerAscii(code)).second) continue;
        own.push_back({code, m.symbol.empty() ? code : m.symbol.str(), m.decimals});
    }
    return own;
}

bool LiveValuation::OnTicks(std::string_view code, const CMensajePelvo& message) {
    int lastCount = 0;
    double last = 0.0;
    for (const auto& v : message.GetValores()) {
        if (v.Kind() == kTickLast) {
            ++lastCount;
            last = v.Value();
        }
    }
    if (lastCount == 0) return false;
    const std::string_view portfolio = m_book.PortfolioCurrency();
    if (code.size() == 6 && !portfolio.empty() && UpperAscii(code.substr(0, 3)) == portfolio) {
        const std::string currency = UpperAscii(code.substr(3));
        if (currency == portfolio || !(last > 0) || !std::isfinite(1 / last)) return false;
        // The quote is units of the currency one unit of the portfolio's buys.
        m_book.SetLiveRate(PooledText(currency), 1 / last,
                           [this](size_t k) { m_refresh.push_back(static_cast<int32_t>(k)); });
        return true;
    }
    m_book.ValueSecurityAtTick(LowerAscii(code), last,
                               [this](size_t k) { m_refresh.push_back(static_cast<int32_t>(k)); });
    return true;
}

void LiveValuation::Idle(const std::vector<ILedgerView*>& views) {
    if (m_refresh.empty()) return;
    const TradeList& open = m_book.Open();
    // A trade queued several times is drawn once: each drawing would show the same values.
    std::unordered_set<int32_t> drawn;
    for (int32_t k : m_refresh) {
        if (k < 0 || static_cast<size_t>(k) >= open.size() || !drawn.insert(k).second) continue;
        for (ILedgerView* view : views) view->OpenTradeChanged(open[k]);
    }
    m_refresh.clear();
    for (ILedgerView* view : views) view->OpenTradesRevalued();
}

}  // namespace cartera
