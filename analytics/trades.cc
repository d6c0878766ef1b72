#include "analytics/trades.h"

#include <algorithm>
#include <climits>

#include "model/sistema.h"
#include "model/trade.h"

namespace cartera::analytics {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Codes compare as the market service compares them: ASCII letters without case.
bool SameCode(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool InDates(const Filter& f, int32_t date) {
    return (!f.from || date >= *f.from) && (!f.to || date <= *f.to);
}

bool InCodesAndGroups(const Filter& f, std::string_view code, std::string_view group) {
    if (!f.codes.empty() && std::none_of(f.codes.begin(), f.codes.end(),
                                         [&](const std::string& c) { return SameCode(c, code); }))
        return false;
    return f.groups.empty() || std::find(f.groups.begin(), f.groups.end(), group) != f.groups.end();
}

ClosedTrade View(const CNegocioC& t, size_t index) {
    ClosedTrade v;
    v.index = index;
    v.code = t.quoteCode;
    v.symbol = t.symbol;
    v.group = t.entryGroup;
    v.isLong = t.isLong != 0;
    v.contracts = t.contracts;
    v.entryDate = t.entryDate;
    v.exitDate = t.exitDate;
    v.daysHeld = t.daysHeld;
    double q = t.contracts.ToDouble();
    double entryValue = t.entryPrice * t.pointValue * q;
    double exitValue = t.exitPrice * t.pointValue * q;
    // In the portfolio's currency: what was paid or received at entry at the entry's rate, at
    // exit at the exit's (a rate of 1 leaves the amounts as they are).
    if (v.isLong) {
        v.cost = (entryValue + t.entryCommission * q) * t.entryRate;
        v.proceeds = (exitValue - t.exitCommission * q) * t.exitRate;
    } else {
        v.proceeds = (entryValue - t.entryCommission * q) * t.entryRate;
        v.cost = (exitValue + t.exitCommission * q) * t.exitRate;
    }
    v.result = TradeBaseResult(t);
    return v;
}

}  // namespace

bool Filter::Accepts(const ClosedTrade& t) const {
    return InDates(*this, t.exitDate) && (!isLong || *isLong == t.isLong) &&
           InCodesAndGroups(*this, t.code, t.group);
}

bool Filter::AcceptsCash(int32_t date, std::string_view code, std::string_view group) const {
    return InDates(*this, date) && InCodesAndGroups(*this, code, group);
}

std::vector<ClosedTrade> CollectClosedTrades(const CSistemaCartera& ledger, const Filter& filter) {
    const TradeList& closed = ledger.GetClosedTrades();
    // Sort positions, not records: the records are built once, in their final place.
    struct Entry {
        int32_t exitDate;
        uint32_t index;
    };
    std::vector<Entry> kept;
    kept.reserve(closed.size());
    int32_t first = INT32_MAX, last = INT32_MIN;
    for (size_t i = 0; i < closed.size(); ++i) {
        const CNegocioC& t = closed[i];
        if (!InDates(filter, t.exitDate) || (filter.isLong && *filter.isLong != (t.isLong != 0)) ||
            !InCodesAndGroups(filter, t.quoteCode, t.entryGroup))
            continue;
        first = std::min(first, t.exitDate);
        last = std::max(last, t.exitDate);
        kept.push_back({t.exitDate, static_cast<uint32_t>(i)});
    }
    int64_t span = kept.empty() ? 0 : int64_t{last} - first + 1;
    if (span > 4 * static_cast<int64_t>(kept.size()) + 1024) {
        std::stable_sort(kept.begin(), kept.end(),
                         [](const Entry& a, const Entry& b) { return a.exitDate < b.exitDate; });
    } else {
        // Exit dates span a few years of days: a stable counting sort, linear in the trades.
        std::vector<uint32_t> start(static_cast<size_t>(span) + 1, 0);
        for (const Entry& e : kept) ++start[static_cast<size_t>(e.exitDate - first) + 1];
        for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        std::vector<Entry> sorted(kept.size());
        for (const Entry& e : kept) sorted[start[static_cast<size_t>(e.exitDate - first)]++] = e;
        kept.swap(sorted);
    }
    std::vector<ClosedTrade> out;
    out.reserve(kept.size());
    for (const Entry& e : kept) out.push_back(View(closed[e.index], e.index));
    return out;
}

int Weekday(int32_t dateNumber) {
    // Day 0 (1 January 1970) was a Thursday.
    int64_t d = (static_cast<int64_t>(dateNumber) + 3) % 7;
    return static_cast<int>(d < 0 ? d + 7 : d);
}

}  // namespace cartera::analytics
