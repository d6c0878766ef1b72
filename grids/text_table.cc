#include "grids/text_table.h"

#include <algorithm>
#include <vector>

#include "host/grid/grid_control.h"

namespace cartera {
namespace {

constexpr COLORREF kDebitRed = RGB(255, 0, 0);
constexpr const char* kAnsiRed = "\x1b[31m";
constexpr const char* kAnsiReset = "\x1b[0m";

struct Cell {
    std::string text;
    int alignment = UG_ALIGNLEFT;
    bool red = false;
};

// One line of the table; an empty line is a rule.
using Line = std::vector<Cell>;

size_t Width(const std::string& s) {
    return static_cast<size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

Cell ReadCell(const CUGCtrl& grid, int col, int row, bool color) {
    Cell cell;
    if (const CUGCell* c = grid.PeekCell(col, row)) {
        cell.text = c->GetText();
        cell.alignment = c->GetAlignment();
        cell.red =
            color && c->IsPropertySet(UGCELL_TEXTCOLOR_SET) && c->GetTextColor() == kDebitRed;
    }
    return cell;
}

std::string Rule(const std::vector<size_t>& widths) {
    std::string line;
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i > 0) line += "  ";
        line.append(widths[i], '-');
    }
    return line;
}

std::string Render(const Line& cells, const std::vector<size_t>& widths) {
    std::string line;
    for (size_t i = 0; i < widths.size(); ++i) {
        const Cell& cell = cells[i];
        size_t pad = widths[i] - std::min(widths[i], Width(cell.text));
        size_t left = cell.alignment == UG_ALIGNRIGHT    ? pad
                      : cell.alignment == UG_ALIGNCENTER ? pad / 2
                                                         : 0;
        if (i > 0) line += "  ";
        line.append(left, ' ');
        if (cell.red && !cell.text.empty())
            line += kAnsiRed + cell.text + kAnsiReset;
        else
            line += cell.text;
        line.append(pad - left, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

std::string RenderGridText(const CUGCtrl& grid, const GridTextOptions& options) {
    std::vector<int> cols;
    for (int col = 0; col < grid.GetNumberCols(); ++col)
        if (!grid.IsColHidden(col) && grid.GetColWidth(col) > 2) cols.push_back(col);

    std::vector<Line> lines;
    bool headings = grid.GetTH_Height() > 0;
    auto readLine = [&](int row) {
        Line line;
        for (int col : cols) line.push_back(ReadCell(grid, col, row, options.color));
        return line;
    };
    if (headings) {
        lines.push_back(readLine(-1));
        lines.emplace_back();
    }
    for (int row = 0; row < grid.GetNumberRows(); ++row) {
        if (grid.GetRowHeight(row) == 0) continue;  // a row the grid does not show
        lines.push_back(grid.GetRowHeight(row) <= 2 ? Line() : readLine(row));
    }

    std::vector<size_t> widths(cols.size(), 0);
    for (const Line& line : lines)
        for (size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], Width(line[i].text));

    std::string out;
    for (const Line& line : lines) {
        out += line.empty() ? Rule(widths) : Render(line, widths);
        out += '\n';
    }
    return out;
}

}  // namespace cartera
