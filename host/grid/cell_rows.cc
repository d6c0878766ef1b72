#include "host/grid/cell_rows.h"

#include <algorithm>
#include <memory>
#include <new>

namespace cartera {
namespace {

// Cells start on a cache line, so a 64-byte cell is read and written as one line.
constexpr std::align_val_t kBlockAlign{64};

}  // namespace

void CellRows::BlockFree::operator()(CUGCell* cells) const {
    ::operator delete(static_cast<void*>(cells), kBlockAlign);
}

CellRows::~CellRows() { DestroyCells(); }

CellRows::CellRows(CellRows&& other) noexcept
    : m_blocks(std::move(other.m_blocks)),
      m_index(std::move(other.m_index)),
      m_cols(other.m_cols),
      m_rows(other.m_rows),
      m_shuffled(other.m_shuffled) {
    other.m_blocks.clear();
    other.m_index.clear();
    other.m_rows = 0;
    other.m_shuffled = false;
}

CellRows& CellRows::operator=(CellRows&& other) noexcept {
    if (this == &other) return *this;
    DestroyCells();
    m_blocks = std::move(other.m_blocks);
    m_index = std::move(other.m_index);
    m_cols = other.m_cols;
    m_rows = other.m_rows;
    m_shuffled = other.m_shuffled;
    other.m_blocks.clear();
    other.m_index.clear();
    other.m_rows = 0;
    other.m_shuffled = false;
    return *this;
}

void CellRows::DestroyCells() {
    for (CUGCell* row : m_index) std::destroy_n(row, m_cols);
    m_index.clear();
}

void CellRows::BuildRow() {
    size_t slot = m_index.size();
    if (slot == m_blocks.size() * kBlockRows) {
        size_t bytes = sizeof(CUGCell) * kBlockRows * static_cast<size_t>(m_cols);
        m_blocks.emplace_back(static_cast<CUGCell*>(::operator new(bytes, kBlockAlign)));
    }
    CUGCell* row = Slot(slot);
    m_index.push_back(row);
    std::uninitialized_default_construct_n(row, m_cols);
}

void CellRows::Resize(int rows) {
    rows = std::max(rows, 0);
    if (rows > m_rows) {
        m_index.reserve(static_cast<size_t>(rows));
        while (m_rows < rows) AppendRow();
        return;
    }
    m_rows = rows;
    if (m_rows == 0 && m_shuffled) {
        for (size_t s = 0; s < m_index.size(); ++s) m_index[s] = Slot(s);
        m_shuffled = false;
    }
}

void CellRows::EraseRow(int r) {
    // The erased row's slot goes to the dropped rows past the end.
    std::rotate(m_index.begin() + r, m_index.begin() + r + 1, m_index.begin() + m_rows);
    --m_rows;
    m_shuffled = true;
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

void CellRows::Permute(const std::vector<int>& order) {
    std::vector<CUGCell*> rows(order.size());
    for (size_t i = 0; i < order.size(); ++i) rows[i] = m_index[static_cast<size_t>(order[i])];
    std::copy(rows.begin(), rows.end(), m_index.begin());
    m_shuffled = true;
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
