#include "grids/grid_qbase.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "grids/column_ids.h"
#include "grids/number_text.h"
#include "host/archive.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/order.h"

namespace cartera {

ColumnKind ColumnKindOf(int columnId) {
    static constexpr int kNumbers[] = {
        column::kContracts,       column::kPrice,      column::kCommissions,
        column::kGuarantee,       column::kPointValue, column::kTotal,
        column::kTradeContracts,  column::kEntryPrice, column::kExitPrice,
        column::kTradeCommission, column::kEntryTotal, column::kExitTotal,
        column::kProfit,          column::kPercentage, column::kWarranty,
        column::kTradePointValue};
    static constexpr int kDates[] = {column::kDate, column::kEntryDate, column::kExitDate};
    if (std::find(std::begin(kNumbers), std::end(kNumbers), columnId) != std::end(kNumbers))
        return ColumnKind::kNumber;
    if (std::find(std::begin(kDates), std::end(kDates), columnId) != std::end(kDates))
        return ColumnKind::kDate;
    return ColumnKind::kText;
}

namespace {

// Old saved captions are matched against these headings, in this order; the first equal
// text wins, so a heading two ids share maps to the earlier one.
constexpr int kOldCaptionOrder[] = {column::kType,
                                    column::kSymbol,
                                    column::kGroup,
                                    column::kDate,
                                    column::kContracts,
                                    column::kPrice,
                                    column::kCommissions,
                                    column::kTotal,
                                    column::kGuarantee,
                                    column::kPointValue,
                                    column::kTime,
                                    column::kTradeSymbol,
                                    column::kTradeGroup,
                                    column::kEntryDate,
                                    column::kTradeContracts,
                                    column::kEntryPrice,
                                    column::kExitPrice,
                                    column::kTradeCommission,
                                    column::kProfit,
                                    column::kPercentage,
                                    column::kExitDate,
                                    column::kExitTotal,
                                    column::kEntryTotal,
                                    column::kWarranty,
                                    column::kTradePointValue,
                                    column::kExitTime,
                                    column::kEntryTime};

// Host item codes answered 1 without asking the host.
bool AnswersOne(int item) {
    return item == 1000 || item == 1006 || (item >= 1101 && item <= 1106) ||
           (item >= 1110 && item <= 1117) || item == 1120 || (item >= 1122 && item <= 1124);
}

// atof of the text with every sep character taken out.
double NumberWithout(const std::string& text, char sep) {
    char buf[64];
    size_t n = 0;
    for (char c : text) {
        if (c == sep) continue;
        if (n == sizeof buf) {  // longer than any number the grids write
            std::string copy = text;
            std::erase(copy, sep);
            return AtofPrefix(copy);
        }
        buf[n++] = c;
    }
    return AtofPrefix(std::string_view(buf, n));
}

// What the shown texts depend on besides the records.
std::string TextConventions() {
    return GetSepMiles() + "|" + GetSepDecimal() + "|" + DateText(1) + "|" +
           std::to_string(static_cast<int>(CurrentLanguage()));
}

char ThousandsSeparator() {
    std::string miles = GetSepMiles();
    return miles.empty() ? '\0' : miles.front();
}

int CompareNumbers(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

int CompareNumbers(const std::string& a, const std::string& b) {
    char sep = ThousandsSeparator();
    return CompareNumbers(NumberWithout(a, sep), NumberWithout(b, sep));
}

// An unreadable date is neither earlier nor later than anything.
int CompareDates(const std::string& a, const std::string& b) {
    int32_t x = 0, y = 0;
    if (!ParseDateText(a, &x) || !ParseDateText(b, &y)) return 0;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// A row's sort key, read once per sort: the comparison of two keys answers what the
// comparison of the two cells' texts answers, so a stable sort by keys leaves the rows in
// the same order. The keys are sorted themselves, not indices into them, so that the
// comparisons stay within a few pages instead of jumping over the grid's memory.
struct SortKey {
    double number = 0;
    int32_t date = 0;
    int32_t textRank = 0;  // the text's place among the column's distinct texts
    bool dateRead = false;
    bool textSet = false;
    int row = 0;
};

int Sign(int64_t x) { return x < 0 ? -1 : (x > 0 ? 1 : 0); }

int CompareKeys(const SortKey* a, const SortKey* b, ColumnKind kind, bool descending) {
    if (descending) std::swap(a, b);
    if (!a->textSet) return b->textSet ? -1 : 0;
    switch (kind) {
        case ColumnKind::kNumber:
            return CompareNumbers(a->number, b->number);
        case ColumnKind::kDate:
            if (!a->dateRead || !b->dateRead) return 0;
            return Sign(int64_t{a->date} - b->date);
        case ColumnKind::kText:
            break;
    }
    return Sign(int64_t{a->textRank} - b->textRank);
}

// Ranks texts[i] among the distinct texts, bytewise, into keys[i].textRank. The views
// point into the grid's cells.
void RankTexts(const std::vector<std::string_view>& texts, std::vector<SortKey>* keys) {
    std::unordered_map<std::string_view, int32_t> rank;
    for (std::string_view text : texts) rank.emplace(text, 0);
    std::vector<std::string_view> distinct;
    distinct.reserve(rank.size());
    for (const auto& entry : rank) distinct.push_back(entry.first);
    std::sort(distinct.begin(), distinct.end());
    for (size_t i = 0; i < distinct.size(); ++i) rank[distinct[i]] = static_cast<int32_t>(i);
    for (size_t i = 0; i < texts.size(); ++i) (*keys)[i].textRank = rank[texts[i]];
}

}  // namespace
}  // namespace cartera

CGridQBase::CGridQBase() {
    SetGridTextColor(cartera::kGridTextColor);
    SetGridBackColor(RGB(196, 224, 255));
    SetHighlightTextColor(RGB(255, 255, 255));
    SetHighlightBackColor(RGB(0, 64, 128));
    SetOnDemand(true);
}

void CGridQBase::FillGrid() {
    if (GetLedger()) FillRows();
}

void CGridQBase::FillRows() {
    Limpiar(0);
    auto records = static_cast<int>(RecordCount());
    if (IsOnDemand()) {
        SetNumberRows(records, 0);
    } else {
        for (int r = 0; r < records; ++r) {
            AppendRow();
            StoreRow(r, static_cast<uint32_t>(r));
        }
    }
    m_rowsInLedgerOrder = true;
    ApplySort();
    RedrawAll();
}

void CGridQBase::RenderCell(int col, int row, uint32_t record, CUGCell* cell) {
    cell->SetTextColor(RowTextColor());
    cell->SetBackColor(RowBackColor(row));
    const auto& columns = m_header.Columns();
    if (col < 0 || col >= static_cast<int>(columns.size()) || !columns[col].visible) return;
    if (record < RecordCount()) RenderRecordCell(columns[col], record, cell);
}

void CGridQBase::StoreRow(int row, uint32_t record) {
    for (int col = 0; col < GetNumberCols(); ++col) {
        m_scratch.ClearAll();
        RenderCell(col, row, record, &m_scratch);
        SetCell(col, row, &m_scratch);
    }
}

// --- Rows -----------------------------------------------------------------------------------

uint64_t CGridQBase::GetRowID(int row) const {
    if (row < 0) return kNoId;
    // Hidden columns are not written, so the id comes from the first shown column.
    const auto& columns = m_header.Columns();
    for (int col = 0; col < static_cast<int>(columns.size()); ++col) {
        if (!columns[col].visible) continue;
        const CUGCell* cell = PeekCell(col, row);
        return cell ? cell->GetID64(0) : kNoId;
    }
    return kNoId;
}

void CGridQBase::SetRowTextColor(int row, COLORREF color) {
    for (int col = 0; col < GetNumberCols(); ++col) QuickSetTextColor(col, row, color);
}

COLORREF CGridQBase::RowBackColor(int row) const {
    return row % 2 == 0 ? m_alternateColor : GetGridBackColor();
}

void CGridQBase::SetRowBackColor(int row) {
    COLORREF color = RowBackColor(row);
    for (int col = 0; col < GetNumberCols(); ++col) QuickSetBackColor(col, row, color);
}

void CGridQBase::ColorAllRows() {
    for (int row = 0; row < GetNumberRows(); ++row) SetRowBackColor(row);
}

// --- Set-up and header ------------------------------------------------------------------------

int CGridQBase::SortArrowIndex() {
    if (m_sortArrowIndex < 0) m_sortArrowIndex = AddCellType(GetSortArrowType());
    return m_sortArrowIndex;
}

void CGridQBase::OnStart() {
    CBaseGrid::OnStart();
    EnableMenu(1);
    EnableCellOverLap(0);
    SetHScrollMode(1);
    SetVScrollMode(1);
    EnableExcelBorders(0);
    SetMultiSelectMode(0);
    SetSH_Width(0);
    SetDefRowHeight(20);
    m_sortArrowIndex = AddCellType(GetSortArrowType());
    OnModifyHeader();
}

void CGridQBase::OnModifyHeader() {
    CBaseGrid::OnModifyHeader();
    RequestRefill();
}

void CGridQBase::RequestRefill() {
    if (m_refillHolds > 0) {
        m_refillRequested = true;
        return;
    }
    FillGrid();
}

void CGridQBase::ReleaseRefills(bool refill) {
    if (m_refillHolds == 0 || --m_refillHolds > 0) return;
    bool requested = std::exchange(m_refillRequested, false);
    if (requested && refill) FillGrid();
}

// --- Sorting --------------------------------------------------------------------------------

void CGridQBase::SortRows(int col, bool descending, bool keep) {
    using cartera::SortKey;
    cartera::ColumnKind kind = cartera::ColumnKindOf(m_header.GetColID(col));
    char sep = cartera::ThousandsSeparator();
    int rows = GetNumberRows();
    std::vector<SortKey> keys(static_cast<size_t>(rows));
    std::vector<std::string_view> texts;
    std::vector<std::string> rendered;  // on demand the texts live only as long as the keys
    bool orders = true;                 // every key orders: no missing text, NaN or bad date
    if (kind == cartera::ColumnKind::kText) texts.reserve(keys.size());
    if (kind == cartera::ColumnKind::kText && IsOnDemand()) rendered.reserve(keys.size());
    for (int r = 0; r < rows; ++r) {
        if (IsOnDemand()) {  // only this column's cell, outside the cache of shown rows
            m_scratch.ClearAll();
            RenderCell(col, r, GetRowRecord(r), &m_scratch);
        }
        const CUGCell& cell = IsOnDemand() ? m_scratch : *PeekCell(col, r);
        SortKey& key = keys[static_cast<size_t>(r)];
        key.row = r;
        key.textSet = cell.IsPropertySet(UGCELL_TEXT_SET);
        orders = orders && key.textSet;
        if (kind == cartera::ColumnKind::kNumber) {
            key.number = cartera::NumberWithout(cell.GetText(), sep);
            orders = orders && !std::isnan(key.number);
        } else if (kind == cartera::ColumnKind::kDate) {
            key.dateRead = cartera::ParseDateText(cell.GetText(), &key.date);
            orders = orders && key.dateRead;
        } else if (IsOnDemand())
            rendered.push_back(cell.GetText());
        else
            texts.push_back(cell.GetText());
    }
    texts.insert(texts.end(), rendered.begin(), rendered.end());
    if (kind == cartera::ColumnKind::kText) cartera::RankTexts(texts, &keys);
    std::stable_sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        return cartera::CompareKeys(&a, &b, kind, descending) < 0;
    });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].row;
    // Only a strict order of keys gives one order a later refill can follow; it is kept with
    // the keys in that order (read before the rows move), so that a refill reads only the
    // keys of what changed.
    std::vector<double> values;
    std::vector<std::string> sorted;
    keep = keep && orders;
    if (keep && kind == cartera::ColumnKind::kText) {
        sorted.reserve(keys.size());
        for (const SortKey& key : keys) sorted.emplace_back(texts[static_cast<size_t>(key.row)]);
    } else if (keep) {
        values.reserve(keys.size());
        for (const SortKey& key : keys)
            values.push_back(kind == cartera::ColumnKind::kDate ? key.date : key.number);
    }
    PermuteRows(order);
    if (keep)
        m_sorted.Keep(SortState(col), std::move(order), std::move(values), std::move(sorted),
                      RecordEdits());
}

