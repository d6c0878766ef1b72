#pragma once
// Currencies as entry takes them, a currency exchange (movement type 7) and the cash a journal
// leaves in each currency.
//
// An exchange buys an amount of one currency with an amount of another at the broker's rate:
// its currency and price are the currency and amount bought (contracts 1), its rate that
// currency's to the portfolio's, and its terms the currency and amount sold, as one canonical
// text "EUR 1000.5". In the portfolio's currency it moves no value: a conversion fee is an
// expense of its own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/currency_entry.h"
#include "model/entry.h"
#include "model/order.h"

namespace cartera {

// One side of an exchange.
struct CurrencyAmount {
    std::string currency;  // ISO 4217 code in capitals
    double amount = 0;     // above 0
};

// The canonical terms text of an exchange's sold side, and its reader: false for anything
// FormatExchangeTerms does not write (a damaged or crafted file).
std::string FormatExchangeTerms(const CurrencyAmount& sold);
bool ParseExchangeTerms(std::string_view text, CurrencyAmount* sold);

// Makes m (its date, time and order text kept) the exchange of `sold` for `bought` in a
// portfolio in currency `portfolio`. The bought currency's rate is the exchange's own when the
// portfolio's currency is sold, 1 when it is bought, else the typed rate or the lookup's.
// Refused, m unchanged: a portfolio with no currency named, a code that is not three letters,
// the same currency on both sides, an amount not above 0 or beyond entry's bounds, no rate.
EntryRefusal SetExchange(std::string_view portfolio, const CurrencyAmount& sold,
                         const CurrencyAmount& bought, std::optional<double> rate,
                         const RateLookup& lookup, COrderCartera& m);

// The cash a journal leaves in each currency, by code (a movement in the portfolio's currency
// counts under `portfolio`, or under "" while it has none): deposits and impositions in,
// refunds and expenses out, dividends in, a buy's cost out and a sell's proceeds in (price x
// point value x contracts, commission off), an exchange's two sides. Sorted by code; a
// currency the journal never names is not listed.
std::vector<CurrencyAmount> CashByCurrency(const CArrayOrders& journal, std::string_view portfolio);

}  // namespace cartera
