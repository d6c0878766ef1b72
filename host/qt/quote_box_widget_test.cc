#include "host/qt/quote_box_widget.h"

#include <gtest/gtest.h>

namespace cartera::qt {
namespace {

class QuoteBoxWidgetTest : public ::testing::Test {
  protected:
    QuoteBoxWidgetTest() {
        service.AddSymbol({"SAN.MC", "Banco Santander", 3, 'V', 4.312});
        CMarketService::SetCurrent(&service);
        link = std::make_unique<CObjectZorb>();
    }
    ~QuoteBoxWidgetTest() override { CMarketService::SetCurrent(nullptr); }

    void Publish(const char* code, double last) {
        CMensajePelvo message(code);
        message.AddValor(kTickLast, last);
        service.Publish(message);
    }

    CMarketService service;
    std::unique_ptr<CObjectZorb> link;
};

TEST_F(QuoteBoxWidgetTest, ShowsABoxItDoesNotOwn) {
    CBaseWndTR box;
    box.Iniciar(link.get(), "SAN.MC", 1);
    Publish("SAN.MC", 4.0);
    {
        QuoteBoxWidget widget(&box);
        EXPECT_EQ(widget.text(), "4.000");  // the box's text at once
        Publish("SAN.MC", 4.1);
        EXPECT_EQ(widget.text(), "4.100");
        EXPECT_EQ(&widget.Box(), &box);
    }
    Publish("SAN.MC", 4.2);  // the widget is gone; the box goes on alone
    EXPECT_EQ(box.GetText(), "4.200");
}

}  // namespace
}  // namespace cartera::qt
