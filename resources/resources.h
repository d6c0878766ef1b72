#pragma once
#include <string_view>

// Data files compiled into every binary (see resources/CMakeLists.txt).
namespace cartera::resources {
// The string table of all five languages, tab-separated: id, en, de, fr, it, es.
std::string_view StringTable();
// The simulated market's symbol catalogue, CSV: code,name,decimals,letter,price.
std::string_view SymbolCatalogue();
// Dialog and menu templates of the five languages, tab-separated (see dialogs.tsv).
std::string_view DialogTemplates();
}  // namespace cartera::resources
