#pragma once
// The closed trades as the statistics see them: one row of the closed-trades grid each, in
// exit order, after the user's filter.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/quantity.h"

class CSistemaCartera;

namespace cartera::analytics {

struct ClosedTrade {
    size_t index = 0;  // position in the ledger's closed trades (the trade order)
    std::string_view code, symbol, group;  // point into the ledger; valid until it changes
    bool isLong = true;
    Quantity contracts;
    int32_t entryDate = 0, exitDate = 0, daysHeld = 0;
    // In the portfolio's currency, each side at its own rate.
    double proceeds = 0.0;  // the selling side's value net of its commission
    double cost = 0.0;      // the buying side's value with its commission
    double result = 0.0;    // proceeds less cost, as the trade's result in that currency
};

// Which trades count. Dates are date numbers, inclusive, on the exit date; codes match
// without regard to case, groups exactly; empty lists take everything.
struct Filter {
    std::optional<int32_t> from, to;
    std::vector<std::string> codes, groups;
    std::optional<bool> isLong;

    bool Accepts(const ClosedTrade& t) const;
    // For cash movements, which have no side or exit: the dates, codes and groups.
    bool AcceptsCash(int32_t date, std::string_view code, std::string_view group) const;
};

// The ledger's closed trades that pass filter, ordered by exit date and then trade order.
std::vector<ClosedTrade> CollectClosedTrades(const CSistemaCartera& ledger, const Filter& filter);

// Monday 0 to Sunday 6.
int Weekday(int32_t dateNumber);

}  // namespace cartera::analytics