cartera::SortedRows::By CGridQBase::SortState(int col) const {
    int id = m_header.GetColID(col);
    return {col, id, !IsSortAscending(), cartera::ColumnKindOf(id) == cartera::ColumnKind::kText,
            cartera::TextConventions()};
}

bool CGridQBase::ReadSortKey(int col, cartera::ColumnKind kind, char sep, uint32_t record,
                             cartera::CellKey* key) {
    m_scratch.ClearAll();
    RenderCell(col, 0, record, &m_scratch);
    if (!m_scratch.IsPropertySet(UGCELL_TEXT_SET)) return false;
    const std::string& text = m_scratch.GetText();
    switch (kind) {
        case cartera::ColumnKind::kNumber:
            key->value = cartera::NumberWithout(text, sep);
            return !std::isnan(key->value);
        case cartera::ColumnKind::kDate: {
            int32_t date = 0;
            if (!cartera::ParseDateText(text, &date)) return false;
            key->value = date;
            return true;
        }
        case cartera::ColumnKind::kText:
            break;
    }
    key->text = text;
    return true;
}

bool CGridQBase::FollowSort(int col) {
    cartera::ColumnKind kind = cartera::ColumnKindOf(m_header.GetColID(col));
    char sep = cartera::ThousandsSeparator();
    const std::vector<int>* order =
        m_sorted.Follow(SortState(col), RecordEdits(), static_cast<size_t>(GetNumberRows()),
                        [&](uint32_t record, cartera::CellKey* key) {
                            return ReadSortKey(col, kind, sep, record, key);
                        });
    if (order) PermuteRows(*order);
    return order != nullptr;
}

