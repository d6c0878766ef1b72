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

    // Bound again, the box shows the known price and moves its own registration (so a feed
    // prices the code); a code not in the catalogue has two decimals.
    box.SetCodigoSimbolo("ITX.MC");
    EXPECT_EQ(box.GetText(), "40.00");
    EXPECT_EQ(service.RegisteredCodes(), (std::vector<std::string>{"itx.mc"}));
    EXPECT_EQ(service.TotalRegistrations(link.get()), 0);
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
    CMarketService::SetCurrent(other.get());
    CObjectZorb otherLink;
    CMarketService::SetCurrent(&service);
    box.Iniciar(&otherLink, "SAN.MC", 1);
    EXPECT_EQ(box.GetService(), other.get());
    EXPECT_EQ(other->RegisteredCodes(), (std::vector<std::string>{"san.mc"}));
    EXPECT_TRUE(service.RegisteredCodes().empty());
    service.Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "");
    other->Publish(Tick("SAN.MC", 9.0));
    EXPECT_EQ(box.GetText(), "9.00");  // the other service has no catalogue
    other.reset();
    EXPECT_EQ(box.GetService(), nullptr);
    box.SetCodigoSimbolo("Y");
    EXPECT_EQ(box.GetText(), "");

    // A box ends its registration and listening when destroyed.
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
