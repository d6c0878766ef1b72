#include "host/grid/grid_control.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <numeric>

namespace {
std::atomic<uint64_t> g_created{0};
}  // namespace

CUGCtrl::CUGCtrl() {
    m_cellTypes.push_back(&m_textType);
    ++g_created;
}

uint64_t CUGCtrl::Created() { return g_created; }

CUGCtrl::~CUGCtrl() = default;

int CUGCtrl::CreateGrid(const RECT& rect, void* parent, int id) {
    if (m_created) return 0;
    m_created = true;
    m_parent = parent;
    m_controlId = id;
    m_windowRect = rect;
    OnStart();
    return 1;
}

int CUGCtrl::AttachGrid(void* parent, int controlId) {
    return CreateGrid(RECT{}, parent, controlId);
}

int CUGCtrl::Imprimir() { return m_print ? m_print(*this) : 0; }

// --- Size ---------------------------------------------------------------------------------

int CUGCtrl::SetNumberCols(int cols, int redraw) {
    cols = std::max(cols, 0);
    m_store.SetCols(cols);
    ForgetRendered();
    m_heading.resize(cols);
    m_columns.resize(cols, ColumnInfo{m_defColWidth, false});
    if (redraw) NotifyStructureChanged();
    return UG_SUCCESS;
}

int CUGCtrl::SetNumberRows(int rows, int redraw) {
    rows = std::max(rows, 0);
    m_selected.clear();
    if (m_source) {
        size_t had = std::min(m_order.size(), static_cast<size_t>(rows));
        m_order.resize(static_cast<size_t>(rows));
        std::iota(m_order.begin() + static_cast<std::ptrdiff_t>(had), m_order.end(),
                  static_cast<uint32_t>(had));
        m_orderInRecords = m_orderInRecords || had == 0;
        ForgetRendered();
    } else {
        m_store.Resize(rows);
    }
    m_rowHeights.resize(rows, -1);
    if (rows == 0) m_heightsSet = false;
    if (redraw) NotifyStructureChanged();
    return UG_SUCCESS;
}

void CUGCtrl::SetRowSource(IGridRowSource* source) {
    SetNumberRows(0, 0);
    m_source = source;
    m_order.clear();
    m_order.shrink_to_fit();
    ForgetRendered();
}

uint32_t CUGCtrl::GetRowRecord(int row) const {
    if (row < 0 || row >= GetNumberRows()) return 0;
    return m_source ? m_order[static_cast<size_t>(row)] : static_cast<uint32_t>(row);
}

int CUGCtrl::AppendRow() {
    if (m_source)
        m_order.push_back(static_cast<uint32_t>(m_order.size()));
    else
        m_store.AppendRow();
    m_rowHeights.push_back(-1);
    return UG_SUCCESS;
}

int CUGCtrl::DeleteRow(int row) {
    if (row < 0 || row >= GetNumberRows()) return UG_ERROR;
    if (m_source) {
        m_orderInRecords = m_orderInRecords && row + 1 == GetNumberRows();
        m_order.erase(m_order.begin() + row);
        ForgetRendered();
    } else {
        m_store.EraseRow(row);
    }
    m_rowHeights.erase(m_rowHeights.begin() + row);
    if (m_curRow > row || m_curRow >= GetNumberRows()) --m_curRow;
    return UG_SUCCESS;
}

// --- Cells --------------------------------------------------------------------------------

int CUGCtrl::QuickSetText(int col, int row, std::string_view text) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetText(text);
    return UG_SUCCESS;
}

std::string CUGCtrl::QuickGetText(int col, int row) const {
    const CUGCell* c = CellAt(col, row);
    return c ? c->GetText() : std::string();
}

int CUGCtrl::QuickSetAlignment(int col, int row, int alignment) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetAlignment(alignment);
    return UG_SUCCESS;
}

