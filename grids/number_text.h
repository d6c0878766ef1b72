#pragma once
// Number texts as the grids read and write them, independent of the C locale (a GUI
// toolkit may set a locale whose decimal point is a comma).
#include <string>
#include <string_view>

namespace cartera {

// What the C library's atof reads from decimal text in the "C" locale: leading blanks
// skipped, an optional sign, the longest number prefix; 0 when the text does not start with
// a number. (Hexadecimal forms, which atof also reads, read as 0 here.)
double AtofPrefix(std::string_view text);
// The value with a fixed number of decimals (clamped to 0..15), a point as separator, no
// grouping, a leading "-" for negative values: what "%.<decimals>f" writes in "C".
std::string FixedText(double value, int decimals);

}  // namespace cartera
