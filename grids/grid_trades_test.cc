#include "grids/grid_trades.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "host/numbers.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class TradeGridsTest : public GridsTest {
  protected:
    std::vector<std::string> Symbols(const CBaseGrid& grid) {
        std::vector<std::string> out;
        for (int row = 0; row < grid.GetNumberRows(); ++row) out.push_back(Text(grid, 3428, row));
        return out;
    }
};

TEST_F(TradeGridsTest, OpenTradeRows) {
    ledger.AddOrder(Exec(true, "ACME", 10, 5.0, 0.1));
    ledger.AddOrder(Exec(false, "SHRT", 4, 50.0));
    Tick("ACME", 5.0);  // priced by the market, at their own prices
    Tick("SHRT", 50.0);
    open.FillGrid();
    ASSERT_EQ(open.GetNumberRows(), 2);
    EXPECT_EQ(Text(open, 3381, 1), "S");
    EXPECT_EQ(Text(open, 3424, 0), DateText(20000));
    const CNegocioC& t = ledger.GetOpenTrades()[0];
    EXPECT_EQ(Text(open, 3432, 0), PonPuntos(TradeCommission(t), 2));
    // Valued at its own price, the commission makes a loss: red; a profit of exactly 0 is not.
    ASSERT_LT(t.profit, 0);
    EXPECT_EQ(Text(open, 3435, 0), PonPuntos(t.profit, 2));
    EXPECT_DOUBLE_EQ(ledger.GetOpenTrades()[1].profit, 0.0);
    EXPECT_EQ((std::vector<COLORREF>{TextColor(open, 3435, 0), TextColor(open, 3436, 0),
                                     TextColor(open, 3428, 0), TextColor(open, 3435, 1),
                                     TextColor(open, 3436, 1)}),
              (std::vector<COLORREF>{kRed, kRed, kText, kText, kText}));
}

// The row of a trade is found again after a sort moved it; the rows keep their order.
TEST_F(TradeGridsTest, UpdateRewritesOnlyItsRowAndKeepsTheOrder) {
    ledger.AddOrder(Exec(true, "AAA", 10, 10.0));
    ledger.AddOrder(Exec(true, "BBB", 10, 10.0));
    ledger.AddOrder(Exec(true, "CCC", 10, 10.0));
    Tick("AAA", 9.0);   // -10
    Tick("CCC", 12.0);  // +20
    ledger.DoIdle();
    open.SetSortCol(Col(open, 3435));
    open.SetSortAscending(0);
    open.FillGrid();
    ASSERT_EQ(Symbols(open), (std::vector<std::string>{"CCC", "BBB", "AAA"}));
    std::string bbbPrice = Text(open, 3431, 1);

    RecordingObserver observer;
    open.SetObserver(&observer);
    Tick("AAA", 15.0);  // now the largest profit
    ledger.DoIdle();
    EXPECT_EQ(Symbols(open), (std::vector<std::string>{"CCC", "BBB", "AAA"}));
    EXPECT_EQ(Text(open, 3431, 2), "15.00");
    EXPECT_EQ(Text(open, 3435, 2), "50.00");
    EXPECT_EQ(TextColor(open, 3435, 2), kText);  // no longer a loss
    EXPECT_EQ(Text(open, 3431, 1), bbbPrice);
    EXPECT_EQ(observer.rows, std::vector<int>{2});
    EXPECT_FALSE(HasText(open, 3439, 2));  // still hidden, still empty

    // A trade that has no row changes nothing.
    CNegocioC stranger = ledger.GetOpenTrades()[0];
    stranger.id = 999;
    stranger.exitPrice = 1;
    observer.Reset();
    open.UpdateTradeRow(stranger);
    EXPECT_TRUE(observer.rows.empty());
    EXPECT_EQ(Text(open, 3431, 2), "15.00");
    open.SetObserver(nullptr);
}

