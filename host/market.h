#pragma once
// The market-data service: quote registration per code with counted unregistration, tick
// messages of (kind, value) records, a symbol catalogue with search, and the symbol-search
// dialog's hook. Everything runs on the user-interface thread.
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A quote request: the code in a 42-byte zero-filled field (at most 40 characters), then
// two integers, always 1 and 0 from the portfolio.
struct st_solicitar_simbolo {
    char nombre[42];
    char reservado[2];
    int32_t valor1;
    int32_t valor2;
};
static_assert(sizeof(st_solicitar_simbolo) == 52);

namespace cartera {
// The request for a code: cut to 40 characters, zero-filled, integers 1 and 0.
st_solicitar_simbolo MakeQuoteRequest(std::string_view code);
// The code of a request, up to its terminator.
std::string RequestCode(const st_solicitar_simbolo& request);
}  // namespace cartera

// One value record of a tick message: 104 bytes, the kind as a 32-bit integer at byte 64
// and the value as a double at byte 72. Kind 1 is the last traded price.
struct stValorPelvo {
    unsigned char raw[104];

    static stValorPelvo Make(int32_t kind, double value);
    int32_t Kind() const;
    double Value() const;
};
static_assert(sizeof(stValorPelvo) == 104);

enum { kTickLast = 1, kTickBid = 2, kTickAsk = 3, kTickVolume = 4 };

// A tick message: the code it concerns and its value records.
class CMensajePelvo {
  public:
    CMensajePelvo() = default;
    explicit CMensajePelvo(std::string codigo) : m_codigo(std::move(codigo)) {}
    const std::string& GetCodigo() const { return m_codigo; }
    const std::vector<stValorPelvo>& GetValores() const { return m_valores; }
    void AddValor(int32_t kind, double value) {
        m_valores.push_back(stValorPelvo::Make(kind, value));
    }

  private:
    std::string m_codigo;
    std::vector<stValorPelvo> m_valores;
};

// A symbol-search result, 160 bytes: the code as zero-terminated text from byte 4, the
// name from byte 45, the decimals in byte 147.
struct st_valor_comunic2 {
    unsigned char raw[160];

    st_valor_comunic2() { Clear(); }
    static st_valor_comunic2 Make(std::string_view code, std::string_view name, int decimals);
    void Clear() { std::memset(raw, 0, sizeof raw); }
    std::string Code() const;
    std::string Name() const;
    int Decimals() const { return raw[147]; }
};
static_assert(sizeof(st_valor_comunic2) == 160);

// A security the service knows: code, display name, price decimals, instrument letter
// ('V' stock, 'F' future, 'O' option) and a reference price.
struct MarketSymbol {
    std::string code;
    std::string name;
    int decimals = 2;
    char letter = 'V';
    double price = 0.0;
};

class CMarketService;

// The client side of the market-data service: receives ticks and search results.
class CEventZorb {
  public:
    virtual ~CEventZorb() = default;
    virtual void OnTicks(const CMensajePelvo& message) {}
    virtual void OnSimboloEncontradoAck(const st_valor_comunic2& result) {}
    virtual void OnError(int code, int detail, void* data) {}
    virtual void SetTotalSimbolosEncontrados(long found, long total) {}
    // The price this client would start code at when no quote has come yet (a portfolio's
    // last execution of it); false when it knows none.
    virtual bool ReferencePrice(std::string_view code, double* price) const { return false; }
    // The securities this client holds already (a portfolio's own codes): searches run
    // through it offer them besides the catalogue.
    virtual std::vector<MarketSymbol> OwnSymbols() const { return {}; }
};

// A client object of the service. Registrations are counted per code: a code registered
// twice is registered until both are ended. Destruction ends all of them.
class CObjectZorb : public CEventZorb {
  public:
    CObjectZorb();
    ~CObjectZorb() override;
    CObjectZorb(const CObjectZorb&) = delete;
    CObjectZorb& operator=(const CObjectZorb&) = delete;

    void RegisterQuote(const st_solicitar_simbolo& request, void* object);
    void RegisterQuotes(const std::vector<st_solicitar_simbolo>& requests, void* object);
    void UnregisterQuote(const st_solicitar_simbolo& request, void* object);
    void UnregisterQuotes(const std::vector<st_solicitar_simbolo>& requests, void* object);
    // As many registrations (or ends of registration) of one code as times calls would make.
    void RegisterQuoteTimes(const st_solicitar_simbolo& request, int times);
    void UnregisterQuoteTimes(const st_solicitar_simbolo& request, int times);

    // The service this client talks to (the current one when it was constructed).
    CMarketService* GetService() const { return m_service; }

  private:
    friend class CMarketService;
    CMarketService* m_service;
};

class CMarketService {
  public:
    CMarketService() = default;
    // Clients still alive are cut loose (their calls become no-ops); a service installed as
    // the current one is uninstalled.
    ~CMarketService();
    CMarketService(const CMarketService&) = delete;
    CMarketService& operator=(const CMarketService&) = delete;