void CGridQBase::ApplySort() {
    // A refill's rows are in the ledger's order; a heading click sorts the rows as shown.
    const bool filled = std::exchange(m_rowsInLedgerOrder, false);
    int col = GetSortCol();
    if (col < 0 || col >= GetNumberCols()) return;
    if (!filled || !FollowSort(col)) SortRows(col, !IsSortAscending(), filled);
    if (IsSortAscending()) {
        QuickSetCellType(col, -1, SortArrowIndex());
        QuickSetCellTypeEx(col, -1, UGCT_SORTARROWUP);
    } else {
        QuickSetCellType(col, -1, SortArrowIndex());
        QuickSetCellTypeEx(col, -1, UGCT_SORTARROWDOWN);
    }
    if (!IsOnDemand()) ColorAllRows();  // on demand the colour follows the row when drawn
}

void CGridQBase::OnTH_LClicked(int col, int row, int updn, RECT* rect, POINT* point,
                               int processed) {
    if (updn != 0) return;
    if (col == GetSortCol()) {
        SetSortAscending(!IsSortAscending());
    } else {
        QuickSetCellType(GetSortCol(), row, UGCT_NORMAL);
        SetSortCol(col);
        SetSortAscending(1);  // a new heading starts ascending, whatever the last one was
    }
    ApplySort();
    RedrawAll();
}