TEST_F(TradeGridsTest, ClosedTradeRowsAndMenus) {
    ledger.AddOrder(Exec(true, "LOSS", 10, 10.0));
    ledger.AddOrder(Exec(false, "LOSS", 10, 8.0));
    ledger.AddOrder(Exec(true, "GAIN", 5, 10.0));
    ledger.AddOrder(Exec(false, "GAIN", 5, 13.0));
    closed.FillGrid();
    ASSERT_EQ(Symbols(closed), (std::vector<std::string>{"LOSS", "GAIN"}));
    EXPECT_EQ(Text(closed, 3435, 0), "-20.00");
    EXPECT_EQ(TextColor(closed, 3436, 0), kRed);
    EXPECT_EQ(Text(closed, 3435, 1), "15.00");
    EXPECT_EQ(TextColor(closed, 3436, 1), kText);
    EXPECT_EQ(closed.GetRowID(1), 3u);

    // The trade grids' menus have no Modify or Delete.
    for (CGridQBase* grid : {static_cast<CGridQBase*>(&open), static_cast<CGridQBase*>(&closed)}) {
        EXPECT_EQ(grid->OnMenuStart(0, 0, UG_GRID), 1);
        const CMenu& menu = *grid->GetPopupMenu();
        EXPECT_EQ(menu.FindItem(kMenuModify), nullptr);
        EXPECT_EQ(menu.FindItem(kMenuDelete), nullptr);
        EXPECT_NE(menu.FindItem(kMenuBuy), nullptr);
        grid->OnMenuCommand(0, 0, UG_GRID, kMenuOther);
    }
    EXPECT_EQ(view.calls, (std::vector<std::string>{"other", "other"}));
}

// In every language each kind of column sorts by the values: prices whose decimals the
// grids round away or whose whole parts tie, dates, and names whose order is the language's.
TEST_F(TradeGridsTest, EveryKindOfColumnSortsByTheValuesInEveryLanguage) {
    const char* names[] = {"Zinc", "\u00d1and\u00fa", "apple", "\u00d6l", "Nube", "Banco"};
    const double prices[] = {9.6, 3.91, 9.504, 3.95, 9.5, 1234.5};
    for (int i = 0; i < 6; ++i) ledger.AddOrder(Exec(true, names[i], 10, prices[i], 0, 20005 - i));
    for (int i = 0; i < 6; ++i)
        ledger.AddOrder(Exec(false, names[i], 4, prices[5 - i], 0, 20010 + i % 3));
    // The order a stable sort of the records by value gives, as ids.
    auto byValue = [](const auto& records, auto value, bool descending) {
        std::vector<size_t> order(records.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return descending ? value(records[b]) < value(records[a])
                              : value(records[a]) < value(records[b]);
        });
        std::vector<uint64_t> ids;
        for (size_t i : order) ids.push_back(records[i].id);
        return ids;
    };
    auto shown = [](CGridQBase& grid, int id, bool descending) {
        grid.SetSortCol(Col(grid, id));
        grid.SetSortAscending(!descending);
        grid.FillGrid();
        std::vector<uint64_t> ids;
        for (int row = 0; row < grid.GetNumberRows(); ++row) ids.push_back(grid.GetRowID(row));
        return ids;
    };
    auto rank = [](const std::string& name, bool spanish) {  // the dictionaries' order
        const std::vector<std::string> order =
            spanish ? std::vector<std::string>{"apple",           "Banco",   "Nube",
                                               "\u00d1and\u00fa", "\u00d6l", "Zinc"}
                    : std::vector<std::string>{"apple", "Banco",   "\u00d1and\u00fa",
                                               "Nube",  "\u00d6l", "Zinc"};
        return std::find(order.begin(), order.end(), name) - order.begin();
    };
    const auto& orders = ledger.GetOrders();
    std::vector<CNegocioC> trades(ledger.GetClosedTrades().begin(), ledger.GetClosedTrades().end());
    for (Language language :
         {Language::en, Language::de, Language::fr, Language::it, Language::es}) {
        SetLanguage(language);
        const bool es = language == Language::es;
        for (bool desc : {false, true}) {
            const std::string where = std::string(LanguageCode(language)) + (desc ? " desc" : "");
            auto expect = [&](CGridQBase& grid, int id, const auto& records, auto value) {
                EXPECT_EQ(shown(grid, id, desc), byValue(records, value, desc))
                    << where << " " << id;
            };
            expect(movements, 3386, orders, [](const COrderCartera& m) { return m.price; });
            expect(movements, 3382, orders, [](const COrderCartera& m) { return m.date; });
            expect(movements, 3384, orders,
                   [&](const COrderCartera& m) { return rank(m.symbol, es); });
            expect(closed, 3435, trades, [](const CNegocioC& t) { return t.profit; });
            expect(closed, 3425, trades, [](const CNegocioC& t) { return t.exitDate; });
            expect(closed, 3428, trades, [&](const CNegocioC& t) { return rank(t.symbol, es); });
        }
    }
}

