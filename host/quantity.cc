#include "host/quantity.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace cartera {
namespace {

// The magnitude's whole part and fraction (in 1e-10 units).
void Split(__int128 u, unsigned __int128* whole, uint64_t* fraction) {
    const unsigned __int128 m =
        u < 0 ? static_cast<unsigned __int128>(-(u + 1)) + 1 : static_cast<unsigned __int128>(u);
    *whole = m / Quantity::kScale;
    *fraction = static_cast<uint64_t>(m % Quantity::kScale);
}

std::string Digits(unsigned __int128 n) {
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    return s;
}

constexpr int kMaxWholeDigits = 18;

}  // namespace

bool Quantity::WideIsWhole() const { return Units() % kScale == 0; }

int64_t Quantity::WideWholePart() const {
    const __int128 w = Units() / kScale;
    if (w > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (w < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(w);
}

double Quantity::WideToDouble() const {
    const __int128 whole = Units() / kScale, fraction = Units() % kScale;
    return static_cast<double>(whole) + static_cast<double>(fraction) / static_cast<double>(kScale);
}

int Quantity::Places() const {
    unsigned __int128 whole;
    uint64_t fraction;
    Split(Units(), &whole, &fraction);
    if (fraction == 0) return 0;
    int places = kPlaces;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    return places;
}

std::string Quantity::Text() const {
    unsigned __int128 whole;
    uint64_t fraction;
    Split(Units(), &whole, &fraction);
    std::string s = (Units() < 0 ? "-" : "") + Digits(whole);
    if (fraction == 0) return s;
    std::string decimals = Digits(fraction);
    decimals.insert(0, kPlaces - decimals.size(), '0');
    while (decimals.back() == '0') decimals.pop_back();
    return s + "." + decimals;
}

bool ParseQuantity(std::string_view text, Quantity* out, bool exponent) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The digits without the point, and where the point stood among them.
    std::string digits;
    long point = -1;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '.' && point < 0) {
            point = static_cast<long>(digits.size());
        } else {
            break;
        }
    }
    if (digits.empty()) return false;
    if (point < 0) point = static_cast<long>(digits.size());
    if (i < text.size()) {
        if (!exponent || (text[i] != 'e' && text[i] != 'E')) return false;
        std::string_view e = text.substr(i + 1);
        bool down = false;
        if (!e.empty() && (e.front() == '+' || e.front() == '-')) {
            down = e.front() == '-';
            e.remove_prefix(1);
        }
        if (e.empty() || e.size() > 3) return false;
        long shift = 0;
        for (char c : e) {
            if (c < '0' || c > '9') return false;
            shift = shift * 10 + (c - '0');
        }
        point += down ? -shift : shift;
    }
    // Units: the digits as if the point stood kPlaces further right; digit k weighs
    // 10^(last - 1 - k) units, so those from last on must be 0.
    __int128 units = 0;
    const long last = point + Quantity::kPlaces;
    int wholeDigits = 0;
    for (long k = 0; k < last; ++k) {
        const int d = k < static_cast<long>(digits.size()) ? digits[k] - '0' : 0;
        if (k < point && (d != 0 || wholeDigits > 0) && ++wholeDigits > kMaxWholeDigits)
            return false;
        units = units * 10 + d;
    }
    for (long k = std::max<long>(last, 0); k < static_cast<long>(digits.size()); ++k)
        if (digits[k] != '0') return false;
    *out = Quantity::FromUnits(negative ? -units : units);
    return true;
}

}  // namespace cartera
