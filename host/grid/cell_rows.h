#pragma once
// The grid's cell storage: rows of a fixed number of cells. Grids are cleared and refilled
// whole after every change, so the storage is built for that: cells live in blocks of rows
// that never move and are kept when rows are dropped, a dropped row is reset in place when
// it is appended again (its strings keep their buffers), and rows are reached through an
// index so that sorting and deleting move row pointers, not cells.
#include <cstddef>
#include <memory>
#include <vector>

#include "host/grid/cell.h"

namespace cartera {

class CellRows {
  public:
    static constexpr int kBlockRows = 1024;

    CellRows() = default;
    ~CellRows();
    CellRows(CellRows&& other) noexcept;
    CellRows& operator=(CellRows&& other) noexcept;
    CellRows(const CellRows&) = delete;
    CellRows& operator=(const CellRows&) = delete;

    int Cols() const { return m_cols; }
    int Rows() const { return m_rows; }
    // The Cols() cells of row r, 0 <= r < Rows(). Valid until the next call that changes
    // the rows or columns.
    CUGCell* Row(int r) { return m_index[static_cast<size_t>(r)]; }
    const CUGCell* Row(int r) const { return m_index[static_cast<size_t>(r)]; }

    // A fresh row at the end.
    void AppendRow() {
        if (m_rows < static_cast<int>(m_index.size()))
            ResetRow(m_index[static_cast<size_t>(m_rows)]);
        else
            BuildRow();
        ++m_rows;
    }
    // Grows with fresh rows or drops rows from the end (their cells are kept for reuse).
    void Resize(int rows);
    // The rows below r move up by one.
    void EraseRow(int r);
    // Changes the number of cells per row, keeping the cells of the columns that remain.
    void SetCols(int cols);
    // Row i becomes the row that was at order[i]; order is a permutation of 0..Rows()-1.
    void Permute(const std::vector<int>& order);
    // Moves column from to index to in every row, the columns between shifting by one.
    void MoveCol(int from, int to);

  private:
    // Raw storage for kBlockRows rows; cells are constructed row by row as rows are first
    // used and destroyed by ~CellRows.
    struct BlockFree {
        void operator()(CUGCell* cells) const;
    };
    using Block = std::unique_ptr<CUGCell, BlockFree>;

    // Cell slot s (in storage order) of a grid with m_cols columns.
    CUGCell* Slot(size_t s) const {
        return m_blocks[s / kBlockRows].get() + (s % kBlockRows) * static_cast<size_t>(m_cols);
    }
    void ResetRow(CUGCell* row) {
        for (CUGCell* cell = row; cell != row + m_cols; ++cell) cell->ClearAll();
    }
    // Constructs the next unused slot and indexes it as row m_rows.
    void BuildRow();
    void DestroyCells();

    std::vector<Block> m_blocks;
    // m_index[r] is row r's slot. Every constructed slot is indexed: entries past m_rows
    // are dropped rows waiting for reuse. Slots are constructed in storage order, so the
    // constructed slots are 0..m_index.size()-1.
    std::vector<CUGCell*> m_index;
    int m_cols = 0;
    int m_rows = 0;
    // The index is no longer in storage order (after a sort or a delete); clearing all rows
    // puts it back so that the next fill walks memory in order.
    bool m_shuffled = false;
};

}  // namespace cartera
