#pragma once
// Corporate actions in broker statements. A statement lists one action as several rows (the
// old security's shares out, the new one's in, a fraction paid in cash); they are netted
// into one action row, which the plan makes a movement of (model/action.h). An action the
// rows do not tell enough of (a spin-off's share of cost, a ratio written nowhere) is a
// note, never guessed.
#include "statements/statement.h"

namespace cartera::statements {

// Nets the action rows as read (kind action, type 0: the broker's code in actionCode, a
// signed quantity, an amount paid in cash) of each action (the same account, code, date and
// description) into one row; what cannot be read becomes a note. Flex codes: FS split, RS
// reverse split, FI split with an ISIN change, IC a CUSIP or ISIN change, SD stock dividend,
// TC merger; SO (spin-off) and the rest are notes. The ratio is the description's "N FOR M"
// or, for rows out and in, their quantities.
void NetFlexActions(Statement* statement);

}  // namespace cartera::statements
