#pragma once
// The views of a portfolio: the workstation's grids as plain text, the totals as a table,
// and the model's values as JSON.
#include <optional>
#include <string>

class CGridQBase;
class COrderCartera;
class CSistemaCartera;
class CUGCtrl;

namespace cartera::cli {

class OpenPortfolio;
class PortfolioWindow;

enum class View { movements, open, closed, valuation, totals, all };

// "movements", "open", "closed", "valuation", "totals" or "all"; nullopt for anything else.
std::optional<View> ParseView(const std::string& name);

// movements, open or closed: a view that is one list grid.
bool IsListView(View view);
// The list grid of the window that shows the view; null for valuation, totals and all.
CGridQBase* ListGrid(PortfolioWindow& window, View view);

// The open trades valued as matching values them: the exit at the trade's own price with the
// exit commission its profit counts, so the Commission column adds up to the Profit. What
// show and export print of the open trades without quotes (the first change in the
// workstation puts the same back).
void ValueAsMatched(OpenPortfolio& portfolio);

struct TextOptions {
    bool color = false;  // debits in red (ANSI escapes)
    bool ids = false;    // a first column "Id" with each row's movement or trade id
};

// The view as plain text: movements, open, closed and valuation are their grids as the
// workstation's tabs show them (headings, visible columns, texts, order); totals a table of
// the ledger's totals; all the four grids one after the other, each under its tab's title
// and a blank line between them. Headings and numbers follow the interface language.
std::string TextView(PortfolioWindow& window, const CSistemaCartera& ledger, View view,
                     const TextOptions& options);

// The view as indented JSON text ending in a newline. Numbers read back to the same double.
// "all" is an object with last_id, active_tab, movements, open, closed and totals; the
// others are their array or object alone. Not for valuation (see GridJson).
std::string JsonView(const CSistemaCartera& ledger, View view);

// One movement as indented JSON text ending in a newline, the object that JsonView lists for
// it: every stored field, numbers exact.
std::string MovementJsonText(const COrderCartera& movement, const std::string& portfolioCurrency);

// What a grid shows as JSON: an array of rows (the headings first, when it has them), each an
// array of the texts of its visible columns; spacer columns and separator rows left out.
std::string GridJson(const CUGCtrl& grid);

}  // namespace cartera::cli
