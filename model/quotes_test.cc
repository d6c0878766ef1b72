#include <tuple>

#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

class QuotesTest : public LedgerTest {
  protected:
    void SetUp() override { ledger.AddView(&grids); }
    RecordingView grids;
    CSistemaCartera ledger{ctx};
};

TEST_F(QuotesTest, LastPriceRevaluesOpenTradesOfTheCodeWithTheirSchedulesCommission) {
    ledger.AddOrder(Exec(true, "ACME", 10, 20.0));
    ledger.AddOrder(Exec(false, "SHRT", 4, 50.0));
    ledger.AddOrder(Exec(true, "OTHER", 1, 5.0));
    double capital = ledger.GetCapital(), invested = ledger.GetInvertido();
    Tick("acme", {{kTickLast, 21.0}});
    const CNegocioC& t = ledger.GetOpenTrades()[0];
    EXPECT_EQ(std::tuple(t.exitPrice, t.profit, t.percentage), std::tuple(21.0, 10.0, 5.0));
    // Several last prices in one message: the last counts; other kinds are ignored.
    Tick("SHRT", {{kTickLast, 49.0}, {kTickBid, 1.0}, {kTickLast, 48.0}, {kTickLast, 45.0}});
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[1].profit, 20.0);
    EXPECT_DOUBLE_EQ(ledger.GetGanAbiertas(), 30.0);
    EXPECT_EQ(std::tuple(ledger.GetCapital(), ledger.GetInvertido()),
              std::tuple(capital, invested));
    EXPECT_EQ(ledger.RefreshQueueSize(), 2u);
    // No last price: nothing moves.
    Tick("ACME", {{kTickBid, 99.0}});
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[0].exitPrice, 21.0);

    // The exit commission comes from the entry's schedule.
    stComision b = Bracket("Broker", 4, 0, 1e9);
    b.commissionPct = 1.0;  // 1 % of the amount
    ledger.GetAdmComisiones()->Add(b);
    COrderCartera m = Exec(true, "SCH", 10, 20.0, 0.2);
    m.schedule = "Broker";
    ledger.AddOrder(m);
    Tick("SCH", {{kTickLast, 30.0}});
    const CNegocioC& s = ledger.GetOpenTrades()[3];
    EXPECT_DOUBLE_EQ(s.exitCommission, 0.3);  // 1 % of 300 over 10 contracts
    EXPECT_DOUBLE_EQ(s.profit, (10.0 - 0.5) * 10);
    EXPECT_DOUBLE_EQ(s.percentage, 100.0 * 9.5 / 20.2);
}

// A pair quote gives the live rate of the portfolio's open trades in that currency: their
// results in the portfolio's currency move with it, and trades matched later keep it.
TEST_F(QuotesTest, APairQuoteValuesTheOpenTradesOfItsCurrencyAtTheLiveRate) {
    ledger.SetCurrency("EUR");
    COrderCartera buy = Exec(true, "ACME", 10, 100.0, 0.2);
    buy.currency = PooledText("USD");
    buy.rate = 0.9;
    ledger.AddOrder(buy);
    ledger.AddOrder(Exec(true, "HOME", 1, 5.0));
    Tick("EURUSD", {{kTickLast, 1.25}});  // 1.25 dollars a euro: 0.8 euros a dollar
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[0].exitRate, 0.8);
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[1].exitRate, 1.0);
    // The cost, commission included, at the rate's move: 10 x 100.2 x (0.8 - 0.9).
    EXPECT_NEAR(ledger.GetExchangePart(), -100.2, 1e-9);
    Tick("EURGBP", {{kTickLast, 0.0}});  // no rate: nothing moves
    Tick("EURUSD", {{kTickLast, 0.0}});
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[0].exitRate, 0.8);
    COrderCartera sell = Exec(false, "ACME", 4, 100.0, 0.2);
    sell.currency = buy.currency;
    sell.rate = 0.8;
    ledger.AddOrder(sell);
    ASSERT_EQ(ledger.GetOpenTrades().size(), 2u);
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[0].exitRate, 0.8);
    EXPECT_NEAR(ledger.GetExchangePart(), -100.2, 1e-9);  // 4 closed and 6 open, all at 0.8
}

TEST_F(QuotesTest, IdleDrawsQueuedRowsOnceAndDropsStaleOnes) {
    ledger.DoIdle();
    EXPECT_EQ(grids.revalued, 0);
    ledger.AddOrder(Exec(true, "A", 1, 1.0));
    ledger.AddOrder(Exec(true, "B", 1, 1.0));
    Tick("A", {{kTickLast, 2.0}});
    Tick("B", {{kTickLast, 2.0}});
    Tick("A", {{kTickLast, 3.0}});
    ledger.DoIdle();
    EXPECT_EQ(grids.updatedIds, (std::vector<uint64_t>{1, 2}));
    EXPECT_EQ(grids.revalued, 1);
    EXPECT_EQ(ledger.RefreshQueueSize(), 0u);
    // B's row is queued, then the journal shrinks under it.
    Tick("B", {{kTickLast, 4.0}});
    ledger.DelOrder(1);
    grids.updatedIds.clear();
    ledger.DoIdle();
    EXPECT_TRUE(grids.updatedIds.empty() || grids.updatedIds == std::vector<uint64_t>{2});
    EXPECT_EQ(ledger.RefreshQueueSize(), 0u);
}

TEST_F(QuotesTest, SymbolSearchReturnsOneChoiceOrNothing) {
    service.AddSymbol({"SAN.MC", "Banco Santander", 3, 'V', 4.0});
    service.AddSymbol({"SAB.MC", "Banco Sabadell", 3, 'V', 1.5});
    st_valor_comunic2 out = st_valor_comunic2::Make("keep", "", 0);
    EXPECT_EQ(SearchOneSymbol(&ledger, out), 0);  // no dialog can be shown: cancelled
    EXPECT_EQ(out.Code(), "keep");

    CDlgBusquedaSimbolos::SetRunner([](CDlgBusquedaSimbolos& dlg) {
        EXPECT_FALSE(dlg.MultiselectMode());
        dlg.GetLink()->GetService()->RunSearch(dlg.GetLink(), "banco");
        if (dlg.GetFound().size() != 2) return int(CDlgBusquedaSimbolos::IDCANCEL);
        dlg.SetSeleccionados({dlg.GetFound()[1]});
        return int(CDlgBusquedaSimbolos::IDOK);
    });
    EXPECT_EQ(SearchOneSymbol(&ledger, out), 1);
    EXPECT_EQ(std::tuple(out.Code(), out.Decimals()), std::tuple("SAB.MC", 3));

    CDlgBusquedaSimbolos::SetRunner([](CDlgBusquedaSimbolos& dlg) {
        dlg.GetLink()->GetService()->RunSearch(dlg.GetLink(), "banco");
        dlg.SetSeleccionados(dlg.GetFound());  // two chosen: not exactly one
        return int(CDlgBusquedaSimbolos::IDOK);
    });
    EXPECT_EQ(SearchOneSymbol(&ledger, out), 0);
    CDlgBusquedaSimbolos::SetRunner({});
}

}  // namespace
}  // namespace cartera::testing
