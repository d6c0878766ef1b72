#include "host/grid/table_grid.h"

#include <gtest/gtest.h>

#include <tuple>

#include "host/archive.h"
#include "host/strings.h"
#include "testing/test_support.h"

namespace {

using cartera::testing::RecordingObserver;

// Four columns like a portfolio grid's; answers the menu questions when asked to and maps
// three old captions.
class TestTable : public CGridTabla {
  public:
    TestTable() {
        m_header.AddFromResourceId(3381, 50, 1, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3384, 100, 1, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3390, 50, 0, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3385, 59, 1, UG_ALIGNRIGHT, 0);
    }
    void OnModifyHeader() override {
        CGridTabla::OnModifyHeader();
        ++headerChanges;
    }
    int QueryInfoItem(int a, int b, int item, std::string* text) override {
        return answerMenu && (item == UGINFO_MENU_COLUMNS || item == UGINFO_MENU_SORT);
    }
    int String2Id_OldFormat(const std::string& caption) override {
        if (caption == "Kind") return 3381;
        if (caption == "Name") return 3384;
        if (caption == "Lots") return 3385;
        return -1;
    }

    int headerChanges = 0;
    bool answerMenu = true;
};

std::vector<int> Ids(const CGridTabla& grid) {
    std::vector<int> ids;
    for (const auto& c : grid.GetHeader().Columns()) ids.push_back(c.id);
    return ids;
}

struct SavedColumn {
    int id;
    int width;
    int visible;
};

std::string IdLayout(const std::vector<SavedColumn>& columns, int sortId, int ascending) {
    std::string bytes;
    CArchive ar(&bytes);
    ar.WriteU8(CGridTabla::kLayoutIds);
    ar.WriteI32(static_cast<int32_t>(columns.size()));
    for (const SavedColumn& c : columns) {
        ar.WriteI32(c.id);
        ar.WriteI32(c.width);
        ar.WriteU8(c.visible);
        ar.WriteU8(UG_ALIGNCENTER);
    }
    ar.WriteI32(sortId);
    ar.WriteU8(ascending);
    return bytes;
}

std::string CaptionLayout() {
    std::string bytes;
    CArchive ar(&bytes);
    ar.WriteU8(CGridTabla::kLayoutCaptions);
    ar.WriteI32(3);
    for (auto [caption, width, visible] :
         {std::tuple{"Lots", 70, 1}, {"Gone", 10, 1}, {"Kind", 30, 0}}) {
        ar.WriteString(caption);
        ar.WriteI32(width);
        ar.WriteU8(visible);
        ar.WriteU8(UG_ALIGNLEFT);
    }
    return bytes;
}

void Load(CGridTabla& grid, std::string_view bytes) {
    CArchive ar(bytes);
    grid.Serialize(ar);
}

class TableGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        grid.SetObserver(&observer);
        grid.CreateGrid(RECT{}, nullptr, 123);
        grid.OnModifyHeader();
        grid.headerChanges = 0;
        observer.Reset();
    }
    // One row per text; column c holds "<text><c>".
    void AddRows(const std::vector<std::string>& texts) {
        for (const std::string& t : texts) {
            grid.AppendRow();
            for (int c = 0; c < grid.GetNumberCols(); ++c)
                grid.QuickSetText(c, grid.GetNumberRows() - 1, t + std::to_string(c));
        }
    }

    TestTable grid;
    RecordingObserver observer;
};

