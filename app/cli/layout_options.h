#pragma once
// --sort and --columns: what a user does to a list grid's columns with the mouse, from the
// command line. Columns are named by their heading in the interface language (any case) or
// by their column id (the number of the heading's text, e.g. 3386 for Price).
#include <string>

#include "app/cli/options.h"

class CBaseGrid;
class CGridQBase;

namespace cartera::cli {

struct LayoutArgs {
    TextOption sort;     // the column to sort by
    bool desc = false;   // sort descending
    TextOption columns;  // a full list "A,B,C" or changes "+A,-B"
    bool Given() const { return sort.Given() || columns.Given() || desc; }
};

// Registers --sort, --desc and --columns on sub.
void AddLayoutOptions(CLI::App* sub, LayoutArgs& a);

// The column id of name in the grid's header; a usage error listing the grid's headings when
// no column has it.
int FindColumn(const CBaseGrid& grid, const std::string& name);

// Shows and hides columns as the grid's Columns menu would. "+A,-B" shows A and hides B, in
// that order; a plain list "A,B,C" shows exactly those columns, in that order, before the
// hidden ones. Usage errors for an unknown or repeated column, a mixed or empty list, or
// hiding the last visible column.
void ApplyColumns(CBaseGrid& grid, const std::string& text);

// Sorts by the column as clicks on its heading do: one click, and a second when the first
// left the other direction. A usage error when the column is hidden.
void SortByColumn(CGridQBase& grid, int columnId, bool descending);

// --columns, then --sort (the column may have just been shown). --desc without --sort is a
// usage error.
void ApplyLayout(CGridQBase& grid, const LayoutArgs& a);

}  // namespace cartera::cli
