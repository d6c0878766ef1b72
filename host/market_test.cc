#include "host/market.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "host/quote_box.h"
#include "resources/resources.h"

namespace {

class RecordingClient : public CObjectZorb {
  public:
    void OnTicks(const CMensajePelvo& message) override {
        ticks.push_back(message.GetCodigo());
        if (onTicks) onTicks();
    }
    void SetTotalSimbolosEncontrados(long found, long total) override {
        events.push_back("total " + std::to_string(found) + "/" + std::to_string(total));
    }
    void OnSimboloEncontradoAck(const st_valor_comunic2& result) override {
        events.push_back(result.Code() + "|" + result.Name() + "|" +
                         std::to_string(result.Decimals()));
    }

    void Register(const char* code) { RegisterQuote(cartera::MakeQuoteRequest(code), nullptr); }
    void Unregister(const char* code) { UnregisterQuote(cartera::MakeQuoteRequest(code), nullptr); }

    std::vector<std::string> ticks;
    std::vector<std::string> events;
    std::function<void()> onTicks;
};

CMensajePelvo Tick(const std::string& code, std::initializer_list<std::pair<int, double>> values) {
    CMensajePelvo m(code);
    for (auto [kind, value] : values) m.AddValor(kind, value);
    return m;
}
CMensajePelvo Tick(const std::string& code, double last) { return Tick(code, {{kTickLast, last}}); }

class MarketTest : public ::testing::Test {
  protected:
    MarketTest() { CMarketService::SetCurrent(&service); }
    ~MarketTest() override { CMarketService::SetCurrent(nullptr); }

