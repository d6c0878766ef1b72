// Shewchuk's partials: each addition keeps the rounding error as a further term, so the
// partials together hold the sum exactly.
#include "analytics/exact_sum.h"

#include <cmath>

namespace cartera::analytics {

void ExactSum::Add(double x) {
    if (!std::isfinite(x)) {
        m_special += x;
        m_hasSpecial = true;
        return;
    }
    size_t kept = 0;
    for (double y : m_partials) {
        if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
        double hi = x + y;
        double lo = y - (hi - x);
        if (lo != 0.0) m_partials[kept++] = lo;
        x = hi;
    }
    m_partials.resize(kept);
    m_partials.push_back(x);
}

double ExactSum::Value() const {
    if (m_hasSpecial) return m_special;
    if (m_partials.empty()) return 0.0;
    // Add from the largest down; stop once a rounding error appears, then correct a tie.
    size_t n = m_partials.size();
    double hi = m_partials[--n];
    double lo = 0.0;
    while (n > 0) {
        double x = hi;
        double y = m_partials[--n];
        hi = x + y;
        double yr = hi - x;
        lo = y - yr;
        if (lo != 0.0) break;
    }
    if (n > 0 && ((lo < 0.0 && m_partials[n - 1] < 0.0) || (lo > 0.0 && m_partials[n - 1] > 0.0))) {
        double y = lo * 2.0;
        double x = hi + y;
        if (y == x - hi) hi = x;
    }
    return hi;
}

}  // namespace cartera::analytics
