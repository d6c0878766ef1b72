#include "grids/grid_qbase.h"

#include <gtest/gtest.h>

#include <random>

#include "host/archive.h"
#include "host/strings.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

// A list grid with stored cells whose rows are given texts: a text, a number and a date
// column. Each row's id is its place in the list given, from 1.
class TextsGrid : public CGridQBase {
  public:
    TextsGrid() {
        SetOnDemand(false);
        m_header.AddFromResourceId(3384, 100, 1, UG_ALIGNLEFT, 0);
        m_header.AddFromResourceId(3385, 60, 1, UG_ALIGNRIGHT, 0);
        m_header.AddFromResourceId(3382, 60, 1, UG_ALIGNLEFT, 0);
    }
    void FillGrid() override {
        ++fills;
        FillRows();
    }
    size_t RecordCount() const override { return rows.size(); }
    void RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                          CUGCell* cell) const override {
        cell->SetText(rows[record][static_cast<size_t>(m_header.GetPosition(column.id))]);
        cell->SetID64(0, record + 1);
    }
    std::vector<std::array<std::string, 3>> rows;
    int fills = 0;
};

class GridBaseTest : public ::testing::Test {
  protected:
    GridBaseTest() {
        SetLanguage(Language::en);
        grid.rows = {{"b", "1,234.00", "05-12-2026"},
                     {"a", "999.00", "01-01-2025"},
                     {"B", "20.50", "31-03-2026"},
                     {"c", "1,000.00", "15-06-2024"}};
        grid.CreateGrid(RECT{}, nullptr, 1);
    }
    ~GridBaseTest() override { SetLanguage(Language::en); }

    std::vector<uint64_t> Ids() const {
        std::vector<uint64_t> ids;
        for (int row = 0; row < grid.GetNumberRows(); ++row) ids.push_back(grid.GetRowID(row));
        return ids;
    }
    void Release(int col) { grid.OnTH_LClicked(col, -1, 0, nullptr, nullptr, 0); }
    // Cells with these texts (none for nullptr) compared in col.
    int Compare(int col, const char* a, const char* b, int flags) {
        grid.SetSortCol(col);
        CUGCell x, y;
        if (a) x.SetText(a);
        if (b) y.SetText(b);
        return grid.OnSortEvaluate(&x, &y, flags);
    }

    TextsGrid grid;
};

TEST_F(GridBaseTest, HeadingClicksSortFlipAndMoveTheArrow) {
    int arrow = grid.GetSortArrowIndex();
    grid.OnTH_LClicked(1, -1, 1, nullptr, nullptr, 0);  // a press does nothing
    EXPECT_EQ(grid.GetSortCol(), -1);
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 2, 3, 4}));

    Release(1);  // by number, ascending
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{3, 2, 4, 1}));
    EXPECT_EQ(grid.PeekCell(1, -1)->GetCellType(), arrow);
    EXPECT_EQ(grid.PeekCell(1, -1)->GetCellTypeEx(), UGCT_SORTARROWUP);

    Release(1);  // the same heading again: descending
    EXPECT_TRUE(!grid.IsSortAscending());
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 4, 2, 3}));
    EXPECT_EQ(grid.PeekCell(1, -1)->GetCellTypeEx(), UGCT_SORTARROWDOWN);

    Release(2);  // another heading starts ascending; the arrow moves
    EXPECT_EQ(grid.GetSortCol(), 2);
    EXPECT_TRUE(grid.IsSortAscending());
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{4, 2, 3, 1}));
    EXPECT_EQ(grid.PeekCell(1, -1)->GetCellType(), UGCT_NORMAL);
    EXPECT_EQ(grid.PeekCell(2, -1)->GetCellType(), arrow);
    EXPECT_EQ(grid.PeekCell(2, -1)->GetCellTypeEx(), UGCT_SORTARROWUP);

    // A refill keeps the order of the sort state.
    grid.FillGrid();
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{4, 2, 3, 1}));
}

// Numbers compare without thousands separators (what follows the decimal separator is not
// read; a text that is no number reads as 0), dates as dates (unreadable ones as equal),
// texts and unknown columns as raw bytes; empty cells are smallest. Descending swaps the
// cells.
TEST_F(GridBaseTest, CellsCompareByTheKindOfTheirColumn) {
    struct Case {
        Language language;
        int col;
        const char *a, *b;
        int flags, sign;
    };
    const int up = UG_SORT_ASCENDING, down = UG_SORT_DESCENDING;
    const Language en = Language::en, de = Language::de, fr = Language::fr;
    for (const Case& c : {Case{en, 1, "1,234.00", "999.00", up, 1},
                          {en, 1, "-5.00", "1.00", up, -1},
                          {en, 1, "2.50", "2.5", up, 0},
                          {en, 1, "1,234.00", "999.00", down, -1},
                          {en, 1, "n/a", "0", up, 0},
                          {de, 1, "1.234,00", "999", up, 1},
                          {de, 1, "1.234,99", "1234", up, 0},
                          {fr, 1, "1 234,00", "999,00", up, 1},
                          {en, 2, "31-12-2025", "01-01-2026", up, -1},
                          {en, 2, "02 01 26", "01 01 26", up, 1},
                          {en, 2, "05-12-2026", "05-12-2026", up, 0},
                          {en, 2, "soon", "01-01-2026", up, 0},
                          {en, 2, "01-01-2026", "soon", down, 0},
                          {en, 2, "31-02-2026", "01-01-2000", up, 0},
                          {en, 0, "B", "a", up, -1},
                          {en, 0, "b", "B", up, 1},
                          {en, 7, "10", "9", up, -1},
                          {en, 1, nullptr, "5", up, -1},
                          {en, 1, nullptr, "5", down, 1},
                          {en, 1, nullptr, nullptr, up, 0}}) {
        SetLanguage(c.language);
        int got = Compare(c.col, c.a, c.b, c.flags);
        EXPECT_EQ((got > 0) - (got < 0), c.sign)
            << c.col << " " << (c.a ? c.a : "-") << " " << (c.b ? c.b : "-");
    }
    // Missing cells are as empty ones.
    CUGCell full;
    full.SetText("5");
    EXPECT_LT(grid.OnSortEvaluate(nullptr, &full, UG_SORT_ASCENDING), 0);
    EXPECT_GT(grid.OnSortEvaluate(&full, nullptr, UG_SORT_ASCENDING), 0);
    EXPECT_EQ(grid.OnSortEvaluate(nullptr, nullptr, UG_SORT_ASCENDING), 0);
}

