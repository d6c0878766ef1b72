#pragma once
// A movement's currency and rate as entry takes them: typed, or the rate from a table of
// rates, never a silent 1.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/entry.h"
#include "model/order.h"

namespace cartera {

// How many units of `to` one unit of `from` bought on a date; nullopt when not known.
using RateLookup =
    std::function<std::optional<double>(std::string_view from, std::string_view to, int32_t date)>;

// The code of `text` in capitals (any case is taken), empty for an empty text; a refusal
// naming the text for anything but three letters.
EntryRefusal ReadCurrencyCode(std::string_view text, std::string* code);

// Gives m the currency `code` (any case) with the rate typed, else the lookup's for m's date
// (lookup may be empty). A movement in the portfolio's currency keeps no currency and rate 1;
// an empty code keeps m's currency and rate as they are, unless a rate is typed. Refused, with
// m unchanged: a code that is not three letters; a currency other than the portfolio's while
// the portfolio has none named; a typed rate that is not above 0 or beyond entry's bounds; a
// foreign currency with no rate (the message names the pair and the date).
EntryRefusal SetMovementCurrency(std::string_view portfolio, std::string_view code,
                                 std::optional<double> rate, const RateLookup& lookup,
                                 COrderCartera& m);

}  // namespace cartera
