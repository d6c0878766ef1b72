#pragma once
// The four views of a portfolio, as plain-text tables and as JSON.
#include <optional>
#include <string>

class CSistemaCartera;

namespace cartera::cli {

enum class View { movements, open, closed, totals, all };

// "movements", "open", "closed", "totals" or "all"; nullopt for anything else.
std::optional<View> ParseView(const std::string& name);

// The view as plain-text tables with the interface language's headings and number texts;
// "all" gives the four tables one after the other, a blank line between them.
std::string TextView(const CSistemaCartera& ledger, View view);

// The view as indented JSON text ending in a newline. Numbers read back to the same double.
// "all" is an object with last_id, active_tab, movements, open, closed and totals; the
// others are their array or object alone.
std::string JsonView(const CSistemaCartera& ledger, View view);

}  // namespace cartera::cli
