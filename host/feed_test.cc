#include "host/feed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace cartera {
namespace {

// A service of its own with the embedded catalogue, current while the fixture lives so that
// clients attach to it, and a record of every message published on it.
class FeedTest : public ::testing::Test {
  protected:
    FeedTest() {
        LoadEmbeddedCatalogue(service);
        CMarketService::SetCurrent(&service);
        client = std::make_unique<CObjectZorb>();
        service.AddListener([this](const CMensajePelvo& m) { published.push_back(m); });
    }
    ~FeedTest() override { CMarketService::SetCurrent(nullptr); }

    void Register(const char* code) { client->RegisterQuote(MakeQuoteRequest(code), nullptr); }
    static double Value(const CMensajePelvo& m, int kind) {
        for (const auto& v : m.GetValores())
            if (v.Kind() == kind) return v.Value();
        return std::nan("");
    }

    CMarketService service;
    std::unique_ptr<CObjectZorb> client;
    std::vector<CMensajePelvo> published;
};

// The last prices of SAN.MC over 60 rounds of a fresh feed with seed on a fresh service,
// codes registered; the service uninstalls itself when it goes.
std::vector<double> Walk(uint64_t seed, const std::vector<const char*>& codes) {
    CMarketService service;
    LoadEmbeddedCatalogue(service);
    CMarketService::SetCurrent(&service);
    CObjectZorb client;
    for (const char* code : codes) client.RegisterQuote(MakeQuoteRequest(code), nullptr);
    SimulatedFeed feed(service, seed);
    std::vector<double> prices(60);
    for (double& price : prices) {
        feed.Step();
        feed.CurrentPrice("SAN.MC", &price);
    }
    return prices;
}

TEST(SimulatedFeedSeedTest, SameSeedSamePricesWhateverElseIsRegistered) {
    std::vector<double> a = Walk(7, {"SAN.MC"});
    EXPECT_EQ(a, Walk(7, {"SAN.MC"}));
    EXPECT_EQ(a, Walk(7, {"ITX.MC", "SAN.MC", "ZZZ"}));
    EXPECT_NE(a, Walk(8, {"SAN.MC"}));
    // It moves: a walk that stays put would pass the checks above.
    EXPECT_NE(std::count(a.begin(), a.end(), a.front()), static_cast<long>(a.size()));
}

// Registered codes only, spelt as the catalogue, starting from the catalogue's price, the
// last known one or a hundred.
TEST_F(FeedTest, PublishesRegisteredCodesFromTheirCatalogueLastKnownOrAHundred) {
    CMensajePelvo known("KNOWN");
    known.AddValor(kTickLast, 50.0);
    service.Publish(known);
    published.clear();
    SimulatedFeed feed(service, 3);
    feed.SetStepFraction(0.01);
    EXPECT_EQ(feed.Step(), 0);
    Register("itx.mc");
    Register("KNOWN");
    Register("ZZZ");  // unknown to the catalogue
    EXPECT_EQ(feed.Step(), 3);
    std::vector<std::string> codes;
    for (const CMensajePelvo& m : published) codes.push_back(m.GetCodigo());
    EXPECT_EQ(codes, (std::vector<std::string>{"ITX.MC", "known", "zzz"}));
    double price = 0.0;
    for (auto [code, start] : {std::pair{"ITX.MC", 46.82}, {"KNOWN", 50.0}, {"zzz", 100.0}}) {
        EXPECT_TRUE(feed.CurrentPrice(code, &price)) << code;
        EXPECT_NEAR(price, start, start * 0.01 + 0.005) << code;
    }
    EXPECT_FALSE(feed.CurrentPrice("SAN.MC", &price));  // never registered

    client->UnregisterQuote(MakeQuoteRequest("ZZZ"), nullptr);
    published.clear();
    EXPECT_EQ(feed.Step(), 2);
    EXPECT_EQ(published.size(), 2u);
}

TEST_F(FeedTest, PricesStayPositiveAndOnTheSymbolsDecimals) {
    service.AddSymbol({"TINY", "Tiny", 2, 'V', 0.02});
    Register("TINY");
    Register("SAN.MC");  // three decimals
    SimulatedFeed feed(service, 11);
    feed.SetStepFraction(0.9);  // wild steps, to reach the floor
    for (int i = 0; i < 300; ++i) feed.Step();
    ASSERT_EQ(published.size(), 600u);
    for (const CMensajePelvo& m : published) {
        double last = Value(m, kTickLast), bid = Value(m, kTickBid), ask = Value(m, kTickAsk);
        double scale = m.GetCodigo() == "TINY" ? 100.0 : 1000.0;
        EXPECT_TRUE(bid > 0.0 && bid <= last && ask > last) << m.GetCodigo() << bid << last << ask;
        EXPECT_NEAR(last * scale, std::round(last * scale), 1e-6) << m.GetCodigo() << last;
    }
}

TEST_F(FeedTest, ReplayPublishesInTimeOrderAndFilesRejectABadLineByItsNumber) {
    ReplayFeed replay(service);
    const std::string ticks = "time,code,last\n09:00:02,B,2.5\n09:00:01,A,1.5\n\n# a comment\n";
    ASSERT_EQ(replay.Load(ticks + "09:00:02,C,3.5\n").message(), "");
    EXPECT_EQ(replay.AdvanceTo(0.0), 1);
    EXPECT_EQ(replay.AdvanceTo(0.99), 0);
    EXPECT_EQ(replay.AdvanceTo(5.0), 2);
    EXPECT_TRUE(replay.Done());
    std::string order;  // equal times keep the file's order
    for (const CMensajePelvo& m : published) order += m.GetCodigo();
    EXPECT_EQ(order, "ABC");
    EXPECT_EQ(Value(published[2], kTickLast), 3.5);

    replay.Rewind();
    EXPECT_EQ(replay.AdvanceTo(10.0), 3);

    // Plain seconds, no header.
    ASSERT_EQ(replay.Load("0.5,X,1\n2,Y,2\n").message(), "");
    EXPECT_EQ(replay.AdvanceTo(0.4), 0);
    EXPECT_EQ(replay.AdvanceTo(0.5), 1);

    // A bad line of a replay or quotes file is named by its number; a quotes file's error
    // also says what is wrong with it and what was expected, and keeps the quotes held before.
    published.clear();
    using Texts = std::pair<const char*, const char*>;  // a file, its error or the error's start
    for (auto [csv, line] :
         {Texts{"time,code,last\n1,A,1\n\n2,B,abc\n", "line 4:"}, Texts{"1,A,1\n2,B\n", "line 2:"},
          Texts{"1:2,A,1\n", "line 1:"}, Texts{"09:00:00,A,1\n5,B,1\n", "line 2:"},
          Texts{"1,,1\n", "line 1:"}, Texts{"-1,A,1\n", "line 1:"},
          Texts{"1,A,1\ntime,code,last\n", "line 2:"}}) {
        Status loaded = replay.Load(csv);
        EXPECT_EQ(loaded.ok() ? ErrorKind::bug : loaded.kind(), ErrorKind::invalid_input) << csv;
        EXPECT_EQ(loaded.message().rfind(line, 0), 0u) << csv << " -> " << loaded.message();
        EXPECT_TRUE(replay.Ticks().empty() && replay.Done());
    }
    EXPECT_TRUE(published.empty());
    QuotesFeed quotes(service);
    ASSERT_EQ(quotes.Load("code,last\nSAN.MC,4.25\n").message(), "");
    for (auto [csv, expected] :
         {Texts{"SAN.MC,4.25\n\nTEF.MC\n", "line 3: \"TEF.MC\" has 1 field, expected 2: code,last"},
          {"SAN.MC,4.25,EUR\n", "line 1: \"SAN.MC,4.25,EUR\" has 3 fields, expected 2: code,last"},
          {",4.25\n", "line 1: the code is empty in \",4.25\", expected code,last"},
          {"# closing\nSAN.MC,4,25\n",
           "line 2: \"SAN.MC,4,25\" has 3 fields, expected 2: code,last"},
          {"SAN.MC,abc\n",
           "line 1: the price \"abc\" of SAN.MC is not a number, expected one "
           "like 4.25 (a point before the decimals)"},
          {"SAN.MC,-1\n", "line 1: the price \"-1\" of SAN.MC is not above 0"}}) {
        Status loaded = quotes.Load(csv);
        EXPECT_EQ(loaded.ok() ? ErrorKind::bug : loaded.kind(), ErrorKind::invalid_input) << csv;
        EXPECT_EQ(loaded.message(), expected) << csv;
    }
    ASSERT_EQ(quotes.Quotes().size(), 1u);
    EXPECT_EQ(quotes.Quotes()[0].last, 4.25);
}

}  // namespace
}  // namespace cartera
