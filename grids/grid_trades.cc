#include "grids/grid_trades.h"

#include "grids/column_ids.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace cartera {

std::string TradeCellText(int columnId, const CNegocioC& t, bool withType, bool* debit) {
    int decimals = t.decimals;
    switch (columnId) {
        case column::kType:
            if (!withType) return std::string();
            return ::LS(t.isLong != 0 ? 3417 : 3418);  // "B", "S"
        case column::kEntryDate:
            return DateText(t.entryDate);
        case column::kExitDate:
            return DateText(t.exitDate);
        case column::kEntryTime:
            return HnToHc(t.entryTime);
        case column::kExitTime:
            return HnToHc(t.exitTime);
        case column::kTradeSymbol:
            return t.symbol;
        case column::kTradeContracts:
            return QuantityText(t.contracts);
        case column::kEntryPrice:
            return PriceText(t.entryPrice, decimals);
        case column::kExitPrice:
            return PriceText(t.exitPrice, decimals);
        case column::kTradeCommission:
            return PonPuntos(TradeCommission(t), decimals);
        case column::kEntryTotal:
            return PonPuntos(TradeEntryTotal(t), decimals);
        case column::kExitTotal:
            return PonPuntos(TradeExitTotal(t), decimals);
        case column::kProfit:
            if (t.profit < 0) *debit = true;
            return PonPuntos(t.profit, decimals);
        case column::kPercentage:
            if (t.percentage < 0) *debit = true;
            return PonPuntos(t.percentage, decimals);
        case column::kTradePointValue:
            return PonPuntos(t.pointValue, decimals);
        case column::kTradeGroup:
            return t.entryGroup;
        default:
            return std::string();
    }
}

bool TradeNumber(int columnId, const CNegocioC& t, double* value) {
    switch (columnId) {
        case column::kEntryDate:
            *value = t.entryDate;
            return true;
        case column::kExitDate:
            *value = t.exitDate;
            return true;
        case column::kTradeContracts:
            *value = t.contracts.ToDouble();
            return true;
        case column::kEntryPrice:
            *value = t.entryPrice;
            return true;
        case column::kExitPrice:
            *value = t.exitPrice;
            return true;
        case column::kTradeCommission:
            *value = TradeCommission(t);
            return true;
        case column::kEntryTotal:
            *value = TradeEntryTotal(t);
            return true;
        case column::kExitTotal:
            *value = TradeExitTotal(t);
            return true;
        case column::kProfit:
            *value = t.profit;
            return true;
        case column::kPercentage:
            *value = t.percentage;
            return true;
        case column::kTradePointValue:
            *value = t.pointValue;
            return true;
        default:
            return false;
    }
}

namespace {

// The headings of the two trade grids, in their order: width, shown at first, and the
// alignment in the open and in the closed grid (-1: not in that grid).
struct TradeHeading {
    int id, width, visible, openAlign, closedAlign;
};
constexpr int L = UG_ALIGNLEFT, R = UG_ALIGNRIGHT;
constexpr TradeHeading kTradeHeadings[] = {
    {column::kType, 50, 1, L, -1},           {column::kTradeSymbol, 100, 1, L, L},
    {column::kTradeGroup, 50, 0, L, L},      {column::kEntryDate, 65, 1, L, L},
    {column::kTradeContracts, 59, 1, R, R},  {column::kEntryPrice, 55, 1, R, R},
    {column::kExitPrice, 55, 1, R, R},       {column::kTradeCommission, 95, 1, R, R},
    {column::kProfit, 60, 1, R, R},          {column::kPercentage, 40, 1, R, R},
    {column::kExitDate, 60, 0, L, L},        {column::kExitTotal, 60, 0, L, L},
    {column::kEntryTotal, 60, 0, -1, L},     {column::kWarranty, 60, 0, R, L},
    {column::kTradePointValue, 60, 0, R, L}, {column::kExitTime, 60, 0, L, L},
    {column::kEntryTime, 60, 0, L, L}};

}  // namespace

// Adds the open (or the closed) trades grid's headings to header.
static void AddTradeHeadings(CMultiHdrData& header, bool open) {
    for (const TradeHeading& h : kTradeHeadings) {
        int align = open ? h.openAlign : h.closedAlign;
        if (align >= 0) header.AddFromResourceId(h.id, h.width, h.visible, align, 0);
    }
    AddTradeCurrencyColumns(header);
}

