#include "host/market.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "host/strings.h"

namespace cartera {

st_solicitar_simbolo MakeQuoteRequest(std::string_view code) {
    st_solicitar_simbolo r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.nombre, code.data(), std::min<size_t>(code.size(), 40));
    r.valor1 = 1;
    r.valor2 = 0;
    return r;
}

std::string RequestCode(const st_solicitar_simbolo& request) {
    return std::string(request.nombre, strnlen(request.nombre, sizeof request.nombre));
}

}  // namespace cartera

using cartera::LowerAscii;

stValorPelvo stValorPelvo::Make(int32_t kind, double value) {
    stValorPelvo v;
    std::memset(v.raw, 0, sizeof v.raw);
    std::memcpy(v.raw + 64, &kind, 4);
    std::memcpy(v.raw + 72, &value, 8);
    return v;
}

int32_t stValorPelvo::Kind() const {
    int32_t k;
    std::memcpy(&k, raw + 64, 4);
    return k;
}

double stValorPelvo::Value() const {
    double d;
    std::memcpy(&d, raw + 72, 8);
    return d;
}

st_valor_comunic2 st_valor_comunic2::Make(std::string_view code, std::string_view name,
                                          int decimals) {
    st_valor_comunic2 r;
    std::memcpy(r.raw + 4, code.data(), std::min<size_t>(code.size(), 40));
    std::memcpy(r.raw + 45, name.data(), std::min<size_t>(name.size(), 101));
    r.raw[147] = static_cast<unsigned char>(decimals);
    return r;
}

std::string st_valor_comunic2::Code() const {
    const char* p = reinterpret_cast<const char*>(raw + 4);
    return std::string(p, strnlen(p, 41));
}

std::string st_valor_comunic2::Name() const {
    const char* p = reinterpret_cast<const char*>(raw + 45);
    return std::string(p, strnlen(p, 102));
}

// ---- CObjectZorb ----

CObjectZorb::CObjectZorb() : m_service(CMarketService::Current()) { m_service->Attach(this); }

CObjectZorb::~CObjectZorb() {
    if (m_service) m_service->Detach(this);
}

void CObjectZorb::RegisterQuote(const st_solicitar_simbolo& request, void*) {
    if (m_service) m_service->Register(this, cartera::RequestCode(request));
}

void CObjectZorb::RegisterQuotes(const std::vector<st_solicitar_simbolo>& requests, void*) {
    for (const auto& r : requests) RegisterQuote(r, nullptr);
}

void CObjectZorb::UnregisterQuote(const st_solicitar_simbolo& request, void*) {
    if (m_service) m_service->Unregister(this, cartera::RequestCode(request));
}

void CObjectZorb::RegisterQuoteTimes(const st_solicitar_simbolo& request, int times) {
    if (m_service && times > 0) m_service->Register(this, cartera::RequestCode(request), times);
}

void CObjectZorb::UnregisterQuoteTimes(const st_solicitar_simbolo& request, int times) {
    if (m_service && times > 0) m_service->Unregister(this, cartera::RequestCode(request), times);
}

void CObjectZorb::UnregisterQuotes(const std::vector<st_solicitar_simbolo>& requests, void*) {
    for (const auto& r : requests) UnregisterQuote(r, nullptr);
}

// ---- CMarketService ----

namespace {
CMarketService* g_current = nullptr;
}

CMarketService* CMarketService::Current() {
    static CMarketService process;
    return g_current ? g_current : &process;
}

void CMarketService::SetCurrent(CMarketService* service) { g_current = service; }

CMarketService::~CMarketService() {
    // Clients that outlive their service must not call back into it, whether or not they
    // hold registrations.
    for (CObjectZorb* client : m_clients) client->m_service = nullptr;
    if (g_current == this) g_current = nullptr;
}

void CMarketService::Attach(CObjectZorb* client) { m_clients.push_back(client); }

void CMarketService::Register(CObjectZorb* client, std::string_view code, int times) {
    auto& regs = m_registrations[LowerAscii(code)];
    for (auto& r : regs)
        if (r.client == client) {
            r.count += times;
            return;
        }
    regs.push_back({client, times});
}

