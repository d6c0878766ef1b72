// The list grids' layouts inside the portfolio file body.
#include <gtest/gtest.h>

#include "host/archive.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

class LayoutsTest : public GridsTest {
  protected:
    template <typename Stores>
    static std::string Stored(Stores& object) {
        std::string bytes;
        CArchive ar(&bytes);
        object.Serialize(ar);
        return bytes;
    }
    static void ExpectSameLayout(const CGridQBase& a, const CGridQBase& b) {
        EXPECT_EQ(a.GetHeader().Columns(), b.GetHeader().Columns());
        EXPECT_EQ(a.GetSortCol(), b.GetSortCol());
        EXPECT_EQ(a.IsSortAscending(), b.IsSortAscending());
        EXPECT_EQ(a.GetAlternateRowColor(), b.GetAlternateRowColor());
    }
};

// The body ends with the three layouts; a load gives them back.
TEST_F(LayoutsTest, LayoutsEndTheBodyAndSurviveASaveAndLoad) {
    ledger.AddOrder(Exec(true, "ACME", 10, 5.0));
    movements.OnTH_LClicked(0, -1, 0, nullptr, nullptr, 0);
    movements.OnTH_LClicked(0, -1, 0, nullptr, nullptr, 0);  // descending
    movements.SetAlternateRowColor(RGB(1, 2, 3));
    closed.MoveHeaderColumn(8, 1);
    open.ShowHeaderColumn(3439, 1);
    std::string body = Stored(ledger);
    std::string layouts = Stored(movements) + Stored(closed) + Stored(open);
    ASSERT_GE(body.size(), layouts.size() + 4);
    EXPECT_EQ(body.substr(body.size() - layouts.size()), layouts);
    EXPECT_EQ(body.substr(body.size() - layouts.size() - 4, 4), std::string("\xFE\xFF\xFF\xFF"));
    // The open trades' layout ends in its own row colour.
    EXPECT_EQ(layouts.substr(layouts.size() - 4), std::string("\xE8\xFF\xE8\0", 4));

    CSistemaCartera loaded{ctx};
    CGridCartera m2;
    CGridOpAbiertas o2;
    CGridOpCerradas c2;
    for (CGridQBase* grid : std::initializer_list<CGridQBase*>{&m2, &o2, &c2}) {
        grid->CreateGrid(RECT{}, nullptr, 123);
        grid->SetLedger(&loaded);
    }
    loaded.AddView(&m2);
    loaded.AddView(&o2);
    loaded.AddView(&c2);
    CArchive in{std::string_view(body)};
    loaded.Serialize(in);
    ExpectSameLayout(movements, m2);
    ExpectSameLayout(open, o2);
    ExpectSameLayout(closed, c2);
}

}  // namespace
}  // namespace cartera::testing
