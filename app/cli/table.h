#pragma once
// Plain-text tables: a title, a heading row, a rule and aligned rows.
#include <string>
#include <vector>

namespace cartera::cli {

struct TextTable {
    std::string title;  // printed above the table when not empty
    std::vector<std::string> headings;
    std::vector<bool> rightAligned;  // per column; missing entries align left
    std::vector<std::vector<std::string>> rows;
};

// The table as lines ending in '\n'. Widths count UTF-8 characters, not bytes; columns are
// two spaces apart and no line ends in blanks.
std::string RenderTable(const TextTable& table);

}  // namespace cartera::cli
