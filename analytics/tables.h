#pragma once
// The statistics as tables of typed cells, one shape for every front end: the command line
// prints them as text, JSON or CSV, the workstation shows them in its grids. The column names
// are the JSON field names.
#include <cstdint>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "analytics/report.h"
#include "host/quantity.h"

namespace cartera::analytics {

// Empty (no figure), a text, an amount or a count.
using Cell = std::variant<std::monostate, std::string, double, int64_t, Quantity>;
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
};

Table StatsTable(const Stats& s);  // one row
Table EquityTable(const std::vector<EquityPoint>& curve);
Table CalendarTable(const std::vector<CalendarEntry>& entries);  // period YYYY, YYYY-MM or date
Table TaxTradesTable(const TaxReport& r);
Table TaxTotalsTable(const TaxReport& r);  // one row
Table CashTable(const std::vector<CashLine>& lines);
Table BreakdownTable(const std::vector<BreakdownRow>& rows, const std::string& keyColumn);

// A cell as CSV and JSON take it: numbers as the shortest exact plain decimals (never an
// exponent), nothing as "".
std::string ExactCellText(const Cell& c);
// The headings and every row, CSV-quoted, lines ending in CRLF.
void WriteCsv(std::ostream& out, const Table& t);

}  // namespace cartera::analytics
