#pragma once
// A grid's contents as CSV (text/csv.h writes the records).
#include <iosfwd>

class CUGCtrl;

namespace cartera {

// What the grid shows: the visible columns in grid order (spacer columns of 2 pixels or
// less left out), the heading texts as a first record unless the grid has no headings,
// then every row but the separator rows (2 pixels or less). Cells of a table grid's number
// columns are written as plain decimals with a point, as many decimals as shown and a
// leading "-" for negative values; every other cell as shown.
void ExportGridCsv(const CUGCtrl& grid, std::ostream& out);

}  // namespace cartera
