#pragma once
// The grid's cell storage: rows of a fixed number of cells, kept in blocks of rows so that
// growing never moves cells and clearing keeps the blocks for the next fill.
#include <memory>
#include <vector>

#include "host/grid/cell.h"

namespace cartera {

class CellRows {
  public:
    static constexpr int kBlockRows = 1024;

    int Cols() const { return m_cols; }
    int Rows() const { return m_rows; }
    // The cols cells of row r, 0 <= r < Rows().
    CUGCell* Row(int r) { return m_blocks[r / kBlockRows].get() + (r % kBlockRows) * m_cols; }
    const CUGCell* Row(int r) const {
        return m_blocks[r / kBlockRows].get() + (r % kBlockRows) * m_cols;
    }

    // A fresh row at the end.
    void AppendRow();
    // Grows with fresh rows or drops rows from the end (their blocks are kept).
    void Resize(int rows);
    void EraseRow(int r);
    // Changes the number of cells per row, keeping the cells of the columns that remain.
    void SetCols(int cols);
    // Row i becomes the row that was at order[i]; order is a permutation of 0..Rows()-1.
    void Permute(const std::vector<int>& order);
    // Moves column from to index to in every row, the columns between shifting by one.
    void MoveCol(int from, int to);

  private:
    int Capacity() const { return static_cast<int>(m_blocks.size()) * kBlockRows; }

    std::vector<std::unique_ptr<CUGCell[]>> m_blocks;
    int m_cols = 0;
    int m_rows = 0;
};

}  // namespace cartera
