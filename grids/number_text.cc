#include "grids/number_text.h"

#include <algorithm>
#include <charconv>

namespace cartera {

std::string FixedText(double value, int decimals) {
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                             std::clamp(decimals, 0, 15));
    if (res.ec != std::errc()) return std::string();
    return std::string(buf, res.ptr);
}

}  // namespace cartera
