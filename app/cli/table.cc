#include "app/cli/table.h"

#include <algorithm>

namespace cartera::cli {
namespace {

// Characters in UTF-8 text: every byte that does not continue a sequence.
size_t Width(const std::string& s) {
    return static_cast<size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void AppendLine(std::string& out, const std::vector<std::string>& cells,
                const std::vector<size_t>& widths, const std::vector<bool>& right) {
    std::string line;
    for (size_t i = 0; i < widths.size(); ++i) {
        const std::string cell = i < cells.size() ? cells[i] : std::string();
        std::string pad(widths[i] - std::min(widths[i], Width(cell)), ' ');
        if (i > 0) line += "  ";
        bool alignRight = i < right.size() && right[i];
        line += alignRight ? pad + cell : cell + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
}

}  // namespace

std::string RenderTable(const TextTable& table) {
    std::vector<size_t> widths(table.headings.size(), 0);
    for (const auto& row : table.rows)
        if (row.size() > widths.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i < table.headings.size(); ++i) widths[i] = Width(table.headings[i]);
    for (const auto& row : table.rows)
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));

    std::string out;
    if (!table.title.empty()) out += table.title + '\n';
    AppendLine(out, table.headings, widths, table.rightAligned);
    std::vector<std::string> rule;
    for (size_t w : widths) rule.emplace_back(w, '-');
    AppendLine(out, rule, widths, {});
    for (const auto& row : table.rows) AppendLine(out, row, widths, table.rightAligned);
    return out;
}

}  // namespace cartera::cli
