// Planning an import from rows as any reader fills them: rows without the broker's id and
// fractional quantities.
#include "model/sistema.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"

namespace cartera::statements {
namespace {

StatementRow Trade(size_t line, bool buy, double quantity, double price) {
    StatementRow r;
    r.line = line;
    r.symbol = "ACME";
    r.security = "US0000000001";
    r.buy = buy;
    r.quantity = quantity;
    r.price = price;
    r.commission = 2;
    r.date = 19724;
    r.time = 36000;
    return r;
}

class PlanTest : public testing::LedgerTest {};

TEST_F(PlanTest, RowsWithoutIdsMatchByFieldsAndFractionalRowsAreRefused) {
    Statement s;
    // Two identical fills are two movements; the second import finds both.
    s.rows = {Trade(2, true, 10, 5.5), Trade(3, true, 10, 5.5), Trade(4, false, 10, 6)};
    CSistemaCartera ledger{ctx};
    ImportPlan first = PlanImport(s, ledger, {});
    ASSERT_EQ(first.added.size(), 3u);
    EXPECT_DOUBLE_EQ(first.added[0].commission, 0.2);
    ledger.AddOrders(std::vector<COrderCartera>(first.added.begin(), first.added.begin() + 1));
    ImportPlan overlapping = PlanImport(s, ledger, {});
    EXPECT_EQ(overlapping.added.size(), 2u);
    EXPECT_EQ(overlapping.skipped, 1u);

    // Fractions are imported as written; more than ten decimals are refused, never rounded.
    s.rows.push_back(Trade(7, true, 0.25, 5.5));
    s.rows.push_back(Trade(8, false, 1.5, 6));
    const ImportPlan fractions = PlanImport(s, ledger, {});
    ASSERT_EQ(fractions.added.size(), 4u);
    EXPECT_EQ(fractions.added[3].contracts.Text(), "1.5");
    EXPECT_DOUBLE_EQ(fractions.added[3].commission, 2 / 1.5);
    auto plan = [&] { PlanImport(s, ledger, {}); };
    s.rows.push_back(Trade(9, true, 0.00000000001, 5.5));
    ExpectRefused(plan, "line 9, quantity: 1e-11 has more than 10 decimals");
    s.rows.back().quantity = 2147483648.0;  // whole, but beyond a movement's
    ExpectRefused(plan,
                  "line 9, quantity: 2147483648 is beyond the bound of 2,147,483,647 contracts");
    s.rows.pop_back();
    s.rows[2].price = 2e12;  // beyond what entry takes: the row is named, nothing imported
    ExpectRefused(plan, "line 4, price: ");
}

}  // namespace
}  // namespace cartera::statements
