#include "grids/grid_comision.h"

#include "grids/number_text.h"
#include "text/number.h"

namespace {

constexpr int kFrom = 3410;
constexpr int kTo = 3411;
constexpr int kRoyalty = 3414;

double* Field(stComision& r, int id) {
    switch (id) {
        case kFrom:
            return &r.from;
        case kTo:
            return &r.to;
        case kRoyalty:
            return &r.royalty;
        default:
            return nullptr;
    }
}

double Value(const stComision& r, int id) {
    switch (id) {
        case kFrom:
            return r.from;
        case kTo:
            return r.to;
        case kRoyalty:
            return r.royalty;
        default:
            return 0.0;
    }
}

}  // namespace

CGridComision::CGridComision() {
    m_header.AddFromResourceId(kFrom, 75, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(kTo, 82, 1, UG_ALIGNRIGHT, 0);
    m_header.AddFromResourceId(kRoyalty, 55, 1, UG_ALIGNRIGHT, 0);
}

void CGridComision::OnStart() {
    CBaseGrid::OnStart();
    EnableExcelBorders(0);
    SetMultiSelectMode(0);
    SetSH_Width(0);
    SetDefRowHeight(15);
    SetVScrollMode(1);
    SetHScrollMode(0);
    OnModifyHeader();
}

void CGridComision::AddBracketRow(const stComision& bracket) {
    AppendRow();
    int row = GetNumberRows() - 1;
    for (int col = 0; col < m_header.GetCount(); ++col) {
        int id = m_header.GetColID(col);
        CUGCell cell;
        if (GetCell(col, row, &cell) != UG_SUCCESS) continue;
        cell.SetAlignment(m_header.GetAlignment(id));
        cell.SetText(cartera::FixedText(Value(bracket, id), 2));
        SetCell(col, row, &cell);
    }
    RedrawRow(row);
}

void CGridComision::ReadBracketRows(CArrayComisiones& out) const {
    for (int row = 0; row < GetNumberRows(); ++row) {
        stComision record;
        for (int col = 0; col < m_header.GetCount(); ++col) {
            double* field = Field(record, m_header.GetColID(col));
            if (field) *field = cartera::ReadNumberPrefix(QuickGetText(col, row));
        }
        out.push_back(record);
    }
}

void CGridComision::RemoveCurrentRow() {
    int row = GetCurrentRow();
    if (row >= 0 && row < GetNumberRows()) {
        DeleteRow(row);
        if (row >= GetNumberRows()) --row;
        if (row >= 0) SelectRow(row);
    }
    RedrawAll();
}
