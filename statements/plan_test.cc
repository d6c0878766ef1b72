// Planning an import from rows as any reader fills them: rows without the broker's id and
// fractional quantities.
#include "model/sistema.h"
#include "statements/test_rows.h"
#include "testing/test_ledger.h"

namespace cartera::statements {
namespace {

// A quantity as a reader gives it: its text read exactly.
Quantity Q(std::string_view text) {
    Quantity q;
    EXPECT_TRUE(ParseQuantity(text, &q)) << text;
    return q;
}

StatementRow Trade(size_t line, bool buy, Quantity quantity, double price) {
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

TEST_F(PlanTest, RowsWithoutIdsMatchByFieldsAndFractionsStayExact) {
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

    // Fractions are imported as written, to the tenth decimal.
    s.rows.push_back(Trade(7, true, Q("0.25"), 5.5));
    s.rows.push_back(Trade(8, false, Q("1.0000000001"), 6));
    const ImportPlan fractions = PlanImport(s, ledger, {});
    ASSERT_EQ(fractions.added.size(), 4u);
    EXPECT_EQ(fractions.added[3].contracts.Text(), "1.0000000001");
    EXPECT_DOUBLE_EQ(fractions.added[3].commission, 2 / 1.0000000001);
    auto plan = [&] { PlanImport(s, ledger, {}); };
    s.rows.push_back(Trade(9, true, int64_t{2147483648}, 5.5));  // whole, but beyond a movement's
    ExpectRefused(plan,
                  "line 9, quantity: 2147483648 is beyond the bound of 2,147,483,647 contracts");
    s.rows.pop_back();
    s.rows[2].price = 2e12;  // beyond what entry takes: the row is named, nothing imported
    ExpectRefused(plan, "line 4, price: ");
}

}  // namespace
}  // namespace cartera::statements
