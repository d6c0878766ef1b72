#include "host/grid/cell_rows.h"

#include <algorithm>

namespace cartera {

void CellRows::AppendRow() {
    if (m_rows == Capacity()) {
        // A new block comes value-initialised: its rows are fresh already.
        m_blocks.push_back(std::make_unique<CUGCell[]>(static_cast<size_t>(kBlockRows) * m_cols));
    } else {
        CUGCell* row = Row(m_rows);
        std::fill(row, row + m_cols, CUGCell());
    }
    ++m_rows;
}

void CellRows::Resize(int rows) {
    while (m_rows < rows) AppendRow();
    m_rows = std::max(rows, 0);
}

void CellRows::EraseRow(int r) {
    for (int i = r; i + 1 < m_rows; ++i) std::move(Row(i + 1), Row(i + 1) + m_cols, Row(i));
    --m_rows;
}

void CellRows::SetCols(int cols) {
    if (cols == m_cols) return;
    CellRows resized;
    resized.m_cols = cols;
    resized.Resize(m_rows);
    int keep = std::min(cols, m_cols);
    for (int r = 0; r < m_rows; ++r) std::move(Row(r), Row(r) + keep, resized.Row(r));
    *this = std::move(resized);
}

// Follows each cycle of the permutation with one row in hand, so every row moves once.
void CellRows::Permute(const std::vector<int>& order) {
    std::vector<bool> done(m_rows, false);
    std::vector<CUGCell> held(m_cols);
    for (int start = 0; start < m_rows; ++start) {
        if (done[start] || order[start] == start) continue;
        std::move(Row(start), Row(start) + m_cols, held.begin());
        int dst = start;
        while (order[dst] != start) {
            int src = order[dst];
            std::move(Row(src), Row(src) + m_cols, Row(dst));
            done[dst] = true;
            dst = src;
        }
        std::move(held.begin(), held.end(), Row(dst));
        done[dst] = true;
    }
}

void CellRows::MoveCol(int from, int to) {
    for (int r = 0; r < m_rows; ++r) {
        CUGCell* row = Row(r);
        if (from < to)
            std::rotate(row + from, row + from + 1, row + to + 1);
        else if (from > to)
            std::rotate(row + to, row + from, row + from + 1);
    }
}

}  // namespace cartera