TEST_F(TableGridTest, UserColumnChangesKeepHeaderAndCellsInStep) {
    AddRows({"a"});
    grid.SetSortCol(0);
    ASSERT_TRUE(grid.MoveHeaderColumn(0, 2));
    EXPECT_EQ(Ids(grid), (std::vector<int>{3384, 3390, 3381, 3385}));
    // The cells, the sort column and the width moved with their column.
    EXPECT_EQ(grid.QuickGetText(2, 0) + grid.QuickGetText(0, 0), "a0a1");
    EXPECT_EQ(std::tuple(grid.GetSortCol(), grid.GetColWidth(2)), std::tuple(2, 50));
    ASSERT_TRUE(grid.ResizeHeaderColumn(3, 77));
    EXPECT_EQ(std::tuple(grid.GetHeader().GetWidth(3385), grid.GetColWidth(3)), std::tuple(77, 77));
    EXPECT_EQ(grid.headerChanges, 1);  // a width needs no refill

    EXPECT_TRUE(grid.ShowHeaderColumn(3390, 1));
    EXPECT_FALSE(grid.ShowHeaderColumn(3390, 1) || grid.ShowHeaderColumn(4242, 0));
    for (int id : {3384, 3390, 3381}) EXPECT_TRUE(grid.ShowHeaderColumn(id, 0));
    EXPECT_FALSE(grid.ShowHeaderColumn(3385, 0));  // the last visible column stays
    EXPECT_EQ(std::pair(grid.GetHeader().GetVisibleCount(), grid.headerChanges), std::pair(1, 5));
    // Places outside the header, a duplicate id and a negative width are refused.
    EXPECT_FALSE(grid.MoveHeaderColumn(4, 0) || grid.MoveHeaderColumn(0, -1));
    CMultiHdrData& header = grid.GetHeader();
    EXPECT_EQ(header.AddFromResourceId(3381, 99, 0, UG_ALIGNCENTER, 0), -1);
    EXPECT_EQ(header.GetColID(4), -1);
    EXPECT_TRUE(header.SetWidth(3385, -3) && header.GetWidth(3385) == 0);
}

TEST_F(TableGridTest, LayoutRoundTripsOrderWidthsVisibilityAndSort) {
    grid.MoveHeaderColumn(3, 0);
    grid.ShowHeaderColumn(3390, 1);
    grid.ShowHeaderColumn(3381, 0);
    grid.ResizeHeaderColumn(1, 140);
    grid.SetSortCol(grid.GetHeader().GetPosition(3390));
    grid.SetSortAscending(0);
    std::string bytes;
    CArchive out(&bytes);
    grid.Serialize(out);
    out.WriteU32(0x12345678);  // a derived grid's data follows the layout

    TestTable loaded;
    CArchive in{std::string_view(bytes)};
    loaded.Serialize(in);
    EXPECT_EQ(loaded.GetHeader().Columns(), grid.GetHeader().Columns());
    EXPECT_EQ(std::pair(loaded.GetSortCol(), loaded.IsSortAscending()),
              std::pair(grid.GetSortCol(), 0));
    EXPECT_EQ(in.ReadU32(), 0x12345678u);
    EXPECT_EQ(loaded.headerChanges, 0);  // the caller refreshes once its data is read
}

TEST_F(TableGridTest, LoadingMergesTheSavedLayoutOrOldCaptionsWithTheGridsColumns) {
    Load(grid, IdLayout({{3390, 80, 1}, {9999, 40, 1}, {3381, 20, 0}, {3390, 5, 0}}, 3384, 0));
    // Saved columns in saved order, unknown and repeated ids dropped, the rest appended.
    EXPECT_EQ(Ids(grid), (std::vector<int>{3390, 3381, 3384, 3385}));
    const CMultiHdrData& h = grid.GetHeader();
    // Widths and visibility are the saved ones, alignment stays the grid's.
    EXPECT_EQ(std::tuple(h.GetWidth(3390), h.GetVisible(3390), h.GetWidth(3381), h.GetVisible(3381),
                         h.GetAlignment(3381), h.GetWidth(3384), h.GetWidth(3385)),
              std::tuple(80, 1, 20, 0, UG_ALIGNLEFT, 100, 59));
    EXPECT_EQ(std::tuple(grid.GetSortCol(), grid.IsSortAscending()), std::tuple(2, 0));

    // A sort column the grid lacks means no sort column.
    Load(grid, IdLayout({}, 9999, 1));
    EXPECT_EQ(grid.GetSortCol(), -1);

    // The old format maps captions to ids and has no sort state: the grid's follows its
    // column.
    TestTable old;
    old.SetSortCol(1);  // 3384
    old.SetSortAscending(0);
    Load(old, CaptionLayout());
    EXPECT_EQ(Ids(old), (std::vector<int>{3385, 3381, 3384, 3390}));
    EXPECT_EQ(std::tuple(old.GetHeader().GetWidth(3385), old.GetHeader().GetVisible(3381),
                         old.GetHeader().GetVisible(3390)),
              std::tuple(70, 0, 0));
    EXPECT_EQ(std::tuple(old.GetSortCol(), old.IsSortAscending()), std::tuple(2, 0));
}

