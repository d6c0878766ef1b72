#pragma once
// The options that describe a movement, and how they fill the entry pages' rules: a new
// movement starts as a fresh page, a modified one as the page opened on that movement, and
// every option given replaces the page's value.
#include <cstdint>

#include "app/cli/options.h"
#include "model/order.h"

namespace cartera::cli {

struct MovementOptions {
    // Buys and sells; code, symbol, group and decimals also for dividends.
    TextOption code, symbol, contracts, price, schedule, commission, group, decimals;
    // Cash movements.
    TextOption type, amount, description;
    // Dividends.
    TextOption shares, perShare;
    TextOption date, time;
    // Any movement: its currency and its rate to the portfolio's.
    TextOption currency, rate;
    // Corporate actions.
    TextOption ratio, to, costShare, cashInLieu, fraction;
    // Currency exchanges: the currency and amount sold, the currency and amount bought.
    TextOption from, sold, into, bought;
};

// Register the options of one kind of movement on sub. required marks the options a new
// movement cannot do without.
void AddExecutionOptions(CLI::App* sub, MovementOptions& o, bool required);
void AddCashOptions(CLI::App* sub, MovementOptions& o, bool required);
void AddDividendOptions(CLI::App* sub, MovementOptions& o, bool required);
void AddWhenOptions(CLI::App* sub, MovementOptions& o);
void AddCurrencyOptions(CLI::App* sub, MovementOptions& o);

// Gives m the currency and rate the options name (a rate not given comes from the rates
// table in the home folder for m's date); a usage error naming the pair and the date when
// there is none, or when the portfolio's own currency is not named yet.
void ApplyCurrencyOptions(const CSistemaCartera& ledger, const MovementOptions& o,
                          COrderCartera& m);
// The options of the exchange command, and the exchange they describe (a usage error with
// the reason for what entry refuses: the same currency twice, an amount not above 0, no rate
// when neither side is the portfolio's currency).
void AddExchangeOptions(CLI::App* sub, MovementOptions& o);
COrderCartera ExchangeMovement(const CSistemaCartera& ledger, const MovementOptions& o);
// The options of the command that records a corporate action of type (model/action.h).
void AddActionOptions(CLI::App* sub, MovementOptions& o, int32_t type);

// The movement type of a --type word (imposition, refund, deposit, expense); usage error
// for anything else.
int32_t CashType(const std::string& word);
// A name for a movement type in messages ("buy", "expense", ...).
std::string TypeName(int32_t type);
// Fails with a usage error when an option given does not belong to a movement of type.
void CheckOptionsApply(const MovementOptions& o, int32_t type);

// The movement the buy/sell page records: from the options alone (modifying null, side by
// buy) or from the page opened on modifying. Usage errors for bad values.
COrderCartera ExecutionMovement(const CSistemaCartera& ledger, const MovementOptions& o,
                                const COrderCartera* modifying, bool buy);
// The other-operations pages, likewise; a new movement is dated now by ctx's clock.
COrderCartera CashMovement(const Context& ctx, const MovementOptions& o,
                           const COrderCartera* modifying, int32_t type);
// The corporate action of type the options describe. A fraction paid in cash without
// --fraction is the one the position the ledger's open trades hold leaves.
COrderCartera ActionMovement(const CSistemaCartera& ledger, const MovementOptions& o, int32_t type);
// The options that change a recorded action (--ratio, --to, --cost-share), and the action
// old becomes with them and the other options given (code, symbol, date, time); its cash in
// lieu is kept. Usage errors as ActionMovement's.
void AddActionChangeOptions(CLI::App* sub, MovementOptions& o);
COrderCartera ModifiedAction(const CSistemaCartera& ledger, const MovementOptions& o,
                             const COrderCartera& old);
// Whether ActionMovement needs the journal read (for the position's fraction).
bool ActionNeedsPosition(const MovementOptions& o);
COrderCartera DividendMovement(const Context& ctx, const MovementOptions& o,
                               const COrderCartera* modifying);

}  // namespace cartera::cli