static AutoColumns TradeCurrencyColumns(const CMultiHdrData& header) {
    return AutoColumns({column::kCurrency, column::kBaseProfit, column::kPricePart,
                        column::kExchangePart, column::kEntryRate, column::kExitRate},
                       header);
}

// What a trade grid shows of t in a column, the currency columns with the rest.
static std::string TradeText(int columnId, const CNegocioC& t, bool withType,
                             const std::string& portfolio, bool* debit) {
    std::string text;
    if (TradeCurrencyText(columnId, t, portfolio, &text, debit)) return text;
    return TradeCellText(columnId, t, withType, debit);
}

static bool TradeValue(int columnId, const CNegocioC& t, double* value) {
    return TradeCurrencyNumber(columnId, t, value) || TradeNumber(columnId, t, value);
}

}  // namespace cartera

// --- Open trades ------------------------------------------------------------------------------

CGridOpAbiertas::CGridOpAbiertas() {
    SetGridBackColor(RGB(228, 243, 236));
    SetAlternateRowColor(RGB(232, 255, 232));
    cartera::AddTradeHeadings(m_header, true);
    m_currencyColumns = cartera::TradeCurrencyColumns(m_header);
}

bool CGridOpAbiertas::ShowsOtherCurrency() const {
    return GetLedger() &&
           cartera::HoldsOtherCurrency(GetLedger()->GetOpenTrades(), GetLedger()->GetCurrency());
}

void CGridOpAbiertas::FillGrid() {
    m_rowIndexValid = false;
    CGridQBase::FillGrid();
}

size_t CGridOpAbiertas::RecordCount() const {
    return GetLedger() ? GetLedger()->GetOpenTrades().size() : 0;
}

const cartera::EditLog* CGridOpAbiertas::RecordEdits() const {
    return GetLedger() ? &GetLedger()->GetOpenTrades().Edits() : nullptr;
}

void CGridOpAbiertas::RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                                       CUGCell* cell) const {
    RenderTrade(column, GetLedger()->GetOpenTrades()[record], cell);
}

bool CGridOpAbiertas::RecordNumber(int columnId, uint32_t record, double* value) const {
    return cartera::TradeValue(columnId, GetLedger()->GetOpenTrades()[record], value);
}

uint64_t CGridOpAbiertas::RecordId(uint32_t record) const {
    return GetLedger()->GetOpenTrades()[record].id;
}

namespace {

constexpr COLORREF kMutedColor = RGB(128, 128, 128);
constexpr int kNoPriceTip = 43020;  // "no market price yet"

// The columns an open trade's market price makes.
bool ValuedByMarket(int columnId) {
    using namespace cartera::column;
    return columnId == kExitDate || columnId == kExitTime || columnId == kExitPrice ||
           columnId == kExitTotal || columnId == kProfit || columnId == kPercentage ||
           columnId == kBaseProfit || columnId == kPricePart || columnId == kExchangePart;
}

bool HasMarketPrice(const CNegocioC& t) {
    double last = 0;
    return CMarketService::Current() &&
           CMarketService::Current()->LastPrice(t.quoteCode.str(), &last);
}

}  // namespace

void CGridOpAbiertas::RenderTrade(const CMultiHdrData::Column& column, const CNegocioC& t,
                                  CUGCell* cell) const {
    bool debit = false;
    cell->SetAlignment(column.alignment);
    cell->SetText(cartera::TradeText(column.id, t, true, GetLedger()->GetCurrency(), &debit));
    cell->SetID64(0, t.id);
    if (ValuedByMarket(column.id) && !HasMarketPrice(t))
        cell->SetTextColor(kMutedColor);
    else if (debit)
        cell->SetTextColor(GetDebitColor());
}

std::string CGridOpAbiertas::CellTip(int col, int row) const {
    const CSistemaCartera* ledger = GetLedger();
    if (!ledger || col < 0 || col >= GetNumberCols() || row < 0 || row >= GetNumberRows() ||
        !ValuedByMarket(m_header.GetColID(col)))
        return {};
    uint64_t id = GetRowID(row);
    for (const CNegocioC& t : ledger->GetOpenTrades())
        if (t.id == id) return HasMarketPrice(t) ? std::string() : LS(kNoPriceTip);
    return {};
}