int CGridQBase::OnSortEvaluate(CUGCell* first, CUGCell* second, int flags) {
    CUGCell* a = first;
    CUGCell* b = second;
    if (flags & UG_SORT_DESCENDING) std::swap(a, b);
    if (!a) return b ? -1 : 0;
    if (!b) return 1;
    if (!a->IsPropertySet(UGCELL_TEXT_SET)) return b->IsPropertySet(UGCELL_TEXT_SET) ? -1 : 0;
    const std::string& ta = a->GetText();
    const std::string& tb = b->GetText();
    switch (cartera::ColumnKindOf(m_header.GetColID(GetSortCol()))) {
        case cartera::ColumnKind::kNumber:
            return cartera::CompareNumbers(ta, tb);
        case cartera::ColumnKind::kDate:
            return cartera::CompareDates(ta, tb);
        case cartera::ColumnKind::kText:
            break;
    }
    return ta.compare(tb);
}

// --- Keys, menu, host questions ---------------------------------------------------------------

void CGridQBase::OnKeyDown(unsigned* vcKey, int processed) { CUGCtrl::OnKeyDown(vcKey, processed); }

int CGridQBase::OnMenuStart(int col, int row, int section) {
    EmptyMenu();
    AddMenuItem(cartera::kMenuBuy, LS(3396));
    AddMenuItem(cartera::kMenuSell, LS(3397));
    AddMenuItem(cartera::kMenuOther, LS(3398));
    AddMenuSeparator();
    AddMenuItem(cartera::kMenuModify, LS(3459));
    AddMenuItem(cartera::kMenuDelete, LS(3403));
    AddMenuItem(cartera::kMenuCommission, LS(3399));
    AddMenuSeparator();
    auto options = std::make_unique<CMenu>();
    CreateDefaultMenu(options.get(), col, row);
    AddMenuSubmenu(LS(3470), std::move(options));
    return 1;
}

void CGridQBase::OnMenuCommand(int col, int row, int section, int item) {
    if (m_pView) m_pView->InvalidateView();
    switch (item) {
        case cartera::kMenuBuy:
            if (m_pView) m_pView->OnCarteraComprar();
            return;
        case cartera::kMenuSell:
            if (m_pView) m_pView->OnCarteraVender();
            return;
        case cartera::kMenuOther:
            if (m_pView) m_pView->OnCarteraOtros();
            return;
        case cartera::kMenuCommission:
            if (m_pView) m_pView->OnCarteraComision();
            return;
        default:
            CGridTabla::OnMenuCommand(col, row, section, item);
    }
}

int CGridQBase::QueryInfoItem(int a, int b, int item, std::string* text) {
    if (cartera::AnswersOne(item)) return 1;
    return CBaseGrid::QueryInfoItem(a, b, item, text);
}

// --- Saved layout ---------------------------------------------------------------------------

void CGridQBase::Serialize(CArchive& ar) {
    CGridTabla::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteI32(0);
        ar.WriteU32(m_alternateColor);
    } else {
        int32_t reserved = ar.ReadI32();
        if (reserved > 0) {
            if (static_cast<uint64_t>(reserved) * 4 > ar.Remaining())
                throw CArchiveException(CArchiveException::endOfFile, "grid extension words");
            ar.ReadView(static_cast<size_t>(reserved) * 4);
        }
        m_alternateColor = ar.ReadU32();
    }
    OnModifyHeader();
}

int CGridQBase::String2Id_OldFormat(const std::string& caption) {
    for (int id : cartera::kOldCaptionOrder)
        if (LS(id) == caption) return id;
    return -1;
}