int CUGCtrl::QuickSetCellType(int col, int row, int index) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetCellType(index);
    return UG_SUCCESS;
}

int CUGCtrl::QuickSetCellTypeEx(int col, int row, int extended) {
    CUGCell* c = CellAt(col, row);
    if (!c) return UG_ERROR;
    c->SetCellTypeEx(extended);
    return UG_SUCCESS;
}

// --- Geometry -----------------------------------------------------------------------------

int CUGCtrl::SetColWidth(int col, int width) {
    if (col < 0 || col >= GetNumberCols()) return UG_ERROR;
    m_columns[col].width = std::max(width, 0);
    NotifyStructureChanged();
    return UG_SUCCESS;
}

int CUGCtrl::GetColWidth(int col) const {
    return col >= 0 && col < GetNumberCols() ? m_columns[col].width : 0;
}

int CUGCtrl::SetColHidden(int col, int hidden) {
    if (col < 0 || col >= GetNumberCols()) return UG_ERROR;
    m_columns[col].hidden = hidden != 0;
    NotifyStructureChanged();
    return UG_SUCCESS;
}

int CUGCtrl::IsColHidden(int col) const {
    return col >= 0 && col < GetNumberCols() && m_columns[col].hidden ? 1 : 0;
}

int CUGCtrl::SetRowHeight(int row, int height) {
    if (row < 0 || row >= GetNumberRows()) return UG_ERROR;
    m_rowHeights[row] = std::max(height, 0);
    m_heightsSet = true;
    NotifyStructureChanged();
    return UG_SUCCESS;
}

int CUGCtrl::GetRowHeight(int row) const {
    if (row < 0 || row >= GetNumberRows()) return 0;
    return m_rowHeights[row] < 0 ? m_defRowHeight : m_rowHeights[row];
}

void CUGCtrl::SetDefRowHeight(int height) {
    m_defRowHeight = std::max(height, 0);
    NotifyStructureChanged();
}

void CUGCtrl::SetSH_Width(int width) {
    m_sideHeadingWidth = std::max(width, 0);
    NotifyStructureChanged();
}

void CUGCtrl::SetTH_Height(int height) {
    m_topHeadingHeight = std::max(height, 0);
    NotifyStructureChanged();
}

void CUGCtrl::SetVS_Width(int width) {
    m_vScrollWidth = std::max(width, 0);
    NotifyStructureChanged();
}

void CUGCtrl::SetHS_Height(int height) {
    m_hScrollHeight = std::max(height, 0);
    NotifyStructureChanged();
}

int CUGCtrl::MoveCol(int from, int to) {
    int cols = GetNumberCols();
    if (from < 0 || from >= cols || to < 0 || to >= cols) return UG_ERROR;
    if (from == to) return UG_SUCCESS;
    m_store.MoveCol(from, to);
    ForgetRendered();
    // The same rotation for the per-column data.
    auto move = [from, to](auto& v) {
        if (from < to)
            std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
        else
            std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    };
    move(m_heading);
    move(m_columns);
    NotifyStructureChanged();
    return UG_SUCCESS;
}

// --- Current cell -------------------------------------------------------------------------

int CUGCtrl::GetCurrentCol() const {
    return GetCurrentRow() < 0 || m_curCol < 0 || m_curCol >= GetNumberCols() ? -1 : m_curCol;
}

int CUGCtrl::GetCurrentRow() const {
    return m_curRow < 0 || m_curRow >= GetNumberRows() || m_curCol < 0 ||
                   m_curCol >= GetNumberCols()
               ? -1
               : m_curRow;
}

int CUGCtrl::GotoCell(int col, int row) {
    if (col < 0 || col >= GetNumberCols() || row < 0 || row >= GetNumberRows()) return UG_ERROR;
    m_curCol = col;
    m_curRow = row;
    NotifyCurrentCellChanged();
    OnSelectionMoved();
    return UG_SUCCESS;
}

