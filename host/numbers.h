#pragma once
// Number texts in the conventions of the interface language.
#include <string>
#include <string_view>

#include "host/quantity.h"
#include "host/strings.h"

// The value with the given decimals, digits grouped by thousands, with the language's
// thousands and decimal separators (English 1,234.50; German, Italian, Spanish 1.234,50;
// French 1 234,50). Negative values carry a leading "-".
std::string PonPuntos(double value, int decimals);
// A price as PonPuntos shows it, but with as many decimals beyond decimals as reading the
// text back needs to give the stored value: 3.912 shows "3.912" with 2 decimals, 0.0001
// "0.0001", 4.3 "4.30".
std::string PriceText(double value, int decimals);
// A quantity in the interface language, exact, with the decimals it has ("1,234.5", German
// "29,80478", "10"): what the grids show.
std::string QuantityText(const cartera::Quantity& q);
// The same without grouping: what a quantity box shows, to read back to the same quantity.
std::string EditQuantityText(const cartera::Quantity& q);
// The thousands separator of the interface language.
std::string GetSepMiles();

namespace cartera {
// The decimal separator of the interface language.
std::string GetSepDecimal();
// Shortest text that reads back to the same double, point as separator; plain or with an
// exponent, whichever is shorter ("100", "0.1", "1e+21").
std::string ExactNumberText(double v);
// The shortest plain text (never an exponent) that reads back to the same double, with at
// least minDecimals decimals: "4.312" and "4.30" for 4.312 and 4.3 with 2, "100000" for 1e5.
// What a number edit shows, so that reading it gives back exactly the number.
std::string FullNumberText(double v, int minDecimals = 0);
// The value rounded to 15 significant digits, plain (a point, no exponent, no trailing
// zeros): the number a computation meant when its result carries the error of binary
// arithmetic (202.00100000000003 is "202.001", 7.000000000000001 is "7").
std::string DecimalText(double v);
// Reads a plain number with a point as decimal separator (with exponent, an exponent
// allowed), spaces around it and a leading '+' too; the whole text must be used and the
// number be finite. The conversion every number reader ends in (text/number.h reads the
// other forms); the host's own files, below that layer, read it alone.
bool ParsePlainNumber(std::string_view text, double* out, bool exponent = true);
// A number for an edit field: up to 15 significant digits, no trailing zeros, no grouping,
// the interface language's decimal separator ("0,2" in German).
std::string EditNumberText(double v);
}  // namespace cartera
