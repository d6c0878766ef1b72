#include <climits>

#include "commissions/comisiones.h"

namespace {

// The proportional part, unless the minimum is greater.
double AtLeast(double part, double minimum) { return minimum > part ? minimum : part; }

// The fallback's running maximum: To truncated toward zero, saturated at INT32_MAX.
// Only called with To above a non-negative M, so the lower end cannot be crossed.
int32_t TruncatedTo(double to) {
    if (to >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(to);
}

double Kind2(const stComision& r, double amount) { return AtLeast(amount * r.unitRate, r.unitMin); }

double Kind4(const stComision& r, double amount) {
    return AtLeast(amount * r.commissionPct / 100, r.commissionMin) +
           AtLeast(amount * r.brokeragePct / 100, r.brokerageMin) + r.royalty;
}

double Kind8(const stComision& r, double amount) {
    return AtLeast(amount * r.commissionPct, r.commissionMin) + r.royalty;
}

}  // namespace

double CAdmComisiones::CalculateCommission(const std::string& name, double amount,
                                           int32_t kind) const {
    if (kind != 2 && kind != 4 && kind != 8) return 0;
    const stComision* chosen = nullptr;
    const stComision* fallback = nullptr;
    int32_t maxTo = 0;
    int matches = 0;
    for (const stComision& r : m_records) {
        if (r.kind != kind || r.name != name) continue;
        if (kind == 2) {
            if (++matches > 1) return 0;
            chosen = &r;
            continue;
        }
        if (r.from <= amount && amount <= r.to) {
            chosen = &r;
            break;
        }
        if (static_cast<double>(maxTo) < r.to) {
            fallback = &r;
            maxTo = TruncatedTo(r.to);
        }
    }
    if (kind == 2) return chosen ? Kind2(*chosen, amount) : 0;
    if (kind == 8) return chosen ? Kind8(*chosen, amount) : 0;
    if (!chosen) chosen = fallback;
    return chosen ? Kind4(*chosen, amount) : 0;
}
