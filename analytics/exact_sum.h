#pragma once
// A sum of doubles rounded once at the end, so it does not depend on the order of the terms:
// the totals of one set of trades agree to the bit however they were grouped.
#include <vector>

namespace cartera::analytics {

class ExactSum {
  public:
    void Add(double x);
    // The exact sum of everything added, rounded to the nearest double. Infinities and NaN
    // (which the ledger refuses) make the result a plain running sum.
    double Value() const;

  private:
    std::vector<double> m_partials;  // non-overlapping, increasing magnitude
    double m_special = 0.0;          // running sum of non-finite terms
    bool m_hasSpecial = false;
};

}  // namespace cartera::analytics
