#include <gtest/gtest.h>

#include "commissions/comisiones.h"
#include "testing/mem_env.h"

namespace {

class CalculateCommissionTest : public testing::Test {
  protected:
    // A kind-4 bracket whose royalty tells which bracket priced the amount.
    void AddStock(const std::string& name, double from, double to, double royalty = 2) {
        // 0.2% commission with a minimum of 5, 0.1% brokerage with a minimum of 1.
        m_adm.Add({-1, -1, 4, name, 0, 0.2, 5, 0.1, 1, from, to, royalty});
    }
    double Stock(const std::string& name, double amount) const {
        return m_adm.CalculateCommission(name, amount, 4);
    }
    CAdmComisiones m_adm{cartera::testing::BareContext()};
};

TEST_F(CalculateCommissionTest, StockBracketsApplyRatesMinimumsRoyaltyAndAFallback) {
    AddStock("S", 0, 10000);
    EXPECT_DOUBLE_EQ(Stock("S", 1000), 5 + 1 + 2);  // both minimums
    EXPECT_DOUBLE_EQ(Stock("S", 5000), 10 + 5 + 2);
    EXPECT_DOUBLE_EQ(Stock("S", 0), 5 + 1 + 2);
    EXPECT_DOUBLE_EQ(Stock("S", 20000), 40 + 20 + 2);       // above: the bracket is the fallback
    EXPECT_DOUBLE_EQ(Stock("S", -50000), 5 + 1 + 2);        // below: falls back as well
    EXPECT_EQ(Stock("s", 1000), 0);                         // names are case-sensitive
    EXPECT_EQ(m_adm.CalculateCommission("S", 1000, 8), 0);  // another kind's name
    EXPECT_EQ(m_adm.CalculateCommission("S", 1000, 3), 0);

    // Outside every bracket the one with the greatest To prices the amount.
    AddStock("G", 1001, 5000, 20);
    AddStock("G", 0, 1000, 10);
    EXPECT_DOUBLE_EQ(Stock("G", 1000), 5 + 1 + 10);         // inclusive upper bound
    EXPECT_DOUBLE_EQ(Stock("G", 1001), 5 + 1.001 + 20);     // inclusive lower bound
    EXPECT_DOUBLE_EQ(Stock("G", 1000.5), 5 + 1.0005 + 20);  // gap
    EXPECT_DOUBLE_EQ(Stock("G", -3), 5 + 1 + 20);           // below every bracket

    AddStock("N", -100, -1, 30);
    AddStock("N", 0, 1000, 10);
    EXPECT_DOUBLE_EQ(Stock("N", -50), 5 + 1 + 30);  // a negative bracket holds it
    EXPECT_DOUBLE_EQ(Stock("N", -500), 5 + 1 + 10);

    // The first containing bracket wins over a later overlapping one.
    AddStock("O", 0, 1000, 10);
    AddStock("O", 500, 2000, 20);
    EXPECT_DOUBLE_EQ(Stock("O", 700), 5 + 1 + 10);

    // The fallback compares against the truncated To.
    AddStock("T", 0, 100.75, 10);
    AddStock("T", 0, 100.5, 20);  // above the truncated 100, so it replaces the fallback
    EXPECT_DOUBLE_EQ(Stock("T", 200), 5 + 1 + 20);

    AddStock("U", 0, 100.5, 10);
    AddStock("U", 0, 100, 20);  // not above 100: the first stays
    EXPECT_DOUBLE_EQ(Stock("U", 200), 5 + 1 + 10);

    // A To beyond 32 bits saturates the running maximum.
    AddStock("W", 0, 1e10, 10);
    EXPECT_DOUBLE_EQ(Stock("W", 2e10), 4e7 + 2e7 + 10);
    AddStock("W", 0, 5e9, 20);
    EXPECT_DOUBLE_EQ(Stock("W", -1), 5 + 1 + 20);
    AddStock("W", 0, 2147483647.0, 30);
    EXPECT_DOUBLE_EQ(Stock("W", -1), 5 + 1 + 20);

    // Without a positive To there is no fallback.
    AddStock("Z", 0, 0);
    EXPECT_EQ(Stock("Z", 10), 0);
    EXPECT_EQ(Stock("Z", -10), 0);
    EXPECT_DOUBLE_EQ(Stock("Z", 0), 5 + 1 + 2);  // inside the 0-0 bracket
    AddStock("Z", -20, -10);
    EXPECT_EQ(Stock("Z", 10), 0);
    EXPECT_EQ(Stock("missing", 10), 0);
}

TEST_F(CalculateCommissionTest, FactorScheduleHasNoFallbackAndUnitScheduleOneRecord) {
    // A factor of 0.5 with a minimum of 3, royalty 1; the brokerage minimum 100 is not used.
    m_adm.Add({-1, -1, 8, "F", 0, 0.5, 3, 0, 100, 0, 1000, 1});
    EXPECT_DOUBLE_EQ(m_adm.CalculateCommission("F", 100, 8), 50 + 1);
    EXPECT_DOUBLE_EQ(m_adm.CalculateCommission("F", 2, 8), 3 + 1);
    EXPECT_EQ(m_adm.CalculateCommission("F", 2000, 8), 0);
    EXPECT_EQ(m_adm.CalculateCommission("F", 100, 4), 0);

    // A unit schedule needs exactly one record.
    // 2.5 a unit with a minimum of 10; the bounds 100-200 and the royalty 7 are not used.
    const stComision r{-1, -1, 2, "U", 0, 0, 0, 0, 0, 100, 200, 7, 0, 0, 10, 2.5};
    m_adm.Add(r);
    EXPECT_DOUBLE_EQ(m_adm.CalculateCommission("U", 3, 2), 10);
    EXPECT_DOUBLE_EQ(m_adm.CalculateCommission("U", 8, 2), 20);
    m_adm.Add(r);
    EXPECT_EQ(m_adm.CalculateCommission("U", 8, 2), 0);
}

}  // namespace