void CGridOpAbiertas::SetTradeRow(const CNegocioC& t, int row) {
    if (IsOnDemand()) return;
    if (row < 0 || row >= GetNumberRows()) {
        AppendRow();
        row = GetNumberRows() - 1;
        // A new last row cannot be anyone's first row unless its id is new.
        if (m_rowIndexValid && m_rowIndexRows == row) {
            m_rowOfId.emplace(t.id, row);
            m_rowIndexRows = row + 1;
        } else {
            m_rowIndexValid = false;
        }
    } else if (GetRowID(row) != t.id) {
        m_rowIndexValid = false;  // the row changes hands
    }
    SetRowTextColor(row, cartera::kGridTextColor);
    SetRowBackColor(row);
    const auto& columns = m_header.Columns();
    CUGCell cell;
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        if (!columns[i].visible || GetCell(i, row, &cell) != UG_SUCCESS) continue;
        RenderTrade(columns[i], t, &cell);
        SetCell(i, row, &cell);
    }
}

void CGridOpAbiertas::RebuildRowIndex() {
    m_rowOfId.clear();
    int rows = GetNumberRows();
    m_rowOfId.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) m_rowOfId.emplace(GetRowID(row), row);
    m_rowIndexValid = true;
    m_rowIndexRows = rows;
}

int CGridOpAbiertas::FindTradeRow(uint64_t id) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_rowIndexValid || m_rowIndexRows != GetNumberRows()) RebuildRowIndex();
        auto it = m_rowOfId.find(id);
        if (it == m_rowOfId.end()) return -1;
        if (GetRowID(it->second) == id) return it->second;
        m_rowIndexValid = false;
    }
    return -1;
}

void CGridOpAbiertas::UpdateTradeRow(const CNegocioC& t) {
    int row = FindTradeRow(t.id);
    if (row < 0) return;
    SetTradeRow(t, row);
    RedrawRow(row);
}

void CGridOpAbiertas::ApplySort() {
    CGridQBase::ApplySort();
    m_rowIndexValid = false;
}

int CGridOpAbiertas::OnMenuStart(int col, int row, int section) {
    CGridQBase::OnMenuStart(col, row, section);
    RemoveMenuItem(cartera::kMenuModify);
    RemoveMenuItem(cartera::kMenuDelete);
    return 1;
}

// --- Closed trades ----------------------------------------------------------------------------

CGridOpCerradas::CGridOpCerradas() {
    SetGridBackColor(RGB(222, 231, 237));
    SetAlternateRowColor(RGB(242, 243, 247));
    cartera::AddTradeHeadings(m_header, false);
    m_currencyColumns = cartera::TradeCurrencyColumns(m_header);
}

bool CGridOpCerradas::ShowsOtherCurrency() const {
    return GetLedger() &&
           cartera::HoldsOtherCurrency(GetLedger()->GetClosedTrades(), GetLedger()->GetCurrency());
}

size_t CGridOpCerradas::RecordCount() const {
    return GetLedger() ? GetLedger()->GetClosedTrades().size() : 0;
}

const cartera::EditLog* CGridOpCerradas::RecordEdits() const {
    return GetLedger() ? &GetLedger()->GetClosedTrades().Edits() : nullptr;
}

void CGridOpCerradas::RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                                       CUGCell* cell) const {
    const CNegocioC& t = GetLedger()->GetClosedTrades()[record];
    bool debit = false;
    cell->SetAlignment(column.alignment);
    cell->SetText(cartera::TradeText(column.id, t, false, GetLedger()->GetCurrency(), &debit));
    cell->SetID64(0, t.id);
    if (debit) cell->SetTextColor(GetDebitColor());
}

bool CGridOpCerradas::RecordNumber(int columnId, uint32_t record, double* value) const {
    return cartera::TradeValue(columnId, GetLedger()->GetClosedTrades()[record], value);
}

uint64_t CGridOpCerradas::RecordId(uint32_t record) const {
    return GetLedger()->GetClosedTrades()[record].id;
}

int CGridOpCerradas::OnMenuStart(int col, int row, int section) {
    CGridQBase::OnMenuStart(col, row, section);
    RemoveMenuItem(cartera::kMenuModify);
    RemoveMenuItem(cartera::kMenuDelete);
    return 1;
}