    CMarketService service;
};

TEST_F(MarketTest, RegistrationsAreCountedWithoutRegardToCaseAndDeliveredInOrder) {
    RecordingClient client;
    EXPECT_EQ(client.GetService(), &service);
    client.Register("SAN.MC");
    client.Register("san.mc");
    EXPECT_EQ(service.RegistrationCount(&client, "San.Mc"), 2);
    client.Unregister("SAN.mc");
    service.Publish(Tick("San.Mc", 4.1));
    // One registration is left; the code reaches the client as published.
    EXPECT_EQ(client.ticks, std::vector<std::string>{"San.Mc"});

    client.Unregister("SAN.MC");
    client.Unregister("SAN.MC");  // nothing left to end: no effect
    service.Publish(Tick("SAN.MC", 4.2));
    EXPECT_TRUE(client.ticks.size() == 1u && service.RegisteredCodes().empty());
    client.Register("SAN.MC");
    service.Publish(Tick("SAN.MC", 4.3));
    EXPECT_EQ(client.ticks.size(), 2u);

    // Batches count one per request; ticks go only to registered codes.
    client.RegisterQuotes({cartera::MakeQuoteRequest("AAPL"), cartera::MakeQuoteRequest("MSFT")},
                          nullptr);
    EXPECT_EQ(service.TotalRegistrations(&client), 3);
    service.Publish(Tick("IBM", 1));
    EXPECT_EQ(client.ticks.size(), 2u);
    client.UnregisterQuotes({cartera::MakeQuoteRequest("AAPL"), cartera::MakeQuoteRequest("MSFT")},
                            nullptr);
    EXPECT_EQ(service.TotalRegistrations(&client), 1);

    // Delivery follows the order of registration and survives a client's destruction.
    auto first = std::make_unique<RecordingClient>(), second = std::make_unique<RecordingClient>(),
         third = std::make_unique<RecordingClient>();
    for (RecordingClient* c : {first.get(), second.get(), third.get()}) c->Register("BBVA.MC");
    std::vector<int> order;
    int secondCalls = 0;
    first->onTicks = [&] {
        order.push_back(1);
        second.reset();  // destroyed while the message is being delivered
    };
    second->onTicks = [&] { ++secondCalls; };
    third->onTicks = [&] { order.push_back(3); };
    service.Publish(Tick("BBVA.MC", 9.1));
    EXPECT_TRUE(secondCalls == 0 && order == (std::vector<int>{1, 3}));

    // A client ending its own registration in the callback is not called again.
    third->onTicks = [&] {
        order.push_back(3);
        third->Unregister("BBVA.MC");
    };
    first->onTicks = nullptr;
    service.Publish(Tick("BBVA.MC", 9.2));
    service.Publish(Tick("BBVA.MC", 9.3));
    EXPECT_EQ(order, (std::vector<int>{1, 3, 3}));
    EXPECT_EQ(first->ticks.size(), 3u);
}

TEST_F(MarketTest, LastPriceIsTheLatestKindOneValueAndTheCatalogueIsSearched) {
    double price = -1;
    EXPECT_FALSE(service.LastPrice("ITX.MC", &price));
    service.Publish(Tick("ITX.MC", {{kTickBid, 46.80}, {kTickLast, 46.82}, {kTickAsk, 46.85}}));
    service.Publish(Tick("ITX.MC", {{kTickBid, 40.0}}));
    EXPECT_TRUE(service.LastPrice("itx.mc", &price) && price == 46.82);

    // Listeners see every message, registered or not, until removed.
    int heard = 0;
    int handle = service.AddListener([&](const CMensajePelvo&) { ++heard; });
    service.Publish(Tick("ITX.MC", 47.0));
    service.RemoveListener(handle);
    service.Publish(Tick("ITX.MC", 47.5));
    EXPECT_EQ(heard, 1);
    EXPECT_TRUE(service.LastPrice("ITX.MC", &price) && price == 47.5);

    // A catalogue loads; the later line of a code replaces the first.
    service.LoadCatalogue(
        "code,name,decimals,letter,price\r\n"
        "SAN.MC,Banco Santander,3,V,4.312\r\n"
        "# a comment\n"
        "\n"
        "BBVA.MC,Banco Bilbao Vizcaya Argentaria,3,V,9.184\n"
        "FDAX-Z26,DAX Future Dec 2026,2,F,18652.00\n"
        "san.mc,Banco Santander SA,2,V,4.5");
    ASSERT_EQ(service.Symbols().size(), 3u);
    const MarketSymbol* dax = service.FindSymbol("fdax-z26");
    EXPECT_TRUE(dax && dax->price == 18652.0);
    EXPECT_EQ(service.FindSymbol("NONE"), nullptr);

    auto codes = [](const std::vector<MarketSymbol>& found) {
        std::vector<std::string> out;
        for (const auto& s : found) out.push_back(s.code);
        return out;
    };
    EXPECT_EQ(codes(service.Search("z26")), (std::vector<std::string>{"FDAX-Z26"}));
    EXPECT_EQ(codes(service.Search("banco", 1)), (std::vector<std::string>{"san.mc"}));
    // A client's search hears the total, then each result.
    RecordingClient client;
    service.RunSearch(&client, "BANCO");
    EXPECT_EQ(client.events,
              (std::vector<std::string>{"total 2/3", "san.mc|Banco Santander SA|2",
                                        "BBVA.MC|Banco Bilbao Vizcaya Argentaria|3"}));
    client.events.clear();
    service.RunSearch(&client, "nothing like it");
    EXPECT_EQ(client.events, (std::vector<std::string>{"total 0/3"}));
}

// The box of a link on the service; two symbols in the catalogue.
class QuoteBoxTest : public MarketTest {
  protected:
    QuoteBoxTest() {
        service.AddSymbol({"SAN.MC", "Banco Santander", 3, 'V', 4.312});
        service.AddSymbol({"ITX.MC", "Inditex", 2, 'V', 46.82});
        box.AddChangeCallback([this](const std::string& text) { changes.push_back(text); });
    }

