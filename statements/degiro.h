#pragma once
// DEGIRO's two exports: Transactions.csv (the trades) and Account.csv (the cash: dividends
// and their tax, deposits, withdrawals, fees, interest). Their headings come in the
// language of the user's DEGIRO site; English, Dutch, German and Spanish are read.
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// Whether a header row is that of either export.
bool IsDegiroHeader(const std::vector<std::string>& header);
// The same for a file's first bytes.
bool RecognisesDegiro(std::string_view head);

// Reads either export into a Statement (format "degiro", idPrefix "DEGIRO:"), rows sorted
// by date and time. Trades carry the order id (the fills of one order numbered, see
// NumberRepeatedIds), the ISIN as security, the price in its currency and the costs as
// commission, converted into the price's currency by the row's exchange rate when DEGIRO
// charged them in another. Account rows that belong to a trade (those with an order id)
// and currency exchanges are left out, being in Transactions.csv or not movements; a
// description not understood becomes a note. Dates are dd-MM-yyyy, numbers in either
// decimal convention. A row that continues the order id of the one before (the only
// filled cell) is joined to it. Throws cartera::Error (invalid_input) naming the line and
// field of the first bad row, or when the file is neither export.
Statement ReadDegiro(std::istream& in);

}  // namespace cartera::statements
