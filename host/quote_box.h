#pragma once
// The live-quote box: shows the last traded price of one quote code and follows the ticks
// that the market-data service publishes. No drawing here; a renderer shows GetText() and
// listens for its changes (host/qt/quote_box_widget.h).
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/market.h"

class CBaseWndTR {
  public:
    using ChangeCallback = std::function<void(const std::string& text)>;

    CBaseWndTR();
    // Ends the box's registration and stops listening.
    ~CBaseWndTR();
    CBaseWndTR(const CBaseWndTR&) = delete;
    CBaseWndTR& operator=(const CBaseWndTR&) = delete;

    // Binds the box to the service of link (not owned; read only here, for its service) and
    // shows code. While bound to a non-empty code the box holds one registration of that code of
    // its own, so the feed prices it even when nobody else holds the security. A null link
    // unbinds the box (it shows nothing). flag is kept as given.
    void Iniciar(CObjectZorb* link, const std::string& code, int flag);
    // Shows another code on the same service; an empty code shows nothing. Nothing is
    // shown while the box is unbound.
    void SetCodigoSimbolo(const std::string& code);

    const std::string& GetCodigoSimbolo() const { return m_code; }
    // The link last given to Iniciar (it may be gone since).
    CObjectZorb* GetLink() const { return m_link; }
    int GetFlag() const { return m_flag; }
    // The service the box listens to; null when unbound or when the service is gone.
    CMarketService* GetService() const;

    // The code's last price with the symbol's decimals from the service's catalogue (2 for
    // a code it does not know), in the interface language's number format; empty while no
    // price is known, the code is empty or the box is unbound.
    const std::string& GetText() const { return m_text; }
    // Decimals the text is written with.
    int GetDecimals() const { return m_decimals; }

    // Called with the new text each time it changes (not when a tick repeats the price).
    // Returns a handle for RemoveChangeCallback.
    int AddChangeCallback(ChangeCallback callback);
    void RemoveChangeCallback(int handle);

  private:
    void Unbind();
    void Rebind(CMarketService* service);
    void OnMessage(const CMensajePelvo& message);
    void SetText(std::string text);

    CObjectZorb* m_link = nullptr;
    std::string m_code;
    int m_flag = 0;
    int m_decimals = 2;
    std::string m_text;

    // The box's own client, created on the link's service while bound to a code.
    std::unique_ptr<CObjectZorb> m_client;
    int m_listener = 0;
    // Cleared on destruction, so a listener copy still running in Publish does nothing.
    std::shared_ptr<CBaseWndTR*> m_self;

    std::map<int, ChangeCallback> m_callbacks;
    int m_nextCallback = 1;
};