void CMarketService::Unregister(CObjectZorb* client, std::string_view code, int times) {
    auto it = m_registrations.find(LowerAscii(code));
    if (it == m_registrations.end()) return;
    auto& regs = it->second;
    for (size_t i = 0; i < regs.size(); ++i) {
        if (regs[i].client != client) continue;
        regs[i].count -= std::min(times, regs[i].count);
        if (regs[i].count == 0) regs.erase(regs.begin() + static_cast<long>(i));
        break;
    }
    if (regs.empty()) m_registrations.erase(it);
}

int CMarketService::RegistrationCount(const CObjectZorb* client, std::string_view code) const {
    auto it = m_registrations.find(LowerAscii(code));
    if (it == m_registrations.end()) return 0;
    for (const auto& r : it->second)
        if (r.client == client) return r.count;
    return 0;
}

int CMarketService::TotalRegistrations(const CObjectZorb* client) const {
    int total = 0;
    for (const auto& [code, regs] : m_registrations)
        for (const auto& r : regs)
            if (r.client == client) total += r.count;
    return total;
}

std::vector<std::string> CMarketService::RegisteredCodes() const {
    std::vector<std::string> codes;
    for (const auto& [code, regs] : m_registrations) codes.push_back(code);
    return codes;
}

void CMarketService::Detach(CObjectZorb* client) {
    ++m_generation;
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    for (auto it = m_registrations.begin(); it != m_registrations.end();) {
        auto& regs = it->second;
        regs.erase(std::remove_if(regs.begin(), regs.end(),
                                  [client](const Registration& r) { return r.client == client; }),
                   regs.end());
        it = regs.empty() ? m_registrations.erase(it) : std::next(it);
    }
}

void CMarketService::Publish(const CMensajePelvo& message) {
    std::string key = LowerAscii(message.GetCodigo());
    for (const auto& v : message.GetValores())
        if (v.Kind() == kTickLast) {
            m_last[key] = v.Value();
            m_pricedCodes.try_emplace(key, message.GetCodigo());
        }
    std::vector<CObjectZorb*> targets;
    if (auto it = m_registrations.find(key); it != m_registrations.end())
        for (const auto& r : it->second) targets.push_back(r.client);
    for (CObjectZorb* client : targets) {
        // A client may have ended its registration or been destroyed by an earlier callback.
        if (RegistrationCount(client, key) > 0) client->OnTicks(message);
    }
    std::vector<Listener> listeners;
    for (const auto& [handle, l] : m_listeners) listeners.push_back(l);
    for (const auto& l : listeners) l(message);
}

bool CMarketService::LastPrice(std::string_view code, double* price) const {
    auto it = m_last.find(LowerAscii(code));
    if (it == m_last.end()) return false;
    *price = it->second;
    return true;
}

bool CMarketService::ReferencePrice(std::string_view code, double* price) const {
    auto it = m_registrations.find(LowerAscii(code));
    if (it == m_registrations.end()) return false;
    for (const Registration& r : it->second)
        if (r.client->ReferencePrice(code, price) && *price > 0.0) return true;
    return false;
}

void CMarketService::AddSymbol(const MarketSymbol& symbol) {
    for (auto& s : m_symbols)
        if (LowerAscii(s.code) == LowerAscii(symbol.code)) {
            s = symbol;
            return;
        }
    m_symbols.push_back(symbol);
}

const MarketSymbol* CMarketService::FindSymbol(std::string_view code) const {
    std::string key = LowerAscii(code);
    for (const auto& s : m_symbols)
        if (LowerAscii(s.code) == key) return &s;
    return nullptr;
}

