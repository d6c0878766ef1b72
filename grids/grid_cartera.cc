#include "grids/grid_cartera.h"

#include <algorithm>
#include <cmath>

#include "host/dates.h"
#include "host/message_box.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace {

// PonPuntos of the magnitude with one "-" in front for a negative value.
std::string SignedAmount(double value, int decimals) {
    if (value < 0) return "-" + PonPuntos(std::fabs(value), decimals);
    return PonPuntos(value, decimals);
}

}  // namespace

CGridCartera::CGridCartera() {
    m_header.AddFromResourceId(3381, 50, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3384, 100, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3390, 50, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3382, 65, 1, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3385, 59, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3386, 55, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3387, 95, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3395, 84, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(3388, 60, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3389, 70, 0, UG_ALIGNLEFT, 0);
    m_header.AddFromResourceId(3383, 38, 0, UG_ALIGNLEFT, 0);
}

void CGridCartera::FillGrid() {
    CSistemaCartera* ledger = GetLedger();
    if (!ledger) return;
    Limpiar(0);
    for (const COrderCartera& m : ledger->GetOrders()) AddMovementRow(m);
    ApplySort();
    RedrawAll();
}

std::string CGridCartera::CellText(int columnId, const COrderCartera& m,
                                   COLORREF* textColor) const {
    int decimals = m.decimals;
    switch (columnId) {
        case 3381: {
            int letter = MovementTypeLetterId(m.type);
            return letter ? LS(letter) : std::string();
        }
        case 3382:
            return CTimeLong::FnToFc(m.date, '-');
        case 3383:
            return HnToHc(m.time);
        case 3384:
            return m.symbol;
        case 3385:
            return PonPuntos(std::to_string(m.contracts), 0);
        case 3386:
            return PonPuntos(m.price, decimals);
        case 3387:
            return PonPuntos(m.contracts * m.commission, decimals);
        case 3388:
            return PonPuntos(m.guarantee, decimals);
        case 3389:
            return PonPuntos(m.pointValue, decimals);
        case 3390:
            return m.group;
        case 3395:
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
        case 3401:
            return SignedAmount(m.balance, decimals);
        default:
            return std::string();
    }
}

void CGridCartera::AddMovementRow(const COrderCartera& m) {
    if (GetNumberCols() == 0) return;
    AppendRow();
    int row = GetNumberRows() - 1;
    SetRowTextColor(row, GetGridTextColor());
    SetRowBackColor(row);
    const auto& columns = m_header.Columns();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const CMultiHdrData::Column& column = columns[i];
        if (!column.visible) continue;
        COLORREF color = 0;
        bool colored = false;
        if (column.id == 3395) {
            color = GetGridTextColor();
            colored = true;
        }
        std::string text = CellText(column.id, m, &color);
        WriteRowCell(i, row, column.alignment, text, m.id, colored ? &color : nullptr);
    }
}

bool CGridCartera::ConfirmDelete(int row) const {
    // The question names the movement, so the user sees which one goes.
    std::string text = LS(3404);
    const COrderCartera* m = GetLedger() ? GetLedger()->GetOrden(GetRowID(row)) : nullptr;
    if (m) {
        COLORREF unused = 0;
        text += "\n\n";
        for (int id : {3381, 3382, 3384, 3385}) {
            std::string cell = CellText(id, *m, &unused);
            if (!cell.empty()) text += (text.back() == '\n' ? "" : "  ") + cell;
        }
    }
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CGridCartera::DeleteAfterAsking(int col, int row) {
    if (!ConfirmDelete(row)) return;
    CSistemaCartera* ledger = GetLedger();
    if (!ledger) return;
    ledger->DelOrder(GetRowID(row));
    // The refill leaves the cursor where it was: on the neighbour that took the row's place,
    // or on the new last row.
    int rows = GetNumberRows();
    if (rows > 0) GotoCell(std::max(col, 0), std::min(row, rows - 1));
}

void CGridCartera::DeleteMovementRow(int col, int row) {
    if (col == -1) col = GetCurrentCol();
    if (row == -1) row = GetCurrentRow();
    if (col == -1 || row == -1) return;
    DeleteAfterAsking(col, row);
}

void CGridCartera::OnKeyDown(unsigned* vcKey, int processed) {
    if (GetNumberRows() > 0 && vcKey && *vcKey == cartera::kVkDelete) {
        int row = GetCurrentRow();
        if (row >= 0 && row < GetNumberRows()) DeleteAfterAsking(GetCurrentCol(), row);
    }
    CUGCtrl::OnKeyDown(vcKey, processed);
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
