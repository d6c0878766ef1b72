#pragma once
// Number texts as the grids read and write them, independent of the C locale (a GUI
// toolkit may set a locale whose decimal point is a comma).
#include <string>
#include <string_view>

namespace cartera {

// The value with a fixed number of decimals (clamped to 0..15), a point as separator, no
// grouping, a leading "-" for negative values: what "%.<decimals>f" writes in "C".
std::string FixedText(double value, int decimals);

}  // namespace cartera
