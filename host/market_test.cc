#include "host/market.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "resources/resources.h"

namespace {

// A client that records what the service tells it.
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

CMensajePelvo Tick(const std::string& code, double last) {
    CMensajePelvo m(code);
    m.AddValor(kTickLast, last);
    return m;
}

// Each test gets its own service, installed as the current one.
class MarketTest : public ::testing::Test {
  protected:
    MarketTest() { CMarketService::SetCurrent(&service); }
    ~MarketTest() override { CMarketService::SetCurrent(nullptr); }

    CMarketService service;
};

TEST_F(MarketTest, RegistrationsAreCountedWithoutRegardToCase) {
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
}

TEST_F(MarketTest, DeliveryFollowsRegistrationOrderAndSurvivesDestruction) {
    auto first = std::make_unique<RecordingClient>();
    auto second = std::make_unique<RecordingClient>();
    auto third = std::make_unique<RecordingClient>();
    first->Register("BBVA.MC");
    second->Register("BBVA.MC");
    third->Register("BBVA.MC");
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

TEST(MarketServiceLifetime, ClientsMayOutliveTheService) {
    auto service = std::make_unique<CMarketService>();
    const CMarketService* const gone = service.get();
    CMarketService::SetCurrent(service.get());
    RecordingClient registered;
    RecordingClient idle;  // never registers anything
    registered.Register("SAP.DE");
    EXPECT_EQ(idle.GetService(), service.get());
    service.reset();
    // The service uninstalled itself and cut its clients loose.
    EXPECT_NE(CMarketService::Current(), gone);
    EXPECT_TRUE(registered.GetService() == nullptr && idle.GetService() == nullptr);
    registered.Register("SAP.DE");
    registered.Unregister("SAP.DE");
    idle.RegisterQuotes({cartera::MakeQuoteRequest("X")}, nullptr);
    CMarketService::SetCurrent(nullptr);
}

TEST_F(MarketTest, LastPriceIsTheLatestKindOneValueAndTheCatalogueIsSearched) {
    double price = -1;
    EXPECT_FALSE(service.LastPrice("ITX.MC", &price));
    CMensajePelvo m("ITX.MC");
    m.AddValor(kTickBid, 46.80);
    m.AddValor(kTickLast, 46.82);
    m.AddValor(kTickAsk, 46.85);
    service.Publish(m);
    CMensajePelvo bidOnly("ITX.MC");
    bidOnly.AddValor(kTickBid, 40.0);
    service.Publish(bidOnly);
    ASSERT_TRUE(service.LastPrice("itx.mc", &price));
    EXPECT_EQ(price, 46.82);

    // Listeners see every message, registered or not, until removed.
    int heard = 0;
    int handle = service.AddListener([&](const CMensajePelvo&) { ++heard; });
    service.Publish(Tick("ITX.MC", 47.0));
    service.RemoveListener(handle);
    service.Publish(Tick("ITX.MC", 47.5));
    EXPECT_EQ(heard, 1);
    ASSERT_TRUE(service.LastPrice("ITX.MC", &price));
    EXPECT_EQ(price, 47.5);

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

}  // namespace
