#pragma once
// Corporate actions in broker statements. A statement lists one action as several rows (the
// old security's shares out, the new one's in, a fraction paid in cash); they are netted
// into one action row, which the plan makes a movement of (model/action.h). An action the
// rows do not tell enough of (a spin-off's share of cost, a ratio written nowhere) is a
// note, never guessed.
#include <string>

#include "host/quantity.h"
#include "statements/statement.h"

namespace cartera::statements {

// The ratio "new:old" of shares in for shares out in lowest terms, worked out exactly: 7.451195
// in for 29.80478 out is "1:4". Empty when either is not above 0, or the terms are beyond
// what a ratio holds (model/action.h).
std::string RatioOfShares(Quantity in, Quantity out);

// Nets the pairs of rows a CSV broker writes a split as, the old quantity out and the new
// one in (kind action, type kSplit, signed quantity, one moment and security), into one
// split row with the ratio of their quantities; a row without its other half becomes a note
// naming `what`.
void NetSplitPairs(Statement* statement, std::string_view what);

// Nets the action rows as read (kind action, type 0: the broker's code in actionCode, a
// signed quantity, an amount paid in cash) of each action (the same account, code, date and
// description) into one row; what cannot be read becomes a note. Flex codes: FS split, RS
// reverse split, FI split with an ISIN change, IC a CUSIP or ISIN change, SD stock dividend,
// TC merger; SO (spin-off) and the rest are notes. The ratio is the description's "N FOR M"
// or, for rows out and in, their quantities.
void NetFlexActions(Statement* statement);

}  // namespace cartera::statements
