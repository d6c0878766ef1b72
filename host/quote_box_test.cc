#include "host/quote_box.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

CMensajePelvo Tick(const std::string& code, double last) {
    CMensajePelvo message(code);
    message.AddValor(kTickLast, last);
    return message;
}

// A service of its own made current while the fixture lives, a link on it and a box.
class QuoteBoxTest : public ::testing::Test {
  protected:
    QuoteBoxTest() {
        service.AddSymbol({"SAN.MC", "Banco Santander", 3, 'V', 4.312});
        service.AddSymbol({"ITX.MC", "Inditex", 2, 'V', 46.82});
        CMarketService::SetCurrent(&service);
        link = std::make_unique<CObjectZorb>();
        box.AddChangeCallback([this](const std::string& text) { changes.push_back(text); });
    }
    ~QuoteBoxTest() override { CMarketService::SetCurrent(nullptr); }

    CMarketService service;
    std::unique_ptr<CObjectZorb> link;
    CBaseWndTR box;
    std::vector<std::string> changes;
};

TEST_F(QuoteBoxTest, TextFollowsTheLastPriceWithTheSymbolsDecimals) {
    box.Iniciar(link.get(), "SAN.MC", 1);
    EXPECT_EQ(box.GetText(), "");  // no price known yet
    EXPECT_EQ(box.GetFlag(), 1);

    service.Publish(Tick("SAN.MC", 4.5));
    EXPECT_EQ(box.GetText(), "4.500");
    service.Publish(Tick("san.mc", 1234.25));  // codes match without regard to case
    EXPECT_EQ(box.GetText(), "1,234.250");

    service.Publish(Tick("san.mc", 1234.25));  // same price: no change to report
    CMensajePelvo bidOnly("SAN.MC");
    bidOnly.AddValor(kTickBid, 4.0);
    service.Publish(bidOnly);
    service.Publish(Tick("ITX.MC", 40.0));
    EXPECT_EQ(changes, (std::vector<std::string>{"4.500", "1,234.250"}));
}

TEST_F(QuoteBoxTest, BindingShowsTheKnownPriceAndRebindingMovesTheRegistration) {
    service.Publish(Tick("ITX.MC", 47.1));
    box.Iniciar(link.get(), "ITX.MC", 1);
    EXPECT_EQ(box.GetText(), "47.10");
    // The box holds a registration of its own, so a feed prices the code.
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"itx.mc"}));
    EXPECT_EQ(service.TotalRegistrations(link.get()), 0);

    box.SetCodigoSimbolo("NEW");  // not in the catalogue: two decimals
    EXPECT_EQ(box.GetText(), "");
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"new"}));
    service.Publish(Tick("NEW", 3.14159));
    EXPECT_EQ(box.GetText(), "3.14");
    service.Publish(Tick("ITX.MC", 48.0));
    EXPECT_EQ(box.GetText(), "3.14");

    box.SetCodigoSimbolo("");
    EXPECT_EQ(box.GetText(), "");
    EXPECT_TRUE(service.RegisteredCodes().empty());
    EXPECT_EQ(changes, (std::vector<std::string>{"47.10", "", "3.14", ""}));

    box.Iniciar(nullptr, "ITX.MC", 1);  // unbound: shows nothing, registers nothing
    EXPECT_EQ(box.GetText(), "");
    EXPECT_TRUE(service.RegisteredCodes().empty());
}

TEST_F(QuoteBoxTest, RegistersOnTheServiceOfItsLink) {
    CMarketService other;
    CMarketService::SetCurrent(&other);
    CObjectZorb otherLink;
    CMarketService::SetCurrent(&service);

    box.Iniciar(&otherLink, "SAN.MC", 1);
    EXPECT_EQ(box.GetService(), &other);
    EXPECT_EQ(other.RegisteredCodes(), (std::vector<std::string>{"san.mc"}));
    EXPECT_TRUE(service.RegisteredCodes().empty());
    EXPECT_EQ(CMarketService::Current(), &service);
    service.Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "");
    other.Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "9.00");  // the other service has no catalogue
}

TEST(QuoteBoxServiceTest, OutlivingItsServiceIsHarmless) {
    CBaseWndTR box;
    {
        CMarketService service;
        CMarketService::SetCurrent(&service);
        CObjectZorb link;
        box.Iniciar(&link, "X", 1);
        CMarketService::SetCurrent(nullptr);
    }
    EXPECT_EQ(box.GetService(), nullptr);
    box.SetCodigoSimbolo("Y");
    EXPECT_EQ(box.GetText(), "");
}

TEST_F(QuoteBoxTest, EndsItsRegistrationAndListeningWhenDestroyed) {
    auto second = std::make_unique<CBaseWndTR>();
    second->Iniciar(link.get(), "SAN.MC", 1);
    box.Iniciar(link.get(), "SAN.MC", 1);
    second.reset();
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"san.mc"}));
    service.Publish(Tick("SAN.MC", 5.0));  // reaches the remaining box only
    EXPECT_EQ(box.GetText(), "5.000");

    // A box destroyed by another listener while a tick is delivered is not called.
    auto doomed = std::make_unique<CBaseWndTR>();
    int killer = service.AddListener([&](const CMensajePelvo&) { doomed.reset(); });
    doomed->Iniciar(link.get(), "SAN.MC", 1);
    service.Publish(Tick("SAN.MC", 6.0));
    EXPECT_EQ(doomed, nullptr);
    service.RemoveListener(killer);
}

}  // namespace
