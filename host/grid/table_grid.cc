#include "host/grid/table_grid.h"

#include <algorithm>
#include <memory>

#include "host/strings.h"

namespace cartera {
namespace {

struct DefaultMenuTexts {
    const char* columns;
    const char* sortAscending;
    const char* sortDescending;
    const char* fitColumns;
};

// The grid's own menu texts, in the order of cartera::Language.
const DefaultMenuTexts kMenuTexts[] = {
    {"Columns", "Sort ascending", "Sort descending", "Fit columns"},
    {"Spalten", "Aufsteigend sortieren", "Absteigend sortieren", "Spalten anpassen"},
    {"Colonnes", "Tri croissant", "Tri décroissant", "Ajuster les colonnes"},
    {"Colonne", "Ordinamento crescente", "Ordinamento decrescente", "Adatta le colonne"},
    {"Columnas", "Orden ascendente", "Orden descendente", "Ajustar columnas"},
};

const DefaultMenuTexts& MenuTexts() { return kMenuTexts[static_cast<int>(CurrentLanguage())]; }

// The heading of a column id, or the id itself when the string table has no text for it,
// so a menu item never comes out blank.
std::string HeadingText(int id) {
    std::string text = ::LS(id);
    return text.empty() ? "#" + std::to_string(id) : text;
}

}  // namespace
}  // namespace cartera

// --- CBaseGrid ----------------------------------------------------------------------------

void CBaseGrid::OnStart() { GetSortArrowIndex(); }

void CBaseGrid::OnModifyHeader() {
    BeginStructureChange();
    int n = m_header.GetCount();
    SetNumberCols(n, 0);
    int arrow = GetSortArrowIndex();
    for (int i = 0; i < n; ++i) {
        const CMultiHdrData::Column& column = m_header.Columns()[i];
        SetColWidth(i, column.width);
        SetColHidden(i, !column.visible);
        CUGCell heading;
        GetCell(i, -1, &heading);
        heading.SetText(LS(column.id));
        heading.SetAlignment(column.alignment);
        if (i == m_sortCol) {
            heading.SetCellType(arrow);
            heading.SetCellTypeEx(m_sortAscending ? UGCT_SORTARROWUP : UGCT_SORTARROWDOWN);
        } else if (heading.GetCellType() == arrow) {
            heading.SetCellType(UGCT_NORMAL);
            heading.SetCellTypeEx(0);
        }
        SetCell(i, -1, &heading);
    }
    NotifyStructureChanged();
    EndStructureChange();
}

void CBaseGrid::Limpiar(int flag) {
    SetNumberRows(0, 0);
    if (flag) RedrawAll();
}

bool CBaseGrid::ShowHeaderColumn(int id, int visible) {
    int position = m_header.GetPosition(id);
    if (position < 0 || (m_header.GetVisible(id) != 0) == (visible != 0)) return false;
    if (!visible && m_header.GetVisibleCount() <= 1) return false;
    m_header.SetVisible(id, visible);
    OnModifyHeader();
    return true;
}

bool CBaseGrid::MoveHeaderColumn(int fromIndex, int toIndex) {
    if (fromIndex == toIndex || !m_header.MoveColumn(fromIndex, toIndex)) return false;
    MoveCol(fromIndex, toIndex);
    if (m_sortCol == fromIndex)
        m_sortCol = toIndex;
    else if (fromIndex < m_sortCol && m_sortCol <= toIndex)
        --m_sortCol;
    else if (toIndex <= m_sortCol && m_sortCol < fromIndex)
        ++m_sortCol;
    OnModifyHeader();
    return true;
}

bool CBaseGrid::ResizeHeaderColumn(int index, int width) {
    if (index < 0 || index >= m_header.GetCount()) return false;
    int id = m_header.GetColID(index);
    m_header.SetWidth(id, width);
    SetColWidth(index, m_header.GetWidth(id));
    return true;
}

// --- CGridTabla: sorting and the default menu ---------------------------------------------

void CGridTabla::ApplySort() {
    int col = GetSortCol();
    if (col < 0 || col >= GetNumberCols()) return;
    bool ascending = IsSortAscending();
    SortBy(col, ascending ? UG_SORT_ASCENDING : UG_SORT_DESCENDING);
    QuickSetCellType(col, -1, GetSortArrowIndex());
    QuickSetCellTypeEx(col, -1, ascending ? UGCT_SORTARROWUP : UGCT_SORTARROWDOWN);
}

std::string CGridTabla::FitColumnsText() { return cartera::MenuTexts().fitColumns; }

void CGridTabla::CreateDefaultMenu(CMenu* menu, int col, int row) {
    if (!menu) return;
    const auto& texts = cartera::MenuTexts();
    bool sortable = col >= 0 && col < GetNumberCols() &&
                    QueryInfoItem(col, row, UGINFO_MENU_SORT, nullptr) != 0;
    if (sortable) {
        bool sorted = col == GetSortCol();
        menu->AppendItem(kMenuSortAscending, texts.sortAscending, sorted && IsSortAscending());
        menu->AppendItem(kMenuSortDescending, texts.sortDescending, sorted && !IsSortAscending());
    }
    if (m_header.GetCount() == 0 || !QueryInfoItem(col, row, UGINFO_MENU_COLUMNS, nullptr)) return;
    auto columns = std::make_unique<CMenu>();
    int n = std::min(m_header.GetCount(), kMenuColumnLast - kMenuColumnFirst + 1);
    for (int i = 0; i < n; ++i) {
        int id = m_header.GetColID(i);
        columns->AppendItem(kMenuColumnFirst + i, cartera::HeadingText(id),
                            m_header.GetVisible(id) != 0);
    }
    if (sortable) menu->AppendSeparator();
    menu->AppendSubmenu(texts.columns, std::move(columns));
}

int CGridTabla::OnMenuStart(int col, int row, int section) {
    EmptyMenu();
    CreateDefaultMenu(GetPopupMenu(), col, row);
    return GetPopupMenu()->GetItemCount() > 0 ? 1 : 0;
}

void CGridTabla::OnMenuCommand(int col, int row, int section, int item) {
    if (item == kMenuSortAscending || item == kMenuSortDescending) {
        if (col < 0 || col >= GetNumberCols()) return;
        int old = GetSortCol();
        if (old != col && old >= 0 && old < GetNumberCols()) {
            QuickSetCellType(old, -1, UGCT_NORMAL);
            QuickSetCellTypeEx(old, -1, 0);
        }
        SetSortCol(col);
        SetSortAscending(item == kMenuSortAscending);
        ApplySort();
        RedrawAll();
    } else if (item >= kMenuColumnFirst && item <= kMenuColumnLast) {
        int index = item - kMenuColumnFirst;
        if (index >= m_header.GetCount()) return;
        int id = m_header.GetColID(index);
        ShowHeaderColumn(id, !m_header.GetVisible(id));
    }
}
