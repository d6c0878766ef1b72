#include "model/currency_entry.h"

#include <cmath>
#include <string>

#include "host/dates.h"
#include "host/strings.h"
#include "model/extra_fields.h"

namespace cartera {

namespace {

EntryRefusal Refuse(EntryField field, std::string message) { return {field, std::move(message)}; }

}  // namespace

EntryRefusal ReadCurrencyCode(std::string_view text, std::string* code) {
    std::string out = UpperAscii(text);
    if (!out.empty() && !IsCurrencyCode(out))
        return Refuse(EntryField::currency,
                      "the currency must be a three-letter code such as "
                      "EUR, not '" +
                          std::string(text) + "'");
    *code = std::move(out);
    return {};
}

EntryRefusal SetMovementCurrency(std::string_view portfolio, std::string_view code,
                                 std::optional<double> rate, const RateLookup& lookup,
                                 COrderCartera& m) {
    std::string currency = m.currency.str();
    if (!code.empty())
        if (auto refused = ReadCurrencyCode(code, &currency)) return refused;
    if (rate && !(*rate > 0 && *rate <= kMaxEntryAmount))
        return Refuse(EntryField::rate, "the rate must be more than 0");
    if (currency.empty() || currency == portfolio) {
        if (rate && *rate != 1.0)
            return Refuse(EntryField::rate, "a movement in the portfolio's currency has rate 1");
        m.currency = PooledText();
        m.rate = 1.0;
        return {};
    }
    if (portfolio.empty())
        return Refuse(EntryField::currency,
                      "the portfolio's own currency is not named yet: name it before entering " +
                          currency + " movements");
    if (!rate && code.empty() && m.currency.str() == currency) return {};  // kept as it was
    if (!rate && lookup) rate = lookup(currency, portfolio, m.date);
    if (!rate)
        return Refuse(EntryField::rate, "no " + currency + " to " + std::string(portfolio) +
                                            " rate for " + IsoDate(m.date) +
                                            ": type the rate or import the rates table");
    m.currency = PooledText(currency);
    m.rate = *rate;
    return {};
}

}  // namespace cartera
