#pragma once
// A broker's statement read into rows the ledger can take, and the plan of importing them.
// Readers turn a file into a Statement; PlanImport decides, against the ledger, what is
// added, what is already there and what is refused. Nothing here writes a file.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "host/quantity.h"
#include "model/order.h"

class CSistemaCartera;

namespace cartera::statements {

enum class RowKind {
    trade,       // a buy or a sell
    cancel,      // removes the trade `cancels` names (or, without it, the one its fields match)
    dividend,    // gross amount received; `rate` per share when the broker gives it
    expense,     // an amount charged; negative for a refund that reduces it (tax reclaimed)
    income,      // interest received
    imposition,  // cash paid in
    refund,      // cash taken out
    action,      // a corporate action (statements/actions.h)
    exchange,    // `amount` of `currency` bought with `soldAmount` of `soldCurrency`
};

struct StatementRow {
    RowKind kind = RowKind::trade;
    size_t line = 0;        // 1-based line of the file where the row starts, for messages
    std::string account;    // empty when the file names none
    std::string currency;   // ISO code as the broker writes it; empty when it names none
    std::string id;         // the broker's transaction id without prefix; empty when none
    std::string cancels;    // cancel rows: the id of the trade they cancel, when known
    int32_t date = 0;       // date number
    int32_t time = 0;       // seconds after midnight; 0 when the broker gives none
    std::string security;   // what keeps securities apart (IB conid, ISIN); may be empty
    std::string symbol;     // the security's text as the broker shows it
    std::string code;       // the quote code to file it under; empty: the symbol
    bool buy = false;       // trades: the side
    Quantity quantity;      // trades and dividends: shares, positive, exactly as written
    double price = 0;       // trades: per share, exactly as reported
    double commission = 0;  // trades: total charged, positive (a rebate is negative)
    double multiplier = 1;  // trades: the value of one price point per share
    double amount = 0;      // cash rows: the amount, positive except an expense's refund
    double rate = 0;        // dividends: per share when known, else 0
    double realized = 0;    // trades: the broker's own realized result, when it gives one
    // Units of the account's base currency one unit of `currency` bought, as the broker
    // applied it; 0 when the statement gives none.
    double fxRate = 0;
    // Exchanges: the currency and amount sold (the bought side is `currency` and `amount`).
    std::string soldCurrency;
    double soldAmount = 0;
    std::string description;  // the broker's own text, for reports
    // Actions: the movement type (model/order.h), the ratio "new:old", the security after it
    // (its code as `code` is assigned), and the fraction of a share paid in cash (quantity,
    // with its amount and realized result) or a stock dividend's shares (quantity). As read,
    // before the rows of one action are netted: the broker's type code and signed quantity.
    int32_t action = 0;
    std::string actionCode, ratio, newSymbol, newSecurity, newCode;
};

// Something the statement holds that is reported, not applied (a split, a merger, a
// cancellation that removed a trade).
struct StatementNote {
    size_t line = 0;
    std::string text;
};

struct Statement {
    std::string format;    // the recognised format's name, e.g. "ib-flex-xml", "degiro"
    std::string idPrefix;  // kept before each id in the movement's order text: "IB:", "DEGIRO:"
    std::vector<StatementRow> rows;
    std::vector<StatementNote> notes;
    // Movements a reader built whole, as entry records them (Cartera's own CSV, whose rows
    // are the journal's movements already), with the line of each: added as they are, in
    // the file's order, after the rows; never matched against the journal.
    std::vector<COrderCartera> movements;
    std::vector<size_t> movementLines;
};

struct ImportOptions {
    std::string account;   // empty: a statement with several accounts is refused
    std::string currency;  // empty: a statement with several currencies is refused
};

struct RefusedRow {
    size_t line = 0;
    std::string why;
};

struct ImportPlan {
    std::vector<COrderCartera> added;  // by date and time, ready for AddOrders
    std::vector<size_t> addedLines;    // the statement's line of each added movement
    // Copies of the journal's movements the statement cancels (trades an earlier import
    // added), to leave the journal in the same change: AddOrders' withdrawn, by their ids.
    std::vector<COrderCartera> withdrawn;
    size_t skipped = 0;                // already in the ledger (or twice in the statement)
    std::vector<RefusedRow> refused;   // rows left out, each with its reason
    std::vector<std::string> leftOut;  // "12 EUR rows left out: import them into a EUR portfolio"
    std::vector<StatementNote> notes;  // reported, not applied
};

// Decides what importing `statement` into `ledger` adds: its rows' movements, then its
// whole movements (see Statement::movements). Throws cartera::Error
// (ErrorKind::invalid_input) when nothing may be imported: several accounts without
// options.account (the message lists them), several currencies without options.currency,
// a quantity or an amount out of the entry bounds. A
// cancellation takes its trade out of the statement, and out of the journal when an earlier import
// added it: by the order text of the trade's id, else by the same security, side, quantity, price
// and date. Does not change the ledger.
ImportPlan PlanImport(const Statement& statement, const CSistemaCartera& ledger,
                      const ImportOptions& options);
// The ids of plan.withdrawn, as AddOrders takes them.
std::vector<uint64_t> WithdrawnIds(const ImportPlan& plan);

}  // namespace cartera::statements
