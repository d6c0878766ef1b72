// The ledger's links to the outside: its file body and the views' layouts in it, and the
// market-data feed.
#include "host/strings.h"
#include "model/body.h"
#include "model/sistema.h"

void CSistemaCartera::Serialize(CArchive& ar) {
    auto layouts = [this](CArchive& a) { SerializeLayouts(a); };
    if (ar.IsStoring()) {
        cartera::StoreBody(ar, m_journal, m_activeTab, layouts);
        return;
    }
    m_detachedLayouts.clear();
    cartera::LoadBody(ar, m_journal, &m_activeTab, &m_legacy, layouts);
    m_book.Forget();
    if (m_afterLoading) DoAfterLoadingProcess();
}

std::string CSistemaCartera::LayoutBytes() {
    std::string bytes;
    CArchive ar(&bytes);
    SerializeLayouts(ar);
    return bytes;
}

void CSistemaCartera::LoadLayouts(CArchive& ar) {
    SerializeLayouts(ar);
    if (!ar.AtEnd())
        throw CArchiveException(
            CArchiveException::badFormat,
            std::to_string(ar.Remaining()) + " unknown bytes after the grid layouts");
}

void CSistemaCartera::SerializeLayouts(CArchive& ar) {
    using Layout = ILedgerView::Layout;
    for (Layout layout : {Layout::movements, Layout::closed, Layout::open}) {
        if (ar.IsLoading() && ar.AtEnd()) return;  // written without layouts
        if (ILedgerView* view = ViewKeeping(layout)) {
            view->SerializeLayout(ar);
            continue;
        }
        // No grid to hand the rest to: keep it as read and write it back unchanged.
        if (ar.IsLoading())
            m_detachedLayouts = std::string(ar.ReadView(ar.Remaining()));
        else
            ar.WriteBytes(m_detachedLayouts.data(), m_detachedLayouts.size());
        return;
    }
}

void CSistemaCartera::RegisterAll() {
    for (const auto& [code, times] : cartera::ExecutionCodes(m_journal.Orders()))
        RegisterQuoteTimes(cartera::MakeQuoteRequest(code), times);
    for (const auto& [code, times] : cartera::RateCodes(m_journal.Orders(), GetCurrency()))
        RegisterQuoteTimes(cartera::MakeQuoteRequest(code), times);
}

void CSistemaCartera::UnregisterAll() {
    for (const auto& [code, times] : cartera::ExecutionCodes(m_journal.Orders()))
        UnregisterQuoteTimes(cartera::MakeQuoteRequest(code), times);
    for (const auto& [code, times] : cartera::RateCodes(m_journal.Orders(), GetCurrency()))
        UnregisterQuoteTimes(cartera::MakeQuoteRequest(code), times);
}

bool CSistemaCartera::ReferencePrice(std::string_view code, double* price) const {
    return cartera::LatestPrice(m_journal.Orders(), code, price);
}

std::vector<MarketSymbol> CSistemaCartera::OwnSymbols() const {
    return cartera::JournalSymbols(m_journal.Orders());
}

void CSistemaCartera::OnTicks(const CMensajePelvo& message) {
    CObjectZorb::OnTicks(message);
    if (m_live.OnTicks(message.GetCodigo(), message)) {
        m_totals.openProfit = m_book.Open().ProfitSum();
        m_totals.exchangePart = m_book.Open().ExchangeSum() + m_book.Closed().ExchangeSum();
    }
}

void CSistemaCartera::DoIdle() { m_live.Idle(std::vector<ILedgerView*>(m_views)); }
