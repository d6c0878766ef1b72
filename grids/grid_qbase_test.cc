#include "grids/grid_qbase.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "host/archive.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "testing/test_grids.h"

namespace cartera::testing {
namespace {

// A list grid with stored cells whose records are given rows: a text, a number (shown with
// two decimals in the interface language) and a date (0: none). Each row's id is its place in
// the list given, from 1.
class TextsGrid : public CGridQBase {
  public:
    struct Row {
        std::string text;
        double number;
        int32_t date;
    };
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
        const Row& r = rows[record];
        if (column.id == 3384 && !r.text.empty()) cell->SetText(r.text);
        if (column.id == 3385) cell->SetText(PonPuntos(r.number, 2));
        if (column.id == 3382 && r.date) cell->SetText(DateText(r.date));
        cell->SetID64(0, record + 1);
    }
    bool RecordNumber(int columnId, uint32_t record, double* value) const override {
        *value = columnId == 3385 ? rows[record].number : rows[record].date;
        return columnId == 3385 || rows[record].date != 0;
    }
    uint64_t RecordId(uint32_t record) const override { return record + 1; }
    std::vector<Row> rows;
    int fills = 0;
};

class GridBaseTest : public ::testing::Test {
  protected:
    GridBaseTest() {
        SetLanguage(Language::en);
        grid.rows = {{"b", 1234.0, DateNumber(2026, 12, 5)},
                     {"a", 999.0, DateNumber(2025, 1, 1)},
                     {"B", 20.5, DateNumber(2026, 3, 31)},
                     {"c", 1000.0, DateNumber(2024, 6, 15)}};
        grid.CreateGrid(RECT{}, nullptr, 1);
    }
    ~GridBaseTest() override { SetLanguage(Language::en); }

    std::vector<uint64_t> Ids() const {
        std::vector<uint64_t> ids;
        for (int row = 0; row < grid.GetNumberRows(); ++row) ids.push_back(grid.GetRowID(row));
        return ids;
    }
    void Release(int col) { grid.OnTH_LClicked(col, -1, 0, nullptr, nullptr, 0); }

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

    Release(-1);  // beside the headings: the sort stays
    EXPECT_EQ(std::pair(grid.GetSortCol(), grid.IsSortAscending()), std::pair(1, 0));
    Release(2);  // another heading starts ascending; the arrow moves
    EXPECT_EQ(grid.GetSortCol(), 2);
    EXPECT_TRUE(grid.IsSortAscending());
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{4, 2, 3, 1}));
    EXPECT_EQ(grid.PeekCell(1, -1)->GetCellType(), UGCT_NORMAL);
    EXPECT_EQ(grid.PeekCell(2, -1)->GetCellType(), arrow);
    EXPECT_EQ(grid.PeekCell(2, -1)->GetCellTypeEx(), UGCT_SORTARROWUP);

    grid.FillGrid();
    EXPECT_EQ(Ids(), (std::vector<uint64_t>{4, 2, 3, 1}));
}

// Cells compare by the keys of the records they show: numbers and dates as stored, whatever
// the text rounds them to in any language, texts in the language's collation; a cell of no
// record, or a record without a key, is smallest. Descending swaps the cells.
TEST_F(GridBaseTest, CellsCompareByTheKeysOfTheirRecords) {
    grid.rows = {{"B", 9.5, 0},
                 {"a", 9.6, DateNumber(2026, 1, 2)},
                 {"b", 3.91, 0},
                 {"Ñu", 3.95, DateNumber(2026, 1, 1)},
                 {"Nz", 3.95, 0}};
    grid.FillGrid();
    struct Case {
        Language language;
        int col, a, b;  // records; -1: a cell of none
        int flags, sign;
    };
    const int up = UG_SORT_ASCENDING, down = UG_SORT_DESCENDING;
    const Language en = Language::en, de = Language::de, es = Language::es;
    for (const Case& c : {Case{de, 1, 0, 1, up, -1},
                          {de, 1, 2, 3, up, -1},
                          {es, 1, 3, 4, up, 0},
                          {de, 1, 0, 1, down, 1},
                          {en, 2, 1, 3, up, 1},
                          {en, 2, 0, 1, up, -1},
                          {en, 2, 0, 2, up, 0},
                          {en, 0, 0, 1, up, 1},
                          {en, 0, 2, 0, up, -1},
                          {en, 0, 3, 4, up, -1},
                          {es, 0, 3, 4, up, 1},
                          {en, 1, -1, 2, up, -1},
                          {en, 1, -1, 2, down, 1},
                          {en, 1, -1, -1, up, 0}}) {
        SetLanguage(c.language);
        grid.SetSortCol(c.col);
        CUGCell x, y;
        if (c.a >= 0) grid.GetCell(c.col, c.a, &x);
        if (c.b >= 0) grid.GetCell(c.col, c.b, &y);
        int got = grid.OnSortEvaluate(&x, &y, c.flags);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.col << " " << c.a << " " << c.b;
    }
    CUGCell full;
    grid.GetCell(1, 0, &full);
    EXPECT_LT(grid.OnSortEvaluate(nullptr, &full, up), 0);
    EXPECT_GT(grid.OnSortEvaluate(&full, nullptr, up), 0);
}

TEST_F(GridBaseTest, SortingByKeysGivesTheOrderOfTheCellComparison) {
    // Random rows with many equal keys, records without a date and texts the collation orders
    // apart from their bytes: the keyed sort leaves the rows as a sort by the comparison of
    // the cells does, in both directions, in every column and language.
    std::mt19937 random(20261206);
    auto pick = [&](auto... values) {
        const std::array all{values...};
        return all[random() % all.size()];
    };
    grid.rows.clear();
    for (int i = 0; i < 400; ++i)
        grid.rows.push_back({pick("a", "B", "b", "", "ab", "\u00c4b", "\u00f1", "o"),
                             pick(1234.0, 1234.5, -5.0, 20.5, 0.0, 20.504),
                             pick(0, DateNumber(2026, 12, 5), DateNumber(2025, 1, 1))});
    for (Language language : {Language::en, Language::de, Language::es}) {
        SetLanguage(language);
        for (int col = 0; col < 3; ++col) {
            for (int ascending : {1, 0}) {
                grid.SetSortCol(-1);
                grid.FillGrid();
                grid.SetSortCol(col);
                grid.SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
                std::vector<uint64_t> byCells = Ids();
                grid.SetSortCol(-1);
                grid.FillGrid();
                grid.SetSortCol(col);
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
