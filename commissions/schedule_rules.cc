#include "commissions/schedule_rules.h"

#include "host/market.h"
#include "host/numbers.h"
#include "host/strings.h"

namespace cartera {

namespace {

// "From – To" of a bracket as the editor shows its bounds.
std::string Range(const stComision& b) {
    return EditNumberText(b.from) + " – " + EditNumberText(b.to);
}

}  // namespace

std::string BracketRefusal(const stComision& bracket, const CArrayComisiones& others) {
    constexpr int kNegative = 42310, kToBelowFrom = 42311, kOverlap = 42312;
    // Each field with its label in the editor.
    const std::pair<double, int> fields[] = {
        {bracket.commissionPct, 3408}, {bracket.commissionMin, 42313}, {bracket.brokeragePct, 3412},
        {bracket.brokerageMin, 42314}, {bracket.from, 3410},           {bracket.to, 3411},
        {bracket.royalty, 3414}};
    for (auto [value, label] : fields)
        if (!(value >= 0)) return FillText(::LS(kNegative), {::LS(label), EditNumberText(value)});
    // The notice names the rule; what follows, the bounds that break it.
    const std::string check = ::LS(3416) + ": ";
    if (bracket.to < bracket.from)
        return check + FillText(::LS(kToBelowFrom),
                                {EditNumberText(bracket.to), EditNumberText(bracket.from)});
    for (const stComision& other : others)
        if (bracket.from < other.to && other.from < bracket.to)
            return check + FillText(::LS(kOverlap), {Range(bracket), Range(other)});
    return {};
}

std::string ScheduleNameRefusal(const CAdmComisiones& adm, const std::string& name, int32_t kind) {
    if (Trim(name).empty()) return ::LS(42102);
    std::vector<std::string> names;
    adm.GetScheduleNames(names, kind);
    for (const std::string& used : names)
        if (LowerAscii(used) == LowerAscii(name)) return ::LS(42103);
    return {};
}

}  // namespace cartera