    CObjectZorb link;
    CBaseWndTR box;
    std::vector<std::string> changes;
};

TEST_F(QuoteBoxTest, TextFollowsTheLastPriceWithTheSymbolsDecimals) {
    box.Iniciar(&link, "SAN.MC", 1);
    EXPECT_EQ(box.GetText(), "");  // no price known yet
    EXPECT_EQ(box.GetFlag(), 1);
    service.Publish(Tick("SAN.MC", 4.5));
    EXPECT_EQ(box.GetText(), "4.500");
    service.Publish(Tick("san.mc", 1234.25));  // codes match without regard to case
    EXPECT_EQ(box.GetText(), "1,234.250");
    service.Publish(Tick("san.mc", 1234.25));  // same price: no change to report
    service.Publish(Tick("SAN.MC", {{kTickBid, 4.0}}));
    service.Publish(Tick("ITX.MC", 40.0));
    EXPECT_EQ(changes, (std::vector<std::string>{"4.500", "1,234.250"}));

    // Bound again, the box shows the known price and moves its own registration (so a feed
    // prices the code); a code not in the catalogue has two decimals.
    box.SetCodigoSimbolo("ITX.MC");
    EXPECT_EQ(box.GetText(), "40.00");
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"itx.mc"}));
    EXPECT_EQ(service.TotalRegistrations(&link), 0);
    box.SetCodigoSimbolo("NEW");
    EXPECT_EQ(box.GetText(), "");
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"new"}));
    service.Publish(Tick("NEW", 3.14159));
    service.Publish(Tick("ITX.MC", 48.0));
    EXPECT_EQ(box.GetText(), "3.14");
    box.SetCodigoSimbolo("");
    EXPECT_TRUE(box.GetText().empty() && service.RegisteredCodes().empty());
    EXPECT_EQ(changes, (std::vector<std::string>{"4.500", "1,234.250", "40.00", "", "3.14", ""}));
    box.Iniciar(nullptr, "ITX.MC", 1);  // unbound: shows nothing, registers nothing
    EXPECT_TRUE(box.GetText().empty() && service.RegisteredCodes().empty());
}

TEST_F(QuoteBoxTest, RegistersOnTheServiceOfItsLinkOutlivesItAndEndsWhenDestroyed) {
    auto other = std::make_unique<CMarketService>();
    const CMarketService* const gone = other.get();
    CMarketService::SetCurrent(other.get());
    RecordingClient otherLink, idle;  // idle never registers anything
    CMarketService::SetCurrent(&service);
    box.Iniciar(&otherLink, "SAN.MC", 1);
    EXPECT_EQ(box.GetService(), other.get());
    EXPECT_EQ(other->RegisteredCodes(), (std::vector<std::string>{"san.mc"}));
    EXPECT_TRUE(service.RegisteredCodes().empty());
    service.Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "");
    other->Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "9.00");  // the other service has no catalogue
    // The service, current when it goes, uninstalls itself and cuts its clients loose, which
    // may still call it.
    otherLink.Register("SAP.DE");
    CMarketService::SetCurrent(other.get());
    other.reset();
    EXPECT_NE(CMarketService::Current(), gone);
    EXPECT_TRUE(box.GetService() == nullptr && otherLink.GetService() == nullptr &&
                idle.GetService() == nullptr);
    CMarketService::SetCurrent(&service);
    otherLink.Register("SAP.DE");
    otherLink.Unregister("SAP.DE");
    idle.RegisterQuotes({cartera::MakeQuoteRequest("X")}, nullptr);
    box.SetCodigoSimbolo("Y");
    EXPECT_EQ(box.GetText(), "");

    // A box ends its registration and listening when destroyed.
    auto second = std::make_unique<CBaseWndTR>();
    second->Iniciar(&link, "SAN.MC", 1);
    box.Iniciar(&link, "SAN.MC", 1);
    second.reset();
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"san.mc"}));
    service.Publish(Tick("SAN.MC", 5.0));  // reaches the remaining box only
    EXPECT_EQ(box.GetText(), "5.000");

    // A box destroyed by another listener while a tick is delivered is not called.
    auto doomed = std::make_unique<CBaseWndTR>();
    int killer = service.AddListener([&](const CMensajePelvo&) { doomed.reset(); });
    doomed->Iniciar(&link, "SAN.MC", 1);
    service.Publish(Tick("SAN.MC", 6.0));
    EXPECT_EQ(doomed, nullptr);
    service.RemoveListener(killer);
}

}  // namespace
