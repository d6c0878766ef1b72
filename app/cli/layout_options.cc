#include "app/cli/layout_options.h"

#include <algorithm>
#include <vector>

#include "grids/grid_qbase.h"
#include "host/strings.h"
#include "text/number.h"

namespace cartera::cli {
namespace {

// Lower case for ASCII and for the Latin-1 letters of the interface languages (two-byte
// UTF-8 sequences starting with C3), which is all the headings use.
std::string Folded(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < out.size()) {
            unsigned char next = static_cast<unsigned char>(out[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                out[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        }
    }
    return out;
}

std::string Headings(const CBaseGrid& grid) {
    std::string list;
    for (const auto& column : grid.GetHeader().Columns()) {
        if (!list.empty()) list += ", ";
        list += ::LS(column.id);
    }
    return list;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        items.push_back(std::string(Trim(text.substr(start, comma - start))));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

void ShowColumn(CBaseGrid& grid, int id, bool visible) {
    const CMultiHdrData& header = grid.GetHeader();
    if ((header.GetVisible(id) != 0) == visible) return;
    if (!visible && header.GetVisibleCount() == 1)
        FailUsage("--columns cannot hide " + ::LS(id) + ", the last visible column");
    grid.ShowHeaderColumn(id, visible ? 1 : 0);
}

void ApplyList(CBaseGrid& grid, const std::vector<std::string>& names) {
    std::vector<int> ids;
    for (const auto& name : names) {
        int id = FindColumn(grid, name);
        if (std::find(ids.begin(), ids.end(), id) != ids.end())
            FailUsage("--columns names " + ::LS(id) + " twice");
        ids.push_back(id);
    }
    // Show first, so hiding the others never meets an all-hidden grid.
    for (int id : ids) ShowColumn(grid, id, true);
    std::vector<CMultiHdrData::Column> columns = grid.GetHeader().Columns();
    for (const auto& column : columns)
        if (std::find(ids.begin(), ids.end(), column.id) == ids.end())
            ShowColumn(grid, column.id, false);
    for (int i = 0; i < static_cast<int>(ids.size()); ++i) {
        int from = grid.GetHeader().GetPosition(ids[i]);
        if (from != i) grid.MoveHeaderColumn(from, i);
    }
}

void ClickHeading(CGridQBase& grid, int col) {
    grid.OnTH_LClicked(col, -1, 1, nullptr, nullptr, 0);  // press
    grid.OnTH_LClicked(col, -1, 0, nullptr, nullptr, 0);  // release
}

}  // namespace

void AddLayoutOptions(CLI::App* sub, LayoutArgs& a) {
    AddText(sub, "--sort", a.sort,
            "sort by this column, as a click on its heading does: its heading (any case) or "
            "its column id");
    sub->add_flag("--desc", a.desc, "sort descending (with --sort; ascending by default)");
    AddText(sub, "--columns", a.columns,
            "show and hide columns: '+Time,-Group' shows Time and hides Group; a plain list "
            "'Type,Symbol,Date,Total' shows exactly those, in that order");
}

int FindColumn(const CBaseGrid& grid, const std::string& name) {
    const CMultiHdrData& header = grid.GetHeader();
    std::string wanted = Folded(std::string(Trim(name)));
    for (const auto& column : header.Columns())
        if (Folded(::LS(column.id)) == wanted) return column.id;
    int32_t id = 0;
    if (ParseWholeNumber(name, &id) && header.GetPosition(id) >= 0) return id;
    FailUsage("no column '" + name + "' in this grid; its columns are " + Headings(grid));
}

void ApplyColumns(CBaseGrid& grid, const std::string& text) {
    std::vector<std::string> items = Split(text);
    size_t changes = std::count_if(items.begin(), items.end(), [](const std::string& item) {
        return !item.empty() && (item.front() == '+' || item.front() == '-');
    });
    for (const auto& item : items)
        if (item.empty() || item == "+" || item == "-")
            FailUsage("--columns needs a column name between the commas, not '" + text + "'");
    if (changes == 0) return ApplyList(grid, items);
    if (changes != items.size())
        FailUsage("--columns takes either a list of columns or +COLUMN/-COLUMN changes, not '" +
                  text + "'");
    for (const auto& item : items)
        ShowColumn(grid, FindColumn(grid, item.substr(1)), item.front() == '+');
}

void SortByColumn(CGridQBase& grid, int columnId, bool descending) {
    if (!grid.GetHeader().GetVisible(columnId))
        FailUsage("--sort: " + ::LS(columnId) + " is hidden (show it with --columns +" +
                  ::LS(columnId) + ")");
    int col = grid.GetHeader().GetPosition(columnId);
    ClickHeading(grid, col);
    if ((grid.IsSortAscending() == 0) != descending) ClickHeading(grid, col);
}

void ApplyLayout(CGridQBase& grid, const LayoutArgs& a) {
    if (a.desc && !a.sort.Given()) FailUsage("--desc needs --sort");
    if (a.columns.Given()) ApplyColumns(grid, a.columns.value);
    if (a.sort.Given()) SortByColumn(grid, FindColumn(grid, a.sort.value), a.desc);
}

}  // namespace cartera::cli
