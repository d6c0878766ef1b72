#include "model/undo_history.h"

#include <tuple>

#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

// Records the ledger's changes as the portfolio window does, except its own undos.
class HistoryDocument : public FakeDocument {
  public:
    void JournalChanged(const JournalChange& change) override {
        if (!replaying) history.Record(change);
    }
    bool Step(CSistemaCartera& ledger, bool redo) {
        replaying = true;
        bool done = redo ? history.Redo(ledger) : history.Undo(ledger);
        replaying = false;
        return done;
    }
    UndoHistory history;
    bool replaying = false;
};

// The journal as (id, type, contracts, price) in order, and the closed trades' entry prices.
using Row = std::tuple<uint64_t, int32_t, cartera::Quantity, double>;
std::vector<Row> Journal(const CSistemaCartera& ledger) {
    std::vector<Row> rows;
    for (const COrderCartera& m : ledger.GetOrders())
        rows.emplace_back(m.id, m.type, m.contracts, m.price);
    return rows;
}
std::vector<double> ClosedEntries(const CSistemaCartera& ledger) {
    std::vector<double> prices;
    for (const CNegocioC& t : ledger.GetClosedTrades()) prices.push_back(t.entryPrice);
    return prices;
}

TEST_F(LedgerTest, UndoAndRedoRestoreTheJournalInPlaceWithOneSaveEach) {
    CSistemaCartera ledger{ctx};
    HistoryDocument doc;
    ledger.SetDocumento(&doc);
    ledger.AddOrder(Exec(true, "SAN.MC", 100, 10.0));
    ledger.AddOrder(Exec(true, "SAN.MC", 50, 12.0));
    ledger.AddOrder(Exec(false, "SAN.MC", 100, 15.0));
    ledger.AddOrder(Cash(kImposition, 1, 1000.0));
    const std::vector<Row> start = Journal(ledger);
    const std::vector<double> startTrades = ClosedEntries(ledger);
    EXPECT_EQ(doc.history.UndoName(), "add of IM 1,000.00");

    // First in, first out: the first buy is back at its place, so the sell closes it again.
    ledger.DelOrder(1);
    EXPECT_EQ(doc.history.UndoName(), "delete of B SAN.MC 100");
    EXPECT_NE(ClosedEntries(ledger), startTrades);
    int saves = doc.saves;
    ASSERT_TRUE(doc.Step(ledger, false));
    EXPECT_EQ(std::tuple(doc.saves, Journal(ledger), ClosedEntries(ledger)),
              std::tuple(saves + 1, start, startTrades));
    EXPECT_EQ(doc.history.RedoName(), "delete of B SAN.MC 100");
    ASSERT_TRUE(doc.Step(ledger, true));
    EXPECT_EQ(ledger.GetOrden(1), nullptr);
    ASSERT_TRUE(doc.Step(ledger, false));

    // A modify goes back to the old values; a new change drops what could be redone.
    COrderCartera changed = *ledger.GetOrden(2);
    changed.price = 13.0;
    ledger.ModOrder(changed);
    EXPECT_EQ(doc.history.UndoName(), "change of B SAN.MC 50");
    EXPECT_FALSE(doc.history.CanRedo());
    ASSERT_TRUE(doc.Step(ledger, false));
    EXPECT_EQ(Journal(ledger), start);

    // A batch and a selection are one step each, with one save.
    ledger.AddOrders({Cash(kDeposit, 1, 5.0), Cash(kDeposit, 1, 6.0), Cash(kExpense, 1, 1.0)});
    EXPECT_EQ(doc.history.UndoName(), "import of 3 movements");
    const std::vector<Row> imported = Journal(ledger);
    saves = doc.saves;
    ASSERT_TRUE(doc.Step(ledger, false));
    EXPECT_EQ(std::pair(doc.saves, Journal(ledger)), std::pair(saves + 1, start));
    ASSERT_TRUE(doc.Step(ledger, true));
    EXPECT_EQ(Journal(ledger), imported);
    ledger.DelOrders({2, 6, 99});
    EXPECT_EQ(doc.history.UndoName(), "delete of 2 movements");
    ASSERT_TRUE(doc.Step(ledger, false));
    EXPECT_EQ(Journal(ledger), imported);

    // Ids of undone movements are never given again.
    ASSERT_TRUE(doc.Step(ledger, false));  // the import
    ledger.AddOrder(Cash(kDeposit, 1, 7.0));
    EXPECT_EQ(ledger.GetOrders().back().id, 8u);
    doc.history.Clear();
    EXPECT_FALSE(doc.Step(ledger, false));

    // A step names the symbol, not a code such as an ISIN, and one movement as one.
    COrderCartera isin = Exec(true, "ES0113900J37", 5, 4.0);
    isin.symbol = "Banco Santander";
    ledger.AddOrders({isin});
    EXPECT_EQ(doc.history.UndoName(), "import of 1 movement");
    ledger.DelOrder(ledger.GetOrders().back().id);
    EXPECT_EQ(doc.history.UndoName(), "delete of B Banco Santander 5");
}

}  // namespace
}  // namespace cartera::testing