void CUGCtrl::PlaceSelection(int row, std::vector<int> rows) {
    if (m_curCol < 0 || m_curCol >= GetNumberCols()) m_curCol = 0;
    m_curRow = row >= 0 && row < GetNumberRows() ? row : -1;
    m_selected = std::move(rows);
}

int CUGCtrl::SelectRow(int row) {
    int col = m_curCol >= 0 && m_curCol < GetNumberCols() ? m_curCol : 0;
    return GotoCell(col, row);
}

std::vector<int> CUGCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    for (int row : m_selected)
        if (row >= 0 && row < GetNumberRows()) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty() && GetCurrentRow() >= 0) rows.push_back(GetCurrentRow());
    return rows;
}

void CUGCtrl::OnKeyDown(unsigned* vcKey, int processed) {
    if (processed || !vcKey || GetNumberRows() == 0 || GetNumberCols() == 0) return;
    int col = GetCurrentCol();
    int row = GetCurrentRow();
    if (row < 0) {
        col = 0;
        row = 0;
    }
    switch (*vcKey) {
        case cartera::kVkUp:
            row = std::max(row - 1, 0);
            break;
        case cartera::kVkDown:
            row = std::min(row + 1, GetNumberRows() - 1);
            break;
        case cartera::kVkLeft:
            col = std::max(col - 1, 0);
            break;
        case cartera::kVkRight:
            col = std::min(col + 1, GetNumberCols() - 1);
            break;
        case cartera::kVkHome:
            row = 0;
            break;
        case cartera::kVkEnd:
            row = GetNumberRows() - 1;
            break;
        case cartera::kVkPageUp:
            row = std::max(row - PageRows(), 0);
            break;
        case cartera::kVkPageDown:
            row = std::min(row + PageRows(), GetNumberRows() - 1);
            break;
        default:
            return;
    }
    if (col != GetCurrentCol() || row != GetCurrentRow()) GotoCell(col, row);
}

int CUGCtrl::PageRows() const {
    int height = m_windowRect.bottom - m_windowRect.top - GetTH_Height() - GetHS_Height();
    return std::max(height / std::max(GetDefRowHeight(), 1) - 1, 1);
}

void CUGCtrl::OnDrawFocusRect(CDC* dc, RECT* rect) {
    if (dc && rect) dc->DrawFocusRect(*rect);
}

// --- Cell types ---------------------------------------------------------------------------

int CUGCtrl::AddCellType(CUGCellType* type) {
    if (!type) return -1;
    auto it = std::find(m_cellTypes.begin(), m_cellTypes.end(), type);
    if (it != m_cellTypes.end()) return static_cast<int>(it - m_cellTypes.begin());
    m_cellTypes.push_back(type);
    return static_cast<int>(m_cellTypes.size()) - 1;
}

const CUGCellType* CUGCtrl::GetCellTypeObject(int index) const {
    if (index < 0 || index >= static_cast<int>(m_cellTypes.size())) return nullptr;
    return m_cellTypes[index];
}

// --- Sorting ------------------------------------------------------------------------------

int CUGCtrl::OnSortEvaluate(CUGCell* first, CUGCell* second, int flags) {
    if (flags & UG_SORT_DESCENDING) std::swap(first, second);
    return first->GetText().compare(second->GetText());
}

int CUGCtrl::SortBy(int col, int mode) {
    if (col < 0 || col >= GetNumberCols()) return UG_ERROR;
    if (mode != UG_SORT_ASCENDING && mode != UG_SORT_DESCENDING) return UG_ERROR;
    // The comparisons jump between rows at random; copies of the column's cells side by
    // side keep them within a few pages instead of spread over the whole grid.
    int rows = GetNumberRows();
    std::vector<CUGCell> keys;
    keys.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) keys.push_back(*CellAt(col, r));
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return OnSortEvaluate(&keys[a], &keys[b], mode) < 0; });
    PermuteRows(order);
    return UG_SUCCESS;
}

