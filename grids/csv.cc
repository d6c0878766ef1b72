#include "grids/csv.h"

#include <ostream>

#include "grids/grid_qbase.h"
#include "grids/number_text.h"
#include "host/dates.h"
#include "host/grid/table_grid.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "text/csv.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera {
namespace {

// A grid number cell as a plain decimal with the decimals shown; the text as it is when
// it does not read as a number.
std::string PlainNumber(const std::string& shown) {
    double value = 0;
    if (shown.empty() || !ParseNumberInLanguage(shown, &value)) return shown;
    std::string decimal = GetSepDecimal();
    size_t at = shown.rfind(decimal);
    int decimals = at == std::string::npos ? 0 : static_cast<int>(shown.size() - at - 1);
    // A price shows as many decimals as its stored value needs, which may be more than 15.
    return decimals > 15 ? FullNumberText(value) : FixedText(value, decimals);
}

// Whether a plain decimal is a number other than zero.
bool ParsesAsNonZero(const std::string& plain) {
    return plain.find_first_of("123456789") != std::string::npos;
}

// A cell as the export writes it: numbers as plain decimals, a debit (shown in the debit
// colour) negative so a spreadsheet sums a column as the ledger does, dates in ISO 8601
// so they sort as text; other texts as shown.
std::string CsvCellText(const CUGCtrl& grid, int col, int row, ColumnKind kind) {
    std::string text = grid.QuickGetText(col, row);
    const CUGCell* cell = grid.PeekCell(col, row);
    if (int32_t date = 0; kind == ColumnKind::kDate && ParseDateText(text, &date))
        return IsoDate(date);
    // A right-aligned text is an amount of a grid without number columns (the valuation).
    if (kind == ColumnKind::kText && !(cell && (cell->GetAlignment() & UG_ALIGNRIGHT))) return text;
    bool debit = kind == ColumnKind::kNumber && cell && cell->IsPropertySet(UGCELL_TEXTCOLOR_SET) &&
                 cell->GetTextColor() == kDebitColor;
    text = PlainNumber(text);
    if (debit && !text.empty() && text[0] == '-')
        text.erase(0, 1);
    else if (debit && ParsesAsNonZero(text))
        text.insert(0, 1, '-');
    return text;
}

}  // namespace

void ExportGridCsv(const CUGCtrl& grid, std::ostream& out) {
    const auto* table = dynamic_cast<const CBaseGrid*>(&grid);
    std::vector<int> cols;
    std::vector<ColumnKind> kinds;
    for (int col = 0; col < grid.GetNumberCols(); ++col) {
        if (grid.IsColHidden(col) || grid.GetColWidth(col) <= 2) continue;
        cols.push_back(col);
        int id = table ? table->GetHeader().GetColID(col) : -1;
        kinds.push_back(table ? ColumnKindOf(id) : ColumnKind::kText);
    }
    std::vector<std::string> fields;
    if (grid.GetTH_Height() > 0) {
        for (int col : cols) {
            // A table grid's heading in today's language, whatever it showed when built.
            std::string heading = table ? ::LS(table->GetHeader().GetColID(col)) : "";
            fields.push_back(heading.empty() ? grid.QuickGetText(col, -1) : heading);
        }
        WriteCsvRecord(out, fields);
    }
    for (int row = 0; row < grid.GetNumberRows(); ++row) {
        if (grid.GetRowHeight(row) <= 2) continue;
        fields.clear();
        for (size_t i = 0; i < cols.size(); ++i) {
            fields.push_back(CsvCellText(grid, cols[i], row, kinds[i]));
        }
        WriteCsvRecord(out, fields);
    }
}

}  // namespace cartera
