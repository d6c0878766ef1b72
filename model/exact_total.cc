#include "model/exact_total.h"

#include <bit>
#include <cmath>
#include <limits>

namespace cartera {

namespace {
// A digit takes at most 2^32 a term, so 2^30 terms between carries cannot overflow it.
constexpr uint32_t kTermsBetweenCarries = uint32_t{1} << 30;
constexpr int64_t kDigitMask = 0xffffffff;
}  // namespace

void ExactTotal::Put(double x, bool negate) {
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    if ((bits << 1) == 0) return;  // a zero of either sign changes no digit
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    const bool negative = ((bits >> 63) != 0) != negate;
    if (biased == 0x7ff) {
        const int64_t step = negate ? -1 : 1;
        if (mantissa != 0)
            m_nans += step;
        else if ((bits >> 63) != 0)
            m_minusInf += step;
        else
            m_plusInf += step;
        return;
    }
    if (biased != 0) mantissa |= uint64_t{1} << 52;
    // x = mantissa * 2^(shift - 1074), shift in [0, 2045].
    const int shift = biased == 0 ? 0 : biased - 1;
    const auto wide = static_cast<unsigned __int128>(mantissa) << (shift % 32);
    const int at = shift / 32;
    const int64_t pieces[3] = {static_cast<int64_t>(wide & kDigitMask),
                               static_cast<int64_t>((wide >> 32) & kDigitMask),
                               static_cast<int64_t>(wide >> 64)};
    for (int k = 0; k < 3; ++k) m_digits[at + k] += negative ? -pieces[k] : pieces[k];
    if (++m_sinceCarry == kTermsBetweenCarries) Carry();
}

void ExactTotal::Carry() {
    for (int i = 0; i + 1 < kDigits; ++i) {
        const int64_t carry = m_digits[i] >> 32;  // arithmetic: rounds toward minus infinity
        m_digits[i] &= kDigitMask;
        m_digits[i + 1] += carry;
    }
    m_sinceCarry = 0;
}

double ExactTotal::Value() const {
    if (m_nans != 0 || (m_plusInf != 0 && m_minusInf != 0))
        return std::numeric_limits<double>::quiet_NaN();
    if (m_plusInf != 0) return std::numeric_limits<double>::infinity();
    if (m_minusInf != 0) return -std::numeric_limits<double>::infinity();
    ExactTotal n = *this;
    n.Carry();
    const bool negative = n.m_digits[kDigits - 1] < 0;
    if (negative) {
        for (int64_t& d : n.m_digits) d = -d;
        n.Carry();
    }
    int top = kDigits - 1;
    while (top >= 0 && n.m_digits[top] == 0) --top;
    if (top < 0) return 0.0;
    // The three digits from the top one hold at least 65 significant bits; those below only
    // tell whether anything lies under the rounding point.
    const int low = top >= 2 ? top - 2 : 0;
    unsigned __int128 head = 0;
    for (int i = top; i >= low; --i) head = (head << 32) | static_cast<uint64_t>(n.m_digits[i]);
    bool sticky = false;
    for (int i = 0; i < low; ++i) sticky = sticky || n.m_digits[i] != 0;
    int exponent = 32 * low - 1074;
    const int length = 128 - (static_cast<uint64_t>(head >> 64) != 0
                                  ? std::countl_zero(static_cast<uint64_t>(head >> 64))
                                  : 64 + std::countl_zero(static_cast<uint64_t>(head)));
    if (length > 53) {
        const int drop = length - 53;
        const unsigned __int128 rest = head & ((static_cast<unsigned __int128>(1) << drop) - 1);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (drop - 1);
        head >>= drop;
        exponent += drop;
        if (rest > half || (rest == half && (sticky || (head & 1) != 0))) ++head;
    }
    // At most 2^53 now: exact in a double; below 2^-1021 the sum has no more than 53 bits.
    const double magnitude = std::ldexp(static_cast<double>(static_cast<uint64_t>(head)), exponent);
    return negative ? -magnitude : magnitude;
}

}  // namespace cartera