void CUGCtrl::PermuteRows(const std::vector<int>& order) {
    m_selected.clear();
    if (m_source) {
        // Rows that are the records in order (as a refill leaves them) take the order as it is.
        std::vector<uint32_t> records(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            records[i] = m_orderInRecords ? static_cast<uint32_t>(order[i]) : m_order[order[i]];
        m_order = std::move(records);
        m_orderInRecords = false;
        ForgetRendered();
    } else {
        m_store.Permute(order);
    }
    if (!m_heightsSet) return;  // every row at the default height: nothing moves
    std::vector<int> heights(order.size());
    for (size_t i = 0; i < order.size(); ++i) heights[i] = m_rowHeights[order[i]];
    m_rowHeights = std::move(heights);
}

// --- Menu ---------------------------------------------------------------------------------

int CUGCtrl::EmptyMenu() {
    m_menu.Clear();
    return UG_SUCCESS;
}

int CUGCtrl::AddMenuItem(int id, std::string_view text) {
    if (text.empty())
        m_menu.AppendSeparator();
    else
        m_menu.AppendItem(id, text);
    return UG_SUCCESS;
}

int CUGCtrl::AddMenuSeparator() {
    m_menu.AppendSeparator();
    return UG_SUCCESS;
}

int CUGCtrl::RemoveMenuItem(int id) { return m_menu.RemoveItem(id) ? UG_SUCCESS : UG_ERROR; }

int CUGCtrl::AddMenuSubmenu(std::string_view text, std::unique_ptr<CMenu> menu) {
    if (!menu) return UG_ERROR;
    m_menu.AppendSubmenu(text, std::move(menu));
    return UG_SUCCESS;
}

// --- Notifications ------------------------------------------------------------------------

void CUGCtrl::RedrawAll() {
    ForgetRendered();
    if (m_observer) m_observer->GridRedrawAll();
}

void CUGCtrl::RedrawRow(int row) {
    if (row < 0 || row >= GetNumberRows()) return;
    if (!m_rendered.empty()) {
        RenderedRow& slot = m_rendered[static_cast<size_t>(row % kRenderedRows)];
        if (slot.row == row) slot.row = -1;
    }
    if (m_observer) m_observer->GridRedrawRow(row);
}

// --- Rendering on demand ------------------------------------------------------------------

CUGCell* CUGCtrl::RenderedCell(int col, int row) {
    if (m_rendered.empty()) m_rendered.resize(kRenderedRows);
    RenderedRow& slot = m_rendered[static_cast<size_t>(row % kRenderedRows)];
    auto cols = static_cast<size_t>(GetNumberCols());
    if (slot.row != row || slot.cells.size() != cols) {
        slot.row = row;
        slot.cells.resize(cols);
        slot.rendered.assign(cols, 0);
    }
    CUGCell& cell = slot.cells[static_cast<size_t>(col)];
    if (!slot.rendered[static_cast<size_t>(col)]) {
        cell.ClearAll();
        m_source->RenderCell(col, row, m_order[static_cast<size_t>(row)], &cell);
        slot.rendered[static_cast<size_t>(col)] = 1;
    }
    return &cell;
}

void CUGCtrl::ForgetRendered() {
    for (RenderedRow& slot : m_rendered) slot.row = -1;
}

void CUGCtrl::NotifyStructureChanged() {
    if (m_structureDepth > 0) {
        m_structurePending = true;
        return;
    }
    if (m_observer) m_observer->GridStructureChanged();
}

void CUGCtrl::EndStructureChange() {
    if (m_structureDepth > 0 && --m_structureDepth == 0 && m_structurePending) {
        m_structurePending = false;
        NotifyStructureChanged();
    }
}

void CUGCtrl::NotifyCurrentCellChanged() {
    if (m_observer) m_observer->GridCurrentCellChanged();
}