TEST_F(TableGridTest, BrokenLayoutsThrowAndChangeNothing) {
    const std::vector<std::string> layouts = {IdLayout({{3390, 80, 1}, {3381, 20, 0}}, 3384, 0),
                                              CaptionLayout()};
    for (const std::string& bytes : layouts) {
        for (size_t n = 0; n < bytes.size(); ++n) {
            TestTable fresh;
            fresh.SetSortCol(1);
            EXPECT_THROW(Load(fresh, std::string_view(bytes).substr(0, n)), CArchiveException);
            EXPECT_TRUE(fresh.GetHeader().Columns() == TestTable().GetHeader().Columns() &&
                        fresh.GetSortCol() == 1)
                << "cut at " << n;
        }
    }

    std::string huge;
    CArchive ar(&huge);
    ar.WriteU8(CGridTabla::kLayoutIds);
    ar.WriteI32(0x7FFFFFFF);
    for (int i = 0; i < 6; ++i) ar.WriteI32(3381);
    EXPECT_THROW(Load(grid, huge), CArchiveException);
    huge[1] = huge[2] = huge[3] = huge[4] = '\xFF';  // -1 columns
    EXPECT_THROW(Load(grid, huge), CArchiveException);
    huge[0] = 9;  // unknown format
    EXPECT_THROW(Load(grid, huge), CArchiveException);
    EXPECT_EQ(Ids(grid), (std::vector<int>{3381, 3384, 3390, 3385}));
}

TEST_F(TableGridTest, DefaultMenuTogglesColumnsAndSorts) {
    grid.answerMenu = false;
    EXPECT_EQ(grid.OnMenuStart(1, 0, UG_GRID), 0);
    EXPECT_EQ(grid.GetPopupMenu()->GetItemCount(), 0);

    grid.answerMenu = true;
    ASSERT_EQ(grid.OnMenuStart(1, 0, UG_GRID), 1);
    const CMenu* menu = grid.GetPopupMenu();
    ASSERT_EQ(menu->GetItemCount(), 4);
    const CMenu* columns = menu->GetItem(3)->submenu.get();
    ASSERT_NE(columns, nullptr);
    ASSERT_EQ(columns->GetItemCount(), 4);
    EXPECT_FALSE(columns->GetItem(2)->checked);  // 3390 starts hidden
    int toggle3390 = columns->GetItem(2)->id;
    grid.OnMenuCommand(1, 0, UG_GRID, toggle3390);
    EXPECT_EQ(std::pair(grid.IsColHidden(2), grid.headerChanges), std::pair(0, 1));
    grid.OnMenuCommand(1, 0, UG_GRID, toggle3390);
    EXPECT_EQ(grid.IsColHidden(2), 1);

    // Without a column under the mouse there is nothing to sort by.
    grid.OnMenuStart(-1, -1, UG_CORNERBUTTON);
    EXPECT_EQ(menu->FindItem(CGridTabla::kMenuSortAscending), nullptr);

    // The host grid's own comparison: texts byte for byte.
    AddRows({"b", "a", "B"});
    observer.Reset();
    grid.OnMenuCommand(1, 0, UG_GRID, CGridTabla::kMenuSortDescending);
    EXPECT_EQ(grid.QuickGetText(1, 0) + grid.QuickGetText(1, 1) + grid.QuickGetText(1, 2),
              "b1a1B1");
    EXPECT_EQ(std::tuple(grid.GetSortCol(), observer.redrawAll, observer.rows.size()),
              std::tuple(1, 1, size_t{0}));
}

}  // namespace
