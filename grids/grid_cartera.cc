#include "grids/grid_cartera.h"

#include <algorithm>
#include <cmath>

#include "grids/column_ids.h"
#include "host/dates.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/action.h"
#include "model/sistema.h"

namespace column = cartera::column;

namespace {

// PonPuntos of the magnitude with one "-" in front for a negative value.
std::string SignedAmount(double value, int decimals) {
    if (value < 0) return "-" + PonPuntos(std::fabs(value), decimals);
    return PonPuntos(value, decimals);
}

// What an action's row shows in place of contracts: its ratio, new for old ("4:1"), and the
// security its lots go to ("\u2192 NEW"); a stock dividend of a number of shares, the shares.
std::string ActionTermsText(const COrderCartera& m) {
    cartera::ActionTerms terms;
    if ((m.type == kStockDividend && m.contracts > 0) || !cartera::ParseTerms(m.terms, &terms))
        return QuantityText(m.contracts);
    std::string text;
    if (cartera::TakesRatio(m.type))
        text = QuantityText(terms.ratioNew) + ":" + QuantityText(terms.ratioOld);
    if (cartera::TakesNewCode(m.type) && !terms.newCode.empty())
        text += (text.empty() ? "\u2192 " : " \u2192 ") + terms.newCode;
    return text;
}

}  // namespace