    // The service clients attach to; a process-wide one unless a test or the workstation
    // installed another (not owned).
    static CMarketService* Current();
    static void SetCurrent(CMarketService* service);  // nullptr restores the process one

    // Registrations (codes compared without regard to case).
    // times registrations at once; ending them stops at none left.
    void Register(CObjectZorb* client, std::string_view code, int times = 1);
    void Unregister(CObjectZorb* client, std::string_view code, int times = 1);
    int RegistrationCount(const CObjectZorb* client, std::string_view code) const;
    int TotalRegistrations(const CObjectZorb* client) const;
    // Distinct codes (lower case) that some client holds, sorted.
    std::vector<std::string> RegisteredCodes() const;

    // Delivers a tick message to every client registered for its code, in registration
    // order, and remembers the last price of kind-1 records. Clients may register, end
    // registrations or be destroyed while it runs.
    void Publish(const CMensajePelvo& message);
    bool LastPrice(std::string_view code, double* price) const;
    // The first reference price that a client registered for code offers; false when none
    // does.
    bool ReferencePrice(std::string_view code, double* price) const;

    // The symbol catalogue.
    void AddSymbol(const MarketSymbol& symbol);
    const MarketSymbol* FindSymbol(std::string_view code) const;
    const std::vector<MarketSymbol>& Symbols() const { return m_symbols; }
    // Loads "code,name,decimals,letter,price" lines (a header line is skipped).
    void LoadCatalogue(std::string_view csv);
    // Symbols whose code or name contains text (ignoring case), at most max of them.
    std::vector<MarketSymbol> Search(std::string_view text, size_t max = 200) const;
    // What a search made through client offers: the catalogue's hits, then the client's own
    // securities, then the codes some feed published a last price of (a quotes file's), each
    // code once (ignoring case), at most max of them. client may be null.
    std::vector<MarketSymbol> SearchFor(const CEventZorb* client, std::string_view text,
                                        size_t max = 200) const;
    // Runs SearchFor for a client: SetTotalSimbolosEncontrados, then one
    // OnSimboloEncontradoAck per symbol found.
    void RunSearch(CObjectZorb* client, std::string_view text);

    // Listeners told of every published message (the workstation's quote boxes).
    using Listener = std::function<void(const CMensajePelvo&)>;
    int AddListener(Listener listener);
    void RemoveListener(int handle);

  private:
    friend class CObjectZorb;
    void Attach(CObjectZorb* client);
    void Detach(CObjectZorb* client);

    struct Registration {
        CObjectZorb* client;
        int count;
    };
    std::vector<CObjectZorb*> m_clients;  // every client constructed on this service
    std::map<std::string, std::vector<Registration>> m_registrations;  // by lower-case code
    std::map<std::string, double> m_last;
    std::map<std::string, std::string> m_pricedCodes;  // lower case -> as published
    std::vector<MarketSymbol> m_symbols;
    std::map<int, Listener> m_listeners;
    int m_nextListener = 1;
    uint64_t m_generation = 0;  // bumped when a client detaches, to guard dispatch
};

// The host's symbol-search dialog: runs a search through a client's link and returns the
// chosen results. Its modal part is a hook the workstation installs; without one
// DoModal answers IDCANCEL at once.
class CDlgBusquedaSimbolos {
  public:
    static constexpr int IDOK = 1, IDCANCEL = 2;
    using Runner = std::function<int(CDlgBusquedaSimbolos&)>;
    static void SetRunner(Runner runner);

    explicit CDlgBusquedaSimbolos(CObjectZorb* link) : m_link(link) {}
    virtual ~CDlgBusquedaSimbolos() = default;

    void EnableMultiselectMode(int on) { m_multiselect = on != 0; }
    bool MultiselectMode() const { return m_multiselect; }
    int DoModal();
    CObjectZorb* GetLink() const { return m_link; }

    // Results forwarded by the link while the search runs.
    void SetSimbolosEncontrados(long found, long total);
    void OnNewSymbolFound(const st_valor_comunic2& result);
    void OnError(int code, int detail, void* data);
    const std::vector<st_valor_comunic2>& GetFound() const { return m_found; }
    void ClearFound() { m_found.clear(); }
    int LastError() const { return m_lastError; }

    // The chosen results (set by the runner).
    const std::vector<st_valor_comunic2>& GetSeleccionados() const { return m_selected; }
    void SetSeleccionados(std::vector<st_valor_comunic2> selected) {
        m_selected = std::move(selected);
    }

  private:
    CObjectZorb* m_link;
    bool m_multiselect = true;
    std::vector<st_valor_comunic2> m_found;
    std::vector<st_valor_comunic2> m_selected;
    int m_lastError = 0;
};

// Shows the symbol search for one choice, through a link of its own whose searches also
// offer owner's securities (owner may be null; not owned). 1 and out filled when exactly one
// security was chosen; else 0 and out unchanged.
int SearchOneSymbol(const CEventZorb* owner, st_valor_comunic2& out);
