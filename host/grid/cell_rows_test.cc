#include "host/grid/cell_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cartera::CellRows;

// Longer than any short-string buffer, so a reused cell shows whether it kept its buffer.
std::string LongText(int row, int col) {
    return "row " + std::to_string(row) + " col " + std::to_string(col) + " with a long text";
}

class CellRowsTest : public ::testing::Test {
  protected:
    // Appends n rows; every cell gets a long text naming its row and column, both colours,
    // an alignment, a cell type and the row's number + 1 in both id slots.
    void Fill(int n) {
        for (int i = 0; i < n; ++i) {
            int r = rows.Rows();
            rows.AppendRow();
            for (int c = 0; c < rows.Cols(); ++c) {
                CUGCell& cell = rows.Row(r)[c];
                cell.SetText(LongText(r, c));
                cell.SetTextColor(RGB(1, 2, 3));
                cell.SetBackColor(RGB(4, 5, 6));
                cell.SetAlignment(UG_ALIGNRIGHT);
                cell.SetCellType(3);
                cell.SetCellTypeEx(4);
                for (int slot : {0, 1}) cell.SetID64(slot, r + 1);
            }
        }
    }
    // The row number Fill wrote into each row, in row order; -1 for a row whose cells
    // disagree about it.
    std::vector<int> RowNumbers() const {
        std::vector<int> out;
        for (int r = 0; r < rows.Rows(); ++r) {
            int n = static_cast<int>(rows.Row(r)[0].GetID64(0)) - 1;
            for (int c = 0; c < rows.Cols(); ++c)
                if (rows.Row(r)[c].GetText() != LongText(n, c)) n = -1;
            out.push_back(n);
        }
        return out;
    }
    // The first of rows first..last-1 still showing anything of an earlier fill, or -1.
    int FirstStaleRow(int first, int last) const {
        for (int r = first; r < last; ++r) {
            for (int c = 0; c < rows.Cols(); ++c) {
                const CUGCell& cell = rows.Row(r)[c];
                bool anySet = false;
                for (int flag : {UGCELL_TEXT_SET, UGCELL_TEXTCOLOR_SET, UGCELL_BACKCOLOR_SET,
                                 UGCELL_ALIGNMENT_SET, UGCELL_CELLTYPE_SET, UGCELL_CELLTYPEEX_SET})
                    anySet |= cell.IsPropertySet(flag) != 0;
                if (anySet || !cell.GetText().empty() || cell.GetTextColor() != RGB(0, 0, 0) ||
                    cell.GetBackColor() != RGB(255, 255, 255) ||
                    cell.GetAlignment() != UG_ALIGNLEFT || cell.GetCellType() != UGCT_NORMAL ||
                    cell.GetCellTypeEx() != 0 || cell.GetID64(0) != 0 || cell.GetID64(1) != 0)
                    return r;
            }
        }
        return -1;
    }

    CellRows rows;
};

TEST_F(CellRowsTest, RowsAppendedAfterClearingAreFreshWhateverHappenedBefore) {
    rows.SetCols(3);
    const int n = CellRows::kBlockRows + 10;
    Fill(n);
    std::vector<int> reversed;
    for (int i = n - 1; i >= 0; --i) reversed.push_back(i);
    rows.Permute(reversed);
    rows.EraseRow(5);
    rows.EraseRow(n - 2);

    // A refill reuses every row, the sorted and the deleted ones, and one more block.
    rows.Resize(0);
    rows.Resize(n + CellRows::kBlockRows);
    EXPECT_EQ(rows.Rows(), n + CellRows::kBlockRows);
    EXPECT_EQ(FirstStaleRow(0, rows.Rows()), -1);

    // Dropping the last rows and appending them again also comes back fresh.
    rows.Resize(0);
    Fill(20);
    rows.Resize(12);
    rows.AppendRow();
    rows.Resize(20);
    EXPECT_EQ(FirstStaleRow(12, 20), -1);
    for (int r = 0; r < 12; ++r) EXPECT_EQ(RowNumbers()[r], r);
}

TEST_F(CellRowsTest, SortingAndDeletingMoveWholeRows) {
    rows.SetCols(3);
    const int n = 2 * CellRows::kBlockRows + 5;
    Fill(n);
    std::vector<int> order;
    for (int i = 0; i < n; ++i) order.push_back((i * 7) % n);  // n is not a multiple of 7
    rows.Permute(order);
    EXPECT_EQ(RowNumbers(), order);

    rows.EraseRow(0);
    rows.EraseRow(n - 2);  // the last row
    rows.EraseRow(CellRows::kBlockRows);
    order.erase(order.begin());
    order.pop_back();
    order.erase(order.begin() + CellRows::kBlockRows);
    EXPECT_EQ(RowNumbers(), order);

    // An appended row after a delete is fresh and leaves the others alone.
    rows.AppendRow();
    EXPECT_EQ(FirstStaleRow(rows.Rows() - 1, rows.Rows()), -1);
    rows.Resize(rows.Rows() - 1);
    EXPECT_EQ(RowNumbers(), order);

    // More columns keep the rows' cells in their new order; the new column is fresh. A moved
    // column shifts the ones between.
    rows.SetCols(4);
    rows.MoveCol(0, 2);
    for (int r = 0; r < rows.Rows(); ++r) {
        ASSERT_EQ(rows.Row(r)[0].GetText(), LongText(order[r], 1)) << r;
        ASSERT_EQ(rows.Row(r)[2].GetText(), LongText(order[r], 0)) << r;
        ASSERT_FALSE(rows.Row(r)[3].IsPropertySet(UGCELL_TEXT_SET)) << r;
    }
}

}  // namespace
