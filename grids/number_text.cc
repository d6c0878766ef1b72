#include "grids/number_text.h"

#include <algorithm>
#include <charconv>

namespace cartera {

double AtofPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    text.remove_prefix(i);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here, so "+-1" reads as 0 as atof reads it.
    if (text.empty() || text.front() == '-' || text.front() == '+') return 0.0;
    double value = 0.0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc::invalid_argument) return 0.0;
    return negative ? -value : value;
}

std::string FixedText(double value, int decimals) {
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                             std::clamp(decimals, 0, 15));
    if (res.ec != std::errc()) return std::string();
    return std::string(buf, res.ptr);
}

}  // namespace cartera
