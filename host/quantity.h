#pragma once
// A number of shares or units, exact: a decimal with up to ten places and far more whole units
// than any position holds. Brokers sell fractions (0.5 shares, 29.80478, 0.000002 of a fund)
// and matching must close 0.3 + 0.7 against 1 with nothing left over, which binary floating
// point cannot promise; so a quantity is a count of 1e-10 units in a 128-bit integer. It is
// held in two 64-bit words, so it aligns as a double does and a movement stays compact.
#include <compare>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace cartera {

class Quantity {
  public:
    static constexpr int kPlaces = 10;
    static constexpr int64_t kScale = 10'000'000'000;

    constexpr Quantity() = default;
    // A whole number of units: implicit, as it is exact (a count typed or read before).
    template <std::integral T>
    constexpr Quantity(T whole)  // NOLINT(google-explicit-constructor)
        : Quantity(FromUnits(static_cast<__int128>(whole) * kScale)) {}
    // The quantity of units / 1e10.
    static constexpr Quantity FromUnits(__int128 units) {
        Quantity q;
        q.m_lo = static_cast<uint64_t>(units);
        q.m_hi = static_cast<int64_t>(units >> 64);
        return q;
    }
    constexpr __int128 Units() const {
        return static_cast<__int128>((static_cast<unsigned __int128>(m_hi) << 64) | m_lo);
    }

    // Whether it has no fractional part.
    bool IsWhole() const {
        return FitsWord() ? static_cast<int64_t>(m_lo) % kScale == 0 : WideIsWhole();
    }
    // The whole part, truncated toward zero; saturated at the bounds of int64_t.
    int64_t WholePart() const {
        return FitsWord() ? static_cast<int64_t>(m_lo) / kScale : WideWholePart();
    }
    // The nearest double; exactly the number for every whole quantity below 2^53, so sums
    // and products of whole-number journals are what they were with integer counts. Inline
    // for the counts of one word, which matching and the totals convert by the million.
    double ToDouble() const {
        constexpr int64_t kExactInDouble = int64_t{1} << 53;
        if (!FitsWord()) return WideToDouble();
        const auto v = static_cast<int64_t>(m_lo);
        const int64_t whole = v / kScale, fraction = v % kScale;
        if (fraction == 0) return static_cast<double>(whole);
        // One correctly rounded division of two exact doubles.
        if (v > -kExactInDouble && v < kExactInDouble)
            return static_cast<double>(v) / static_cast<double>(kScale);
        return static_cast<double>(whole) +
               static_cast<double>(fraction) / static_cast<double>(kScale);
    }
    // The decimals it needs: 0 for 10, 1 for 0.5, 5 for 29.80478.
    int Places() const;
    // The exact plain text: a '-' when negative, the whole digits, then a point and the
    // places it needs ("10", "0.5", "-0.6102"). What files, CSV and JSON write.
    std::string Text() const;

    constexpr Quantity operator-() const { return FromUnits(-Units()); }
    constexpr Quantity& operator+=(Quantity o) { return *this = FromUnits(Units() + o.Units()); }
    constexpr Quantity& operator-=(Quantity o) { return *this = FromUnits(Units() - o.Units()); }
    friend constexpr Quantity operator+(Quantity a, Quantity b) { return a += b; }
    friend constexpr Quantity operator-(Quantity a, Quantity b) { return a -= b; }
    friend constexpr bool operator==(Quantity a, Quantity b) {
        return a.m_lo == b.m_lo && a.m_hi == b.m_hi;
    }
    friend constexpr std::strong_ordering operator<=>(Quantity a, Quantity b) {
        return a.m_hi != b.m_hi ? a.m_hi <=> b.m_hi : a.m_lo <=> b.m_lo;
    }

  private:
    // Whether the units fit one signed 64-bit word (the high word only extends its sign).
    bool FitsWord() const { return m_hi == static_cast<int64_t>(m_lo) >> 63; }
    bool WideIsWhole() const;
    int64_t WideWholePart() const;
    double WideToDouble() const;

    uint64_t m_lo = 0;
    int64_t m_hi = 0;
};

// Reads a plain decimal quantity: an optional sign, digits with at most one point, and, when
// exponent is true, an exponent ("2e-6"); blanks around it allowed. False, *out untouched,
// for anything else, for a digit beyond the tenth place that is not 0 (never rounded), and
// for more than 18 whole digits.
bool ParseQuantity(std::string_view text, Quantity* out, bool exponent = true);

}  // namespace cartera
