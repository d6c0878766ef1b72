#include "host/numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "host/strings.h"

// The number conversions here use <charconv>, not printf and strtod: those follow the C
// locale, which a GUI toolkit sets from the user's environment (a comma as decimal point
// under a German one), and the texts here must not depend on it.

namespace cartera {

std::string GetSepDecimal() { return CurrentLanguage() == Language::en ? "." : ","; }

bool ParsePlainNumber(std::string_view text, double* out, bool exponent) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    double v = 0;
    const auto format = exponent ? std::chars_format::general : std::chars_format::fixed;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v, format);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

std::string EditNumberText(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    if (text == "-0") text = "0";
    auto dot = text.find('.');
    if (dot != std::string::npos) text.replace(dot, 1, GetSepDecimal());
    return text;
}

std::string ExactNumberText(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);  // shortest text that reads back
    return std::string(buf, res.ptr);
}

std::string DecimalText(double v) {
    if (!std::isfinite(v)) return ExactNumberText(v);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    double rounded = 0;
    std::from_chars(buf, res.ptr, rounded);
    std::string text = FullNumberText(rounded);
    return text == "-0" ? "0" : text;
}

std::string FullNumberText(double v, int minDecimals) {
    if (!std::isfinite(v)) return ExactNumberText(v);
    char buf[1200];  // the longest fixed text of a double (denormals) fits
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string text(buf, res.ptr);
    if (text == "-0") text = "0";
    size_t dot = text.find('.');
    size_t decimals = dot == std::string::npos ? 0 : text.size() - dot - 1;
    if (minDecimals > 0 && dot == std::string::npos) text += '.';
    for (; static_cast<int>(decimals) < minDecimals; ++decimals) text += '0';
    return text;
}

}  // namespace cartera

std::string GetSepMiles() {
    switch (cartera::CurrentLanguage()) {
        case cartera::Language::en:
            return ",";
        case cartera::Language::fr:
            return " ";
        default:
            return ".";
    }
}

namespace {
// The digits of a magnitude (a plain text with a point) grouped in the interface language,
// with a "-" in front for negative unless every digit is 0.
std::string Grouped(std::string digits, bool negativeValue) {
    std::string frac;
    auto dot = digits.find('.');
    if (dot != std::string::npos) {
        frac = digits.substr(dot + 1);
        digits.resize(dot);
    }
    std::string sep = GetSepMiles();
    std::string out;
    // A value that rounds to zero shows no sign.
    bool negative = negativeValue && digits.find_first_not_of('0') != std::string::npos;
    if (!negative && negativeValue && frac.find_first_not_of('0') != std::string::npos)
        negative = true;
    if (negative) out += '-';
    size_t lead = digits.size() % 3;
    if (lead == 0) lead = 3;
    out.append(digits, 0, lead);
    for (size_t i = lead; i < digits.size(); i += 3) {
        out += sep;
        out.append(digits, i, 3);
    }
    if (!frac.empty()) out += cartera::GetSepDecimal() + frac;
    return out;
}

const char* NotFinite(double value) {
    return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
}
}  // namespace

std::string PonPuntos(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 15) decimals = 15;
    if (!std::isfinite(value)) return NotFinite(value);
    char buf[512];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, decimals);
    return Grouped(std::string(buf, res.ptr), value < 0);
}

std::string QuantityText(const cartera::Quantity& q) {
    std::string text = q.Text();
    const bool negative = !text.empty() && text.front() == '-';
    return Grouped(negative ? text.substr(1) : text, negative);
}

std::string EditQuantityText(const cartera::Quantity& q) {
    std::string text = q.Text();
    if (auto dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, cartera::GetSepDecimal());
    return text;
}

std::string PriceText(double value, int decimals) {
    if (!std::isfinite(value)) return NotFinite(value);
    return Grouped(cartera::FullNumberText(std::fabs(value), std::clamp(decimals, 0, 15)),
                   value < 0);
}