// Every cell of the two grids alike: text, colours, alignment, what is set, the record id.
void ExpectSameRows(const CGridQBase& a, const CGridQBase& b, const std::string& where) {
    auto describe = [](const CUGCell& c) {
        return c.GetText() + "|" + std::to_string(c.GetTextColor()) + "|" +
               std::to_string(c.GetBackColor()) + "|" + std::to_string(c.GetAlignment()) + "|" +
               std::to_string(c.IsPropertySet(UGCELL_TEXT_SET)) + "|" +
               std::to_string(c.IsPropertySet(UGCELL_TEXTCOLOR_SET)) + "|" +
               std::to_string(c.GetID64(0));
    };
    ASSERT_EQ(a.GetNumberRows(), b.GetNumberRows()) << where;
    for (int row = 0; row < a.GetNumberRows(); ++row) {
        ASSERT_EQ(a.GetRowID(row), b.GetRowID(row)) << where << " row " << row;
        for (int col = 0; col < a.GetNumberCols(); ++col)
            ASSERT_EQ(describe(*a.PeekCell(col, row)), describe(*b.PeekCell(col, row)))
                << where << " row " << row << " col " << col;
    }
}

TEST_F(TradeGridsTest, OnDemandRowsMatchStoredCellsOnRandomJournals) {
    // Shorts, partial fills and cash movements; the stored grids sort by the plain cell
    // comparison, the on-demand ones by their keys, chained over every column both ways.
    std::mt19937 random(20261206);
    const char* codes[] = {"AAA", "BBB", "CCC", "DDD"};
    for (int i = 0; i < 300; ++i) {
        auto price = static_cast<double>(random() % 4000) / 100.0 - 5.0;
        if (i % 9 == 8)
            ledger.AddOrder(Cash(static_cast<int32_t>(1 + random() % 5), 1, price, 20000 + i));
        else
            ledger.AddOrder(Exec(random() % 2 != 0, codes[random() % 4],
                                 static_cast<int32_t>(1 + random() % 6), price, 0.01,
                                 static_cast<int32_t>(20000 + random() % 40)));
    }
    CGridCartera storedMovements;
    CGridOpAbiertas storedOpen;
    CGridOpCerradas storedClosed;
    CGridQBase* onDemand[] = {&movements, &open, &closed};
    CGridQBase* stored[] = {&storedMovements, &storedOpen, &storedClosed};
    for (int g = 0; g < 3; ++g) {
        stored[g]->SetOnDemand(false);
        stored[g]->CreateGrid(RECT{}, nullptr, 1);
        stored[g]->SetLedger(&ledger);
        for (CGridQBase* grid : {onDemand[g], stored[g]}) {
            grid->ShowHeaderColumn(grid->GetHeader().GetColID(2), 0);
            grid->ShowHeaderColumn(grid->GetHeader().GetColID(9), 1);
            grid->MoveHeaderColumn(0, 4);
        }
        ExpectSameRows(*onDemand[g], *stored[g], "filled");
        for (int col = 0; col < onDemand[g]->GetNumberCols(); ++col) {
            for (int ascending : {0, 1}) {
                stored[g]->SetSortCol(col);  // the comparison reads the column's kind
                stored[g]->SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
                stored[g]->ColorAllRows();
                onDemand[g]->SetSortCol(col);
                onDemand[g]->SetSortAscending(ascending);
                onDemand[g]->ApplySort();
                ExpectSameRows(*onDemand[g], *stored[g], "sorted by " + std::to_string(col));
            }
        }
        stored[g]->SetSortCol(onDemand[g]->GetSortCol());
        stored[g]->SetSortAscending(onDemand[g]->IsSortAscending());
    }
    for (int i = 0; i < 20; ++i) {
        ledger.DelOrder(movements.GetRowID(static_cast<int>(random() % 200)));
        for (int row = 0; row < movements.GetNumberRows(); ++row)  // records gone, not refilled
            movements.QuickGetText(1, row);
        for (int g = 0; g < 3; ++g) onDemand[g]->FillGrid(), stored[g]->FillGrid();
        for (int g = 0; g < 3; ++g) ExpectSameRows(*onDemand[g], *stored[g], "deleted");
    }
}

