#pragma once
// A sum of doubles kept exactly, so that adding and later taking back a term leaves no trace
// and the result does not depend on the order of the terms: a total kept up to date change
// by change has the very bits of the same total summed afresh.
#include <array>
#include <cstdint>

namespace cartera {

class ExactTotal {
  public:
    void Add(double x) { Put(x, false); }
    // Takes back a term added before (any term may be taken back, added or not).
    void Sub(double x) { Put(x, true); }
    // The exact sum rounded once to the nearest double (ties to even); NaN when a NaN is among
    // the terms or infinities of both signs, the infinity when only one sign's are.
    double Value() const;

  private:
    void Put(double x, bool negate);
    void Carry();

    // Base 2^32 digits of the sum in units of 2^-1074, the smallest subnormal; a digit runs
    // over between carries and keeps its sign, the top one the sign of the whole.
    static constexpr int kDigits = 67;
    std::array<int64_t, kDigits> m_digits{};
    uint32_t m_sinceCarry = 0;
    int64_t m_nans = 0, m_plusInf = 0, m_minusInf = 0;
};

}  // namespace cartera