TEST_F(GridBaseTest, SortingByKeysGivesTheOrderOfTheCellComparison) {
    // Random rows with many equal keys, unreadable dates, texts that are no numbers and
    // cells without text: the keyed sort leaves the rows as a sort by the comparison of
    // the cells does, in both directions, in every column and with either separator.
    std::mt19937 random(20261206);
    auto pick = [&](std::initializer_list<const char*> texts) {
        return std::string(texts.begin()[random() % texts.size()]);
    };
    grid.rows.clear();
    for (int i = 0; i < 400; ++i)
        grid.rows.push_back({pick({"a", "B", "b", "", "ab"}),
                             pick({"1,234.00", "1.234,5", "-5.00", "20.5", "n/a", "0", ""}),
                             pick({"05-12-2026", "01-01-2025", "31-02-2026", "soon", ""})});
    auto fresh = [&](int col) {
        grid.SetSortCol(-1);
        grid.FillGrid();
        for (int row = 0; row < 400; row += 7) {  // some cells lose their text
            CUGCell cell;
            grid.GetCell(col, row, &cell);
            cell.ClearText();
            grid.SetCell(col, row, &cell);
        }
        grid.SetSortCol(col);
    };
    for (Language language : {Language::en, Language::de}) {
        SetLanguage(language);
        for (int col = 0; col < 3; ++col) {
            for (int ascending : {1, 0}) {
                fresh(col);
                grid.SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
                std::vector<uint64_t> byCells = Ids();
                fresh(col);
                grid.SetSortAscending(ascending);
                grid.ApplySort();
                EXPECT_EQ(Ids(), byCells) << col << " " << ascending;
            }
        }
    }
}

TEST_F(GridBaseTest, OldCaptionsMapByTheFixedOrder) {
    // Case and spaces count; a caption of no list column is none.
    for (auto [caption, id] :
         {std::pair{"Symbol", 3384}, std::pair{"Group", 3390}, std::pair{"Contracts", 3385},
          std::pair{"Point Value", 3389}, std::pair{"Time.B", 3426}, std::pair{"%", 3436},
          std::pair{"symbol", -1}, std::pair{"Symbol ", -1}, std::pair{"Balance", -1}})
        EXPECT_EQ(grid.String2Id_OldFormat(caption), id) << caption;
    SetLanguage(Language::de);
    EXPECT_EQ(grid.String2Id_OldFormat("Kurs K"), 3430);
    EXPECT_EQ(grid.String2Id_OldFormat("Symbol"), 3384);
    EXPECT_EQ(grid.String2Id_OldFormat("Price B"), -1);
}

TEST_F(GridBaseTest, MenuCommandsReachTheView) {
    grid.OnMenuCommand(0, 0, UG_GRID, 6901);  // no view: nothing
    FakeView view;
    grid.SetView(&view);
    for (int item : {6901, 6902, 6903, 6904}) grid.OnMenuCommand(0, 0, UG_GRID, item);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"buy", "sell", "other", "commission"}));
    EXPECT_EQ(view.invalidations, 4);
    // The host's own commands go to the table grid: sort descending by the number column.
    grid.OnMenuCommand(1, 0, UG_GRID, CGridTabla::kMenuSortDescending);
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{1, 4, 2, 3}));
    EXPECT_EQ(view.calls.size(), 4u);
}

TEST_F(GridBaseTest, SavedExtensionIsAZeroCountAndTheColour) {
    std::string host;
    CArchive hostAr(&host);
    grid.CGridTabla::Serialize(hostAr);
    int fills = grid.fills;
    std::string bytes;
    CArchive stored(&bytes);
    grid.Serialize(stored);
    EXPECT_EQ(grid.fills, fills + 1);  // storing refills too
    ASSERT_EQ(bytes.size(), host.size() + 8);
    EXPECT_EQ(bytes.substr(0, host.size()), host);
    EXPECT_EQ(bytes.substr(host.size()), std::string("\0\0\0\0\xE1\xF5\xFF\0", 8));

    // Loading skips the reserved words and reads the colour.
    std::string loaded = host;
    CArchive ext(&loaded);
    ext.WriteI32(2);
    ext.WriteU32(0xDEADBEEF);
    ext.WriteU32(0xFEEDFACE);
    ext.WriteU32(RGB(1, 2, 3));
    TextsGrid other;
    CArchive in{std::string_view(loaded)};
    other.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(other.GetAlternateRowColor(), RGB(1, 2, 3));
    EXPECT_EQ(other.fills, 1);

    // A stream that ends inside the extension throws.
    CArchive cut{std::string_view(loaded).substr(0, loaded.size() - 2)};
    EXPECT_THROW(other.Serialize(cut), CArchiveException);
}

}  // namespace
}  // namespace cartera::testing
