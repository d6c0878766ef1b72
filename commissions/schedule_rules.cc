#include "commissions/schedule_rules.h"

#include "host/market.h"
#include "host/strings.h"

namespace cartera {

std::string BracketRefusal(const stComision& bracket, const CArrayComisiones& others) {
    for (double v : {bracket.commissionPct, bracket.commissionMin, bracket.brokeragePct,
                     bracket.brokerageMin, bracket.royalty, bracket.from, bracket.to})
        if (!(v >= 0)) return ::LS(42101);
    if (bracket.to < bracket.from) return ::LS(3416);
    for (const stComision& other : others)
        if (bracket.from < other.to && other.from < bracket.to) return ::LS(3416);
    return {};
}

std::string ScheduleNameRefusal(const CAdmComisiones& adm, const std::string& name, int32_t kind) {
    if (Trim(name).empty()) return ::LS(42102);
    std::vector<std::string> names;
    adm.GetScheduleNames(names, kind);
    for (const std::string& used : names)
        if (LowerCode(used) == LowerCode(name)) return ::LS(42103);
    return {};
}

}  // namespace cartera