void CMarketService::LoadCatalogue(std::string_view csv) {
    bool first = true;
    while (!csv.empty()) {
        size_t eol = csv.find('\n');
        std::string line(csv.substr(0, eol));
        csv.remove_prefix(eol == std::string_view::npos ? csv.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            first = false;
            if (line.rfind("code,", 0) == 0) continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        size_t start = 0;
        for (;;) {
            size_t comma = line.find(',', start);
            f.push_back(line.substr(start, comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (f.size() < 2 || f[0].empty()) continue;
        MarketSymbol s;
        s.code = f[0];
        s.name = f[1];
        if (f.size() > 2) s.decimals = std::atoi(f[2].c_str());
        if (f.size() > 3 && !f[3].empty()) s.letter = f[3][0];
        // from_chars, not atof: the price has a point whatever the C locale says.
        if (f.size() > 4) std::from_chars(f[4].data(), f[4].data() + f[4].size(), s.price);
        AddSymbol(s);
    }
}

std::vector<MarketSymbol> CMarketService::Search(std::string_view text, size_t max) const {
    std::string needle = LowerAscii(text);
    std::vector<MarketSymbol> out;
    for (const auto& s : m_symbols) {
        if (out.size() >= max) break;
        if (LowerAscii(s.code).find(needle) != std::string::npos ||
            LowerAscii(s.name).find(needle) != std::string::npos)
            out.push_back(s);
    }
    return out;
}

std::vector<MarketSymbol> CMarketService::SearchFor(const CEventZorb* client, std::string_view text,
                                                    size_t max) const {
    std::vector<MarketSymbol> out = Search(text, max);
    std::string needle = LowerAscii(text);
    auto offer = [&](const MarketSymbol& s) {
        if (out.size() >= max) return;
        std::string code = LowerAscii(s.code);
        if (code.empty() || (code.find(needle) == std::string::npos &&
                             LowerAscii(s.name).find(needle) == std::string::npos))
            return;
        for (const MarketSymbol& listed : out)
            if (LowerAscii(listed.code) == code) return;
        out.push_back(s);
    };
    if (client)
        for (const MarketSymbol& s : client->OwnSymbols()) offer(s);
    for (const auto& [lower, code] : m_pricedCodes) offer({code, code});
    return out;
}

void CMarketService::RunSearch(CObjectZorb* client, std::string_view text) {
    std::vector<MarketSymbol> found = SearchFor(client, text);
    client->SetTotalSimbolosEncontrados(static_cast<long>(found.size()),
                                        static_cast<long>(m_symbols.size()));
    for (const auto& s : found)
        client->OnSimboloEncontradoAck(st_valor_comunic2::Make(s.code, s.name, s.decimals));
}

int CMarketService::AddListener(Listener listener) {
    int handle = m_nextListener++;
    m_listeners[handle] = std::move(listener);
    return handle;
}

void CMarketService::RemoveListener(int handle) { m_listeners.erase(handle); }

// ---- CDlgBusquedaSimbolos ----

namespace {
CDlgBusquedaSimbolos::Runner& DialogRunner() {
    static CDlgBusquedaSimbolos::Runner runner;
    return runner;
}
}  // namespace

void CDlgBusquedaSimbolos::SetRunner(Runner runner) { DialogRunner() = std::move(runner); }

int CDlgBusquedaSimbolos::DoModal() {
    auto& runner = DialogRunner();
    return runner ? runner(*this) : IDCANCEL;
}

void CDlgBusquedaSimbolos::SetSimbolosEncontrados(long, long) { m_found.clear(); }

void CDlgBusquedaSimbolos::OnNewSymbolFound(const st_valor_comunic2& result) {
    m_found.push_back(result);
}

void CDlgBusquedaSimbolos::OnError(int code, int, void*) { m_lastError = code; }

namespace {
// Forwards a search's answers to the dialog showing it, and offers the owner's securities.
class SearchLink : public CObjectZorb {
  public:
    explicit SearchLink(const CEventZorb* owner) : m_owner(owner) {}
    void Show(CDlgBusquedaSimbolos* dialog) { m_dialog = dialog; }
    void OnSimboloEncontradoAck(const st_valor_comunic2& result) override {
        if (m_dialog) m_dialog->OnNewSymbolFound(result);
    }
    void OnError(int code, int detail, void* data) override {
        if (m_dialog) m_dialog->OnError(code, detail, data);
    }
    void SetTotalSimbolosEncontrados(long found, long total) override {
        if (m_dialog) m_dialog->SetSimbolosEncontrados(found, total);
    }
    std::vector<MarketSymbol> OwnSymbols() const override {
        return m_owner ? m_owner->OwnSymbols() : std::vector<MarketSymbol>{};
    }

  private:
    const CEventZorb* m_owner;
    CDlgBusquedaSimbolos* m_dialog = nullptr;
};
}  // namespace

int SearchOneSymbol(const CEventZorb* owner, st_valor_comunic2& out) {
    SearchLink link(owner);
    CDlgBusquedaSimbolos dialog(&link);
    link.Show(&dialog);
    dialog.EnableMultiselectMode(0);
    if (dialog.DoModal() != CDlgBusquedaSimbolos::IDOK || dialog.GetSeleccionados().size() != 1)
        return 0;
    out = dialog.GetSeleccionados()[0];
    return 1;
}
