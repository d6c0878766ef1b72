// Live valuation of the open trades and the symbol search, through the market-data link.
#include <unordered_map>
#include <unordered_set>

#include "host/strings.h"
#include "model/sistema.h"

using cartera::LowerAscii;
using cartera::MakeQuoteRequest;

namespace {
// How many executions name each code text, in order of first appearance: registering them
// code by code costs a look-up per distinct code, not per movement.
std::vector<std::pair<PooledText, int>> ExecutionCodes(const CArrayOrders& orders) {
    std::vector<std::pair<PooledText, int>> counts;
    std::vector<uint32_t> slot(PooledText::PoolSize() + 1, UINT32_MAX);  // by the text's handle
    for (const auto& m : orders) {
        if (!m.IsExecution()) continue;
        if (m.quoteCode.Handle() >= slot.size()) slot.resize(m.quoteCode.Handle() + 1, UINT32_MAX);
        uint32_t& at = slot[m.quoteCode.Handle()];
        if (at == UINT32_MAX) {
            at = static_cast<uint32_t>(counts.size());
            counts.emplace_back(m.quoteCode, 0);
        }
        ++counts[at].second;
    }
    return counts;
}
}  // namespace

void CSistemaCartera::RegisterAll() {
    for (const auto& [code, times] : ExecutionCodes(m_orders))
        RegisterQuoteTimes(MakeQuoteRequest(code), times);
}

void CSistemaCartera::UnregisterAll() {
    for (const auto& [code, times] : ExecutionCodes(m_orders))
        UnregisterQuoteTimes(MakeQuoteRequest(code), times);
}

bool CSistemaCartera::ReferencePrice(std::string_view code, double* price) const {
    const COrderCartera* latest = nullptr;
    std::string key = LowerAscii(code);
    for (const COrderCartera& m : m_orders) {
        if (!m.IsExecution() || m.price <= 0.0 || LowerAscii(m.quoteCode) != key) continue;
        if (!latest || std::make_pair(m.date, m.time) >= std::make_pair(latest->date, latest->time))
            latest = &m;
    }
    if (latest) *price = latest->price;
    return latest != nullptr;
}

void CSistemaCartera::OnTicks(const CMensajePelvo& message) {
    CObjectZorb::OnTicks(message);
    int lastCount = 0;
    double last = 0.0;
    for (const auto& v : message.GetValores()) {
        if (v.Kind() == kTickLast) {
            ++lastCount;
            last = v.Value();
        }
    }
    if (lastCount == 0) return;
    if (m_matchedSize == m_orders.size()) {  // the open trades are at their entries' places
        auto it = m_openByCode.find(LowerAscii(message.GetCodigo()));
        if (it == m_openByCode.end()) return;
        const OpenPlaces& mine = it->second;
        for (size_t j = mine.head; j < mine.places.size(); ++j) {
            const size_t k = OpenTradeAt(mine.places[j]);
            if (k != SIZE_MAX) ValueAtTick(k, last);
        }
    } else {
        const std::string code = LowerAscii(message.GetCodigo());
        for (size_t k = 0; k < m_open.size(); ++k)
            if (LowerAscii(m_open[k].quoteCode) == code) ValueAtTick(k, last);
    }
    m_openProfit = m_open.ProfitSum();
}

void CSistemaCartera::ValueAtTick(size_t k, double last) {
    const CNegocioC& trade = m_open[k];
    const size_t place = FindPlace(trade.id);
    if (place == SIZE_MAX) return;
    if (!trade.revalue) m_ticked.push_back(m_open.EntryAt(k));
    const COrderCartera& entry = m_orders[place];
    m_open.Edit(k, [&](CNegocioC& t) {
        int32_t q = t.contracts;
        double cx = m_pAdm->CalculateCommission(entry.schedule, q * last, 4) / q;
        t.exitPrice = last;
        t.exitCommission = cx;
        t.revalue = 1;
        double r = t.isLong == 1
                       ? (last - entry.price) * entry.pointValue - (cx + entry.commission)
                       : (entry.price - last) * entry.pointValue - (cx + entry.commission);
        t.percentage = cartera::TradePercentage(r, t.entryCommission + t.entryPrice);
        t.profit = r * q;
    });
    m_refresh.push_back(static_cast<int32_t>(k));
}

void CSistemaCartera::DoIdle() {
    if (m_refresh.empty()) return;
    // A trade queued several times is drawn once: each drawing would show the same values.
    std::unordered_set<int32_t> drawn;
    for (int32_t k : m_refresh) {
        if (k >= 0 && static_cast<size_t>(k) < m_open.size() && m_pGridAbiertas &&
            drawn.insert(k).second)
            m_pGridAbiertas->UpdateTradeRow(m_open[k]);
    }
    m_refresh.clear();
    if (m_pGridAbiertas) m_pGridAbiertas->RedrawTradeGrid();
    if (m_pGridValoracion) m_pGridValoracion->UpdateOpenTradeRows();
}

std::vector<MarketSymbol> CSistemaCartera::OwnSymbols() const {
    std::vector<MarketSymbol> own;
    std::unordered_set<std::string> seen;
    for (const COrderCartera& m : m_orders) {
        if (m.type != kBuy && m.type != kSell && m.type != kDividend) continue;
        std::string code = m.quoteCode;
        if (code.empty() || !seen.insert(cartera::LowerAscii(code)).second) continue;
        own.push_back({code, m.symbol.empty() ? code : m.symbol.str(), m.decimals});
    }
    return own;
}

int CSistemaCartera::ShowDlgSearchQuotes(st_valor_comunic2& out) {
    auto dialog = std::make_unique<CDlgBusquedaSimbolos>(this);
    m_pDlgSearch = dialog.get();
    dialog->EnableMultiselectMode(0);
    int answer = dialog->DoModal();
    int chosen = 0;
    if (answer == CDlgBusquedaSimbolos::IDOK && dialog->GetSeleccionados().size() == 1) {
        out = dialog->GetSeleccionados()[0];
        chosen = 1;
    }
    m_pDlgSearch = nullptr;
    return chosen;
}

void CSistemaCartera::OnSimboloEncontradoAck(const st_valor_comunic2& result) {
    if (m_pDlgSearch) m_pDlgSearch->OnNewSymbolFound(result);
}

void CSistemaCartera::OnError(int code, int detail, void* data) {
    if (m_pDlgSearch) m_pDlgSearch->OnError(code, detail, data);
}

void CSistemaCartera::SetTotalSimbolosEncontrados(long found, long total) {
    if (m_pDlgSearch) m_pDlgSearch->SetSimbolosEncontrados(found, total);
}