CGridCartera::CGridCartera() {
    m_header.AddFromResourceId(column::kType, 50, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kSymbol, 100, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kGroup, 50, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kDate, 65, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kContracts, 59, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(column::kPrice, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(column::kCommissions, 95, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(column::kTotal, 84, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(column::kGuarantee, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kPointValue, 70, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(column::kTime, 38, 0, UG_ALIGNLEFT, 0);
    cartera::AddMovementCurrencyColumns(m_header);
    m_currencyColumns = cartera::AutoColumns({column::kCurrency, column::kRate}, m_header);
}

bool CGridCartera::ShowsOtherCurrency() const {
    return GetLedger() && cartera::HoldsOtherCurrency(*GetLedger());
}

size_t CGridCartera::RecordCount() const {
    return GetLedger() && GetNumberCols() > 0 ? GetLedger()->GetOrders().size() : 0;
}

std::string CGridCartera::CellText(int columnId, const COrderCartera& m,
                                   COLORREF* textColor) const {
    int decimals = m.decimals;
    switch (columnId) {
        case cartera::column::kType: {
            int letter = MovementTypeLetterId(m.type);
            return letter ? LS(letter) : std::string();
        }
        case cartera::column::kDate:
            return cartera::DateText(m.date);
        case cartera::column::kTime:
            return HnToHc(m.time);
        case cartera::column::kSymbol:
            return m.symbol;
        case cartera::column::kContracts:
            return m.IsAction() ? ActionTermsText(m) : QuantityText(m.contracts);
        case cartera::column::kPrice:
            return PriceText(m.price, decimals);
        case cartera::column::kCommissions:
            return PonPuntos(m.contracts.ToDouble() * m.commission, decimals);
        case cartera::column::kGuarantee:
            return PonPuntos(m.guarantee, decimals);
        case cartera::column::kPointValue:
            return PonPuntos(m.pointValue, decimals);
        case cartera::column::kGroup:
            return m.group;
        case cartera::column::kTotal:
            switch (m.type) {
                case kBuy:
                case kExpense:
                case kRefund:
                    *textColor = GetDebitColor();
                    break;
                case kDividend:
                case kImposition:
                case kDeposit:
                case kSell:
                    *textColor = GetGridTextColor();
                    break;
                default:
                    break;
            }
            return SignedAmount(MovementTotal(m), decimals);
        case cartera::column::kBalance:
            return SignedAmount(m.balance, decimals);
        default: {
            std::string text;
            const std::string portfolio = GetLedger() ? GetLedger()->GetCurrency() : "";
            cartera::MovementCurrencyText(columnId, m, portfolio, &text);
            return text;
        }
    }
}

const cartera::EditLog* CGridCartera::RecordEdits() const {
    return GetLedger() ? &GetLedger()->GetOrderEdits() : nullptr;
}

bool CGridCartera::RecordNumber(int columnId, uint32_t record, double* value) const {
    const COrderCartera& m = GetLedger()->GetOrders()[record];
    switch (columnId) {
        case column::kDate:
            *value = m.date;
            return true;
        case column::kContracts:  // an action's terms are no number: it sorts first
            *value = m.contracts.ToDouble();
            return !m.IsAction();
        case column::kPrice:
            *value = m.price;
            return true;
        case column::kCommissions:
            *value = m.contracts.ToDouble() * m.commission;
            return true;
        case column::kGuarantee:
            *value = m.guarantee;
            return true;
        case column::kPointValue:
            *value = m.pointValue;
            return true;
        case column::kTotal:
            *value = MovementTotal(m);
            return true;
        default:
            return cartera::MovementCurrencyNumber(columnId, m, value);
    }
}

uint64_t CGridCartera::RecordId(uint32_t record) const {
    return GetLedger()->GetOrders()[record].id;
}

void CGridCartera::RenderRecordCell(const CMultiHdrData::Column& column, uint32_t record,
                                    CUGCell* cell) const {
    const COrderCartera& m = GetLedger()->GetOrders()[record];
    COLORREF color = GetGridTextColor();
    cell->SetAlignment(column.alignment);
    cell->SetText(CellText(column.id, m, &color));
    cell->SetID64(0, m.id);
    if (column.id == column::kTotal) cell->SetTextColor(color);
}

bool CGridCartera::ConfirmDelete(int row) const {
    // The question names the movement, so the user sees which one goes.
    std::string text = LS(3404);
    const COrderCartera* m = GetLedger() ? GetLedger()->GetOrden(GetRowID(row)) : nullptr;
    if (m) {
        COLORREF unused = 0;
        text += "\n\n";
        for (int id : {column::kType, column::kDate, column::kSymbol, column::kContracts}) {
            std::string cell = CellText(id, *m, &unused);
            if (!cell.empty()) text += (text.back() == '\n' ? "" : "  ") + cell;
        }
    }
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CGridCartera::DeleteAfterAsking(int row) {
    CSistemaCartera* ledger = GetLedger();
    std::vector<int> selected = GetSelectedRows();
    if (ledger && selected.size() > 1 &&
        std::find(selected.begin(), selected.end(), row) != selected.end()) {
        // The selection goes as one change, after one question naming how many.
        constexpr int kDeleteSelected = 43010;  // "Delete the %1 selected movements?"
        std::string text =
            cartera::FillText(LS(kDeleteSelected), {std::to_string(selected.size())});
        if (AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        std::vector<uint64_t> ids;
        ids.reserve(selected.size());
        for (int r : selected) ids.push_back(GetRowID(r));
        ledger->DelOrders(ids);
    } else {
        if (!ConfirmDelete(row) || !ledger) return;
        ledger->DelOrder(GetRowID(row));
    }
    // The refill selects nothing in place of what went, so a second Delete asks about a row
    // the user picks.
}

void CGridCartera::DeleteMovementRow(int col, int row) {
    if (col == -1) col = GetCurrentCol();
    if (row == -1) row = GetCurrentRow();
    if (col == -1 || row == -1) return;
    DeleteAfterAsking(row);
}

void CGridCartera::OnKeyDown(unsigned* vcKey, int processed) {
    if (GetNumberRows() > 0 && vcKey && *vcKey == cartera::kVkDelete) {
        int row = GetCurrentRow();
        if (row >= 0 && row < GetNumberRows()) DeleteAfterAsking(row);
    }
    // The host grid's own handling, as the movements grid has always passed the key on.
    CUGCtrl::OnKeyDown(vcKey, processed);  // NOLINT(bugprone-parent-virtual-call)
}

void CGridCartera::OnMenuCommand(int col, int row, int section, int item) {
    if (GetView()) GetView()->InvalidateView();
    if (item == cartera::kMenuModify) {
        if (GetView()) GetView()->OnModificar(GetRowID(row));
    } else if (item == cartera::kMenuDelete) {
        DeleteMovementRow(col, row);
    } else {
        CGridQBase::OnMenuCommand(col, row, section, item);
    }
}
