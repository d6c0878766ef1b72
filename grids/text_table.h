#pragma once
// Any grid as an aligned plain-text table, for the command line.
#include <string>

class CUGCtrl;

namespace cartera {

struct GridTextOptions {
    // Wrap cells whose text colour is the debit red RGB(255, 0, 0) in ANSI red.
    bool color = false;
};

// The visible columns in grid order, skipping spacer columns (2 pixels wide or less): the
// heading texts (none when the top heading height is 0) and a rule under them, then every
// row's cell texts aligned as the cells are; rows 1 or 2 pixels high print as a rule, rows 0
// pixels high not at all.
// Widths count UTF-8 characters; columns are two spaces apart; lines end in '\n' and never
// in blanks. An empty grid without headings gives an empty text.
std::string RenderGridText(const CUGCtrl& grid, const GridTextOptions& options = {});

}  // namespace cartera
