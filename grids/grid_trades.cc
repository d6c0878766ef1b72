#include "grids/grid_trades.h"

#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace cartera {

std::string TradeCellText(int columnId, const CNegocioC& t, bool withType, bool* debit) {
    int decimals = t.decimals;
    switch (columnId) {
        case 3381:
            if (!withType) return std::string();
            return ::LS(t.isLong != 0 ? 3417 : 3418);
        case 3424:
            return CTimeLong::FnToFc(t.entryDate, ' ');
        case 3425:
            return CTimeLong::FnToFcS(t.exitDate, ' ');
        case 3426:
            return HnToHc(t.entryTime);
        case 3427:
            return HnToHc(t.exitTime);
        case 3428:
            return t.symbol;
        case 3429:
            return PonPuntos(std::to_string(t.contracts), 0);
        case 3430:
            return PonPuntos(t.entryPrice, decimals);
        case 3431:
            return PonPuntos(t.exitPrice, decimals);
        case 3432:
            return PonPuntos(TradeCommission(t), decimals);
        case 3433:
            return PonPuntos(TradeEntryTotal(t), decimals);
        case 3434:
            return PonPuntos(TradeExitTotal(t), decimals);
        case 3435:
            if (t.profit < 0) *debit = true;
            return PonPuntos(t.profit, decimals);
        case 3436:
            if (t.percentage < 0) *debit = true;
            return PonPuntos(t.percentage, decimals);
        case 3438:
            return PonPuntos(t.pointValue, decimals);
        case 3439:
            return t.entryGroup;
        default:
            return std::string();
    }
}

}  // namespace cartera

// --- Open trades ------------------------------------------------------------------------------

CGridOpAbiertas::CGridOpAbiertas() {
    SetGridBackColor(RGB(228, 243, 236));
    SetAlternateRowColor(RGB(232, 255, 232));
    m_header.AddFromResourceId(3381, 50, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3428, 100, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3439, 50, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3424, 65, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3429, 59, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3430, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3431, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3432, 95, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3435, 60, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3436, 40, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3425, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3434, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3437, 60, 0, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3438, 60, 0, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3427, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3426, 60, 0, UG_ALIGNLEFT, 0);
}

void CGridOpAbiertas::FillGrid() {
    CSistemaCartera* ledger = GetLedger();
    if (!ledger) return;
    Limpiar(0);
    m_rowIndexValid = false;
    for (const CNegocioC& t : ledger->GetOpenTrades()) SetTradeRow(t, -1);
    ApplySort();
    RedrawAll();
}

void CGridOpAbiertas::SetTradeRow(const CNegocioC& t, int row) {
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
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const CMultiHdrData::Column& column = columns[i];
        if (!column.visible) continue;
        bool debit = false;
        std::string text = cartera::TradeCellText(column.id, t, true, &debit);
        COLORREF red = GetDebitColor();
        WriteRowCell(i, row, column.alignment, text, t.id, debit ? &red : nullptr);
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
    m_header.AddFromResourceId(3428, 100, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3439, 50, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3424, 65, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3429, 59, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3430, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3431, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3432, 95, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3435, 60, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3436, 40, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3425, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3434, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3433, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3437, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3438, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3427, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3426, 60, 0, UG_ALIGNLEFT, 0);
}

void CGridOpCerradas::FillGrid() {
    CSistemaCartera* ledger = GetLedger();
    if (!ledger) return;
    Limpiar(0);
    for (const CNegocioC& t : ledger->GetClosedTrades()) AddTradeRow(t);
    ApplySort();
    RedrawAll();
}

void CGridOpCerradas::AddTradeRow(const CNegocioC& t) {
    AppendRow();
    int row = GetNumberRows() - 1;
    SetRowBackColor(row);
    SetRowTextColor(row, cartera::kGridTextColor);
    const auto& columns = m_header.Columns();
    for (const CMultiHdrData::Column& column : columns) {
        if (!column.visible) continue;
        int position = m_header.GetPosition(column.id);
        bool debit = false;
        std::string text = cartera::TradeCellText(column.id, t, false, &debit);
        COLORREF red = GetDebitColor();
        WriteRowCell(position, row, column.alignment, text, t.id, debit ? &red : nullptr);
    }
}

int CGridOpCerradas::OnMenuStart(int col, int row, int section) {
    CGridQBase::OnMenuStart(col, row, section);
    RemoveMenuItem(cartera::kMenuModify);
    RemoveMenuItem(cartera::kMenuDelete);
    return 1;
}
