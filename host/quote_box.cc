#include "host/quote_box.h"

#include <vector>

#include "host/numbers.h"
#include "host/strings.h"

namespace {

// A client object attached to service rather than to the current one: the box registers
// on the service its link talks to.
std::unique_ptr<CObjectZorb> MakeClientOn(CMarketService* service) {
    CMarketService* current = CMarketService::Current();
    if (service == current) return std::make_unique<CObjectZorb>();
    CMarketService::SetCurrent(service);
    auto client = std::make_unique<CObjectZorb>();
    CMarketService::SetCurrent(current);
    return client;
}

}  // namespace

CBaseWndTR::CBaseWndTR() : m_self(std::make_shared<CBaseWndTR*>(this)) {}

CBaseWndTR::~CBaseWndTR() {
    *m_self = nullptr;
    Unbind();
}

CMarketService* CBaseWndTR::GetService() const {
    // The client's service pointer is cleared when the service dies before the box.
    return m_client ? m_client->GetService() : nullptr;
}

void CBaseWndTR::Iniciar(CObjectZorb* link, const std::string& code, int flag) {
    m_link = link;
    m_flag = flag;
    m_code = code;
    Rebind(link ? link->GetService() : nullptr);
}

void CBaseWndTR::SetCodigoSimbolo(const std::string& code) {
    m_code = code;
    // The service the box is bound to, not the link's: the link may be gone by now.
    Rebind(GetService());
}

void CBaseWndTR::Unbind() {
    if (CMarketService* service = GetService()) {
        if (!m_code.empty() && m_client)
            m_client->UnregisterQuote(cartera::MakeQuoteRequest(m_code), nullptr);
        if (m_listener) service->RemoveListener(m_listener);
    }
    m_listener = 0;
    m_client.reset();
}

void CBaseWndTR::Rebind(CMarketService* service) {
    // The registration is made afresh for the new code, so unbinding first also ends the
    // old code's registration.
    Unbind();
    m_decimals = 2;
    if (!service) {
        SetText({});
        return;
    }
    m_client = MakeClientOn(service);
    std::weak_ptr<CBaseWndTR*> self = m_self;
    m_listener = service->AddListener([self](const CMensajePelvo& message) {
        if (auto box = self.lock(); box && *box) (*box)->OnMessage(message);
    });
    if (m_code.empty()) {
        SetText({});
        return;
    }
    m_client->RegisterQuote(cartera::MakeQuoteRequest(m_code), nullptr);
    if (const MarketSymbol* symbol = service->FindSymbol(m_code)) m_decimals = symbol->decimals;
    double price = 0.0;
    SetText(service->LastPrice(m_code, &price) ? PonPuntos(price, m_decimals) : std::string());
}

void CBaseWndTR::OnMessage(const CMensajePelvo& message) {
    if (m_code.empty() || cartera::LowerAscii(message.GetCodigo()) != cartera::LowerAscii(m_code))
        return;
    const stValorPelvo* last = nullptr;
    for (const stValorPelvo& value : message.GetValores())
        if (value.Kind() == kTickLast) last = &value;
    if (last) SetText(PonPuntos(last->Value(), m_decimals));
}

void CBaseWndTR::SetText(std::string text) {
    if (text == m_text) return;
    m_text = std::move(text);
    // Callbacks may remove themselves (or others) while they run.
    std::vector<int> handles;
    for (const auto& [handle, callback] : m_callbacks) handles.push_back(handle);
    for (int handle : handles) {
        auto it = m_callbacks.find(handle);
        if (it == m_callbacks.end()) continue;
        ChangeCallback callback = it->second;
        callback(m_text);
    }
}

int CBaseWndTR::AddChangeCallback(ChangeCallback callback) {
    int handle = m_nextCallback++;
    m_callbacks[handle] = std::move(callback);
    return handle;
}

void CBaseWndTR::RemoveChangeCallback(int handle) { m_callbacks.erase(handle); }
