#pragma once
// Trading 212's history export (History › Export), in both header styles: the older one
// names the account's currency in the headings ("Total (EUR)"), the newer one in a column
// of its own ("Total", "Currency (Total)").
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// Whether a header row is Trading 212's.
bool IsTrading212Header(const std::vector<std::string>& header);
// The same for a file's first bytes.
bool RecognisesTrading212(std::string_view head);

// Reads the export into a Statement (format "trading212", idPrefix "T212:"), rows sorted by
// date and time. Buys and sells ("Market buy", "Limit sell", "Stop sell"…) keep the
// ISIN as security, the shares as given (fractions too), the price in its currency and the
// charges (charge amount, conversion fee, stamp duty, transaction and regulatory fees) as
// commission, converted into the price's currency by the row's exchange rate. A dividend
// is gross: the net amount per share Trading 212 gives plus the withholding tax, which
// becomes an expense of the security. Deposits, withdrawals and interest on cash are read
// in the account's currency; currency conversions are left out and other actions become
// notes. Throws cartera::Error (invalid_input) naming the line and field of the first bad
// row, or when the file is not such an export.
Statement ReadTrading212(std::istream& in);

}  // namespace cartera::statements
