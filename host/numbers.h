#pragma once
// Number texts in the conventions of the interface language.
#include <string>
#include <string_view>

// The value with the given decimals, digits grouped by thousands, with the language's
// thousands and decimal separators (English 1,234.50; German, Italian, Spanish 1.234,50;
// French 1 234,50). Negative values carry a leading "-".
std::string PonPuntos(double value, int decimals);
// The same for a number given as text ("%d" of a count, say).
std::string PonPuntos(const std::string& number, int decimals);
// The thousands separator of the interface language.
std::string GetSepMiles();

namespace cartera {
// The decimal separator of the interface language.
std::string GetSepDecimal();
// Reads a text that PonPuntos wrote (any language's separators for the current one) back
// into a number; false when it is not a number.
bool ParseGroupedNumber(std::string_view text, double* out);
// Shortest text that reads back to the same double, point as separator; plain or with an
// exponent, whichever is shorter ("100", "0.1", "1e+21").
std::string ExactNumberText(double v);
// Reads a plain number with a point as decimal separator; the whole text must be used.
bool ParsePlainNumber(std::string_view text, double* out);
}  // namespace cartera
