#include "grids/grid_qbase.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "grids/collation.h"
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
        column::kTradePointValue, column::kRate,       column::kEntryRate,
        column::kExitRate,        column::kBaseProfit, column::kPricePart,
        column::kExchangePart};
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

// What the shown texts depend on besides the records.
std::string TextConventions() {
    return GetSepMiles() + "|" + GetSepDecimal() + "|" + DateText(1) + "|" +
           std::to_string(static_cast<int>(CurrentLanguage()));
}

int CompareNumbers(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

// Two records' keys in the order of the sort (a null key: none, which goes first).
int CompareCellKeys(const CellKey* a, const CellKey* b, bool byText) {
    if (!a) return b ? -1 : 0;
    if (!b) return 1;
    return byText ? a->text.compare(b->text) : CompareNumbers(a->value, b->value);
}

// A row's sort key, read once per sort. The keys are sorted themselves, not indices into
// them, so that the comparisons stay within a few pages instead of jumping over the grid's
// memory; a text is compared by its rank among the column's distinct keys.
struct SortKey {
    double number = 0;
    int32_t textRank = 0;
    bool set = false;
    int row = 0;
};

int CompareKeys(const SortKey* a, const SortKey* b, bool byText, bool descending) {
    if (descending) std::swap(a, b);
    if (!a->set) return b->set ? -1 : 0;
    if (!b->set) return 1;
    if (byText) return a->textRank < b->textRank ? -1 : (a->textRank > b->textRank ? 1 : 0);
    return CompareNumbers(a->number, b->number);
}

// Ranks texts[i] among the distinct texts, bytewise, into keys[i].textRank.
void RankTexts(const std::vector<std::string>& texts, std::vector<SortKey>* keys) {
    std::unordered_map<std::string_view, int32_t> rank;
    for (const std::string& text : texts) rank.emplace(text, 0);
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
    // Columns come and go before the rows are made for them.
    if (GetLedger() && m_currencyColumns.Fit(m_header, ShowsOtherCurrency()))
        CBaseGrid::OnModifyHeader();
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
    Reselect();
    RedrawAll();
}

void CGridQBase::RenderCell(int col, int row, uint32_t record, CUGCell* cell) {
    cell->SetTextColor(RowTextColor());
    cell->SetBackColor(RowBackColor(row));
    cell->SetID64(1, uint64_t{record} + 1);  // what OnSortEvaluate and RecordOfRow read
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
    const bool byText = cartera::ColumnKindOf(m_header.GetColID(col)) == cartera::ColumnKind::kText;
    const int rows = GetNumberRows();
    std::vector<SortKey> keys(static_cast<size_t>(rows));
    std::vector<std::string> texts(byText ? keys.size() : 0);  // collation keys, by row
    bool orders = true;  // every record has a key: one order a later refill can follow
    cartera::CellKey key;
    for (int r = 0; r < rows; ++r) {
        SortKey& k = keys[static_cast<size_t>(r)];
        k.row = r;
        k.set = ReadSortKey(col, RecordOfRow(r), &key);
        orders = orders && k.set;
        if (byText)
            texts[static_cast<size_t>(r)] = std::move(key.text);
        else
            k.number = key.value;
        key.text.clear();
    }
    if (byText) cartera::RankTexts(texts, &keys);
    std::stable_sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        return cartera::CompareKeys(&a, &b, byText, descending) < 0;
    });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].row;
    // The order is kept with the keys in that order, so that a refill reads only the keys
    // of what changed.
    std::vector<double> values;
    std::vector<std::string> sorted;
    keep = keep && orders;
    if (keep && byText) {
        sorted.reserve(keys.size());
        for (const SortKey& k : keys)
            sorted.push_back(std::move(texts[static_cast<size_t>(k.row)]));
    } else if (keep) {
        values.reserve(keys.size());
        for (const SortKey& k : keys) values.push_back(k.number);
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

bool CGridQBase::ReadSortKey(int col, uint32_t record, cartera::CellKey* key) {
    const int id = m_header.GetColID(col);
    if (record >= RecordCount()) return false;
    if (cartera::ColumnKindOf(id) != cartera::ColumnKind::kText)
        return RecordNumber(id, record, &key->value) && !std::isnan(key->value);
    m_scratch.ClearAll();
    RenderCell(col, 0, record, &m_scratch);
    if (!m_scratch.IsPropertySet(UGCELL_TEXT_SET)) return false;
    key->text = cartera::CollationKey(m_scratch.GetText(), cartera::CurrentLanguage());
    return true;
}

uint32_t CGridQBase::RecordOfRow(int row) const {
    if (IsOnDemand()) return GetRowRecord(row);
    const CUGCell* cell = GetNumberCols() > 0 ? PeekCell(0, row) : nullptr;
    return cell && cell->GetID64(1) != 0 ? static_cast<uint32_t>(cell->GetID64(1) - 1)
                                         : static_cast<uint32_t>(row);
}

bool CGridQBase::FollowSort(int col) {
    const std::vector<int>* order = m_sorted.Follow(
        SortState(col), RecordEdits(), static_cast<size_t>(GetNumberRows()),
        [&](uint32_t record, cartera::CellKey* key) { return ReadSortKey(col, record, key); });
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
    if (!filled) Reselect();            // a refill reselects once its rows are in
}

void CGridQBase::OnTH_LClicked(int col, int row, int updn, RECT* rect, POINT* point,
                               int processed) {
    if (updn != 0 || col < 0) return;  // a click beside the last heading sorts nothing
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
    const int col = GetSortCol();
    cartera::CellKey ka, kb;
    auto read = [&](const CUGCell* cell, cartera::CellKey* key) {
        return cell && cell->GetID64(1) != 0 &&
               ReadSortKey(col, static_cast<uint32_t>(cell->GetID64(1) - 1), key);
    };
    const bool ha = read(a, &ka), hb = read(b, &kb);
    return cartera::CompareCellKeys(
        ha ? &ka : nullptr, hb ? &kb : nullptr,
        cartera::ColumnKindOf(m_header.GetColID(col)) == cartera::ColumnKind::kText);
}

// --- Selection ------------------------------------------------------------------------------

void CGridQBase::OnSelectionMoved() {
    m_selection.clear();
    const int current = GetCurrentRow();
    for (int row : GetSelectedRows()) {
        const uint32_t record = RecordOfRow(row);
        const uint64_t id = record < RecordCount() ? RecordId(record) : kNoId;
        if (id == kNoId) continue;
        uint32_t nth = 0;
        while (nth < record && RecordId(record - nth - 1) == id) ++nth;
        m_selection.push_back({id, nth, row == current});
    }
    std::sort(m_selection.begin(), m_selection.end());
}

void CGridQBase::Reselect() {
    if (m_selection.empty()) return;
    // The records showing the remembered ones now: one walk over the records, then one over
    // the rows.
    std::vector<std::pair<uint32_t, bool>> records;  // record, current
    uint64_t previous = kNoId;
    uint32_t run = 0;
    const auto count = static_cast<uint32_t>(RecordCount());
    for (uint32_t record = 0; record < count && records.size() < m_selection.size(); ++record) {
        const uint64_t id = RecordId(record);
        run = id == previous ? run + 1 : 0;
        previous = id;
        auto it = std::lower_bound(m_selection.begin(), m_selection.end(),
                                   SelectedRecord{id, run, false});
        if (it != m_selection.end() && it->id == id && it->nth == run)
            records.emplace_back(record, it->current);
    }
    std::vector<int> rows;
    int current = -1;
    for (int row = 0; row < GetNumberRows() && rows.size() < records.size(); ++row) {
        auto it =
            std::lower_bound(records.begin(), records.end(), std::pair(RecordOfRow(row), false));
        if (it == records.end() || it->first != RecordOfRow(row)) continue;
        rows.push_back(row);
        if (it->second) current = row;
    }
    std::sort(rows.begin(), rows.end());
    // The current row alone is the selection as the grid reports it without a list.
    if (rows.size() == 1 && rows[0] == current) rows.clear();
    PlaceSelection(current, std::move(rows));
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
        const std::vector<int>& byHand = m_currencyColumns.ByHand();
        ar.WriteI32(static_cast<int32_t>(byHand.size()));
        for (int id : byHand) ar.WriteI32(id);
        ar.WriteU32(m_alternateColor);
    } else {
        int32_t words = ar.ReadI32();
        if (words > 0 && static_cast<uint64_t>(words) * 4 > ar.Remaining())
            throw CArchiveException(CArchiveException::endOfFile, "grid extension words");
        std::vector<int> byHand;
        byHand.reserve(static_cast<size_t>(std::max(words, 0)));
        for (int32_t i = 0; i < words; ++i) byHand.push_back(ar.ReadI32());
        m_alternateColor = ar.ReadU32();
        m_currencyColumns.Loaded(m_header, byHand);
    }
    OnModifyHeader();
}

int CGridQBase::String2Id_OldFormat(const std::string& caption) {
    for (int id : cartera::kOldCaptionOrder)
        if (LS(id) == caption) return id;
    return -1;
}