class LastChange : public FakeDocument {
  public:
    void JournalChanged(const JournalChange& change) override { last = change; }
    JournalChange last;
};

TEST_F(TradeGridsTest, RefillsAfterChangesAndTicksSortAsAFreshGridDoes) {
    // Each grid sorted by a random column (text, number or date) and direction, on demand or
    // stored, then by a heading click; after one to three changes (single ones, a delete of
    // several rows, a batch import, the undo or redo of the last change) its refill follows
    // its last order to a fresh grid's.
    LastChange document;
    ledger.SetDocumento(&document);
    std::mt19937 random(20261207);
    const char* codes[] = {"AAA", "BBB", "CCC"};
    auto exec = [&](bool buy) {
        return Exec(buy, codes[random() % 3], static_cast<int32_t>(1 + random() % 6),
                    static_cast<double>(random() % 400) / 10.0, 0.01,
                    static_cast<int32_t>(20000 + random() % 40));
    };
    for (int i = 0; i < 40; ++i) ledger.AddOrder(exec(true));
    CGridQBase* grids[] = {&movements, &open, &closed};
    for (int change = 0; change < 300; ++change) {
        for (CGridQBase* grid : grids) {
            if (change % 25 != 0) continue;
            grid->SetOnDemand(random() % 3 != 0);
            grid->SetSortCol(static_cast<int>(random() % 9));
            grid->SetSortAscending(static_cast<int>(random() % 2));
            grid->FillGrid();
            grid->OnTH_LClicked(static_cast<int>(random() % 9), -1, 0, nullptr, nullptr, 0);
        }
        for (int more = static_cast<int>(random() % 3); more >= 0; --more) {  // refills miss some
            size_t place = random() % ledger.GetOrders().size();
            COrderCartera m = ledger.GetOrders()[place];
            const int kind = (change + more) % 8;
            const bool room = ledger.GetOrders().size() > 20;
            if (kind == 0) {
                m.price = static_cast<double>(random() % 400) / 10.0;
                m.contracts = static_cast<int32_t>(1 + random() % 6);
                ledger.ModOrder(m);
            } else if (kind == 1 && room) {
                ledger.DelOrder(m.id);
            } else if (kind == 2 && room) {
                std::vector<uint64_t> ids;
                for (int n = 2 + static_cast<int>(random() % 4); n > 0; --n)
                    ids.push_back(ledger.GetOrders()[random() % ledger.GetOrders().size()].id);
                ledger.DelOrders(ids);
            } else if (kind == 3) {
                std::vector<COrderCartera> batch;
                for (int n = 2 + static_cast<int>(random() % 4); n > 0; --n)
                    batch.push_back(exec(random() % 2 == 0));
                ledger.AddOrders(batch);
            } else if (kind == 4 || kind == 5) {  // an undo, sometimes redone
                const JournalChange step = document.last;
                ledger.ApplyChange(step, false);
                if (kind == 5) ledger.ApplyChange(step, true);
            } else {
                ledger.AddOrder(exec(random() % 3 == 0));  // most sell, closing trades
            }
            if (change % 7 == 0)
                Tick(codes[random() % 3], static_cast<double>(random() % 400) / 10.0);
        }
        CGridCartera freshMovements;
        CGridOpAbiertas freshOpen;
        CGridOpCerradas freshClosed;
        CGridQBase* fresh[] = {&freshMovements, &freshOpen, &freshClosed};
        for (int g = 0; g < 3; ++g) {
            fresh[g]->CreateGrid(RECT{}, nullptr, 1);
            fresh[g]->SetLedger(&ledger);
            fresh[g]->SetSortCol(grids[g]->GetSortCol());
            fresh[g]->SetSortAscending(grids[g]->IsSortAscending());
            fresh[g]->FillGrid();
            grids[g]->FillGrid();
            ExpectSameRows(*grids[g], *fresh[g], "change " + std::to_string(change));
        }
    }
}

}  // namespace
}  // namespace cartera::testing
