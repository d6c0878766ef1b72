#pragma once
// Corporate actions: each a movement of its own (types 8 to 12, model/order.h) that changes
// the lots of its security open before it in the journal, never a movement before it. A lot
// keeps its entry date and its total cost: a split multiplies its contracts by the ratio and
// divides its price and commission per contract by it.
//
// An action's fields: quoteCode the security, date and time, symbol the display name after it;
// contracts and price a fraction of new shares the broker paid out and the cash per share
// (cash in lieu; a split's or a merger's), or a stock dividend's shares (0: by its ratio).
// What fits no field of the record is its terms, one canonical text: "4:1" (a ratio, new for
// old), "to=NEWCODE" (the code after), "cost=0.25" (the share of the parent's cost a
// spin-off's lots take), separated by a space.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "host/quantity.h"
#include "model/order.h"
#include "model/trade_list.h"

namespace cartera {

// An action's terms as a reader and a writer of them see them.
struct ActionTerms {
    Quantity ratioNew = 1, ratioOld = 1;  // new shares for old ones, both above 0
    std::string newCode;                  // rename, spin-off, merger: the security after
    Quantity costShare;                   // spin-off: 0 to 1
};

// The canonical text of terms: what the kind reads of them, in a fixed order.
std::string FormatTerms(int32_t type, const ActionTerms& terms);
// Reads terms written by FormatTerms (any order); false, with the reason in *why (English,
// a caller shows its own text), for an unknown word, a ratio that is not two numbers above 0,
// a cost share outside 0 to 1.
bool ParseTerms(std::string_view text, ActionTerms* out, std::string* why = nullptr);
// Reads a ratio "new:old" (plain decimals, "4:1", "1:10", "0.3547:1"); false with the reason
// for a part missing, 0 or negative, or beyond 10^9.
bool ParseRatio(std::string_view text, Quantity* ratioNew, Quantity* ratioOld, std::string* why);
// Whether a kind needs a ratio, and a code after it.
bool TakesRatio(int32_t type);
bool TakesNewCode(int32_t type);

// An action as matching applies it, its terms read once. A movement whose terms do not read
// (only a damaged or crafted file holds one) changes nothing but what its kind needs no
// terms for.
struct ActionRule {
    explicit ActionRule(const COrderCartera& action);

    const COrderCartera& action;
    __int128 ratioNew = 1, ratioOld = 1;  // in lowest terms
    double priceFactor = 1.0;             // old for new: what a price per share is multiplied by
    double costShare = 0.0;
    PooledText codeAfter;    // the security whose lots the action leaves (its own or the new)
    PooledText symbolAfter;  // their display name

    // Whether the lots the action meets move to another security.
    bool MovesLots() const;
    // Units scaled by the ratio, truncated toward 0 (and kept within 2^120).
    __int128 Scaled(__int128 units) const;
    // A split, a rename or a merger applied to a lot: lot is its movement as adjusted so far,
    // units its contracts left.
    void Adjust(COrderCartera& lot, __int128& units) const;
    // A spin-off applied to a parent lot: the parent keeps its share of cost, and the lot of the
    // new security it gives is returned, with its units in *childUnits (0: none).
    COrderCartera SplitOff(COrderCartera& parent, __int128 parentUnits, __int128* childUnits) const;
    // A stock dividend's lot of new shares at no cost, dated the action's, given the units held
    // at it; its units in *units (0: none).
    COrderCartera DividendLot(__int128 held, __int128* units) const;
    // Whether the action pays cash in lieu of a fraction, and the sell of that fraction it
    // stands for (of the security after it), with its units.
    bool PaysCashInLieu() const;
    COrderCartera CashInLieuExit() const;
};

// The code whose market data a movement asks for: an execution's own; an action's code after
// it, when it moves lots to another or makes them there; else empty.
PooledText QuotedCode(const COrderCartera& m);

// A security's open position: its contracts and their cost (price and commission).
struct Holding {
    std::string code;
    Quantity contracts;
    double cost = 0.0;
};
// The positions an action appended at the journal's end meets and leaves, from the open
// trades as they are: before, the action's security; after, each security it leaves lots
// in, a fraction paid in cash taken off. (The lots at the end are those the action meets.)
struct ActionPreview {
    Holding before;
    std::vector<Holding> after;
};
ActionPreview PreviewAction(const TradeList& open, const COrderCartera& action);
// The fraction of a share the action leaves of its security after it, from the open trades:
// what a broker pays in cash when it keeps whole shares.
Quantity FractionLeft(const TradeList& open, const COrderCartera& action);

// The action movement entry makes (the sheet and the command line): of type on code with
// terms, dated when; symbol the display name after it (empty: the code after it); contracts
// a fraction of a new share paid in cash (amount the whole cash paid for it) or a stock
// dividend's shares, or 0.
COrderCartera BuildAction(int32_t type, const std::string& code, const std::string& symbol,
                          const ActionTerms& terms, std::time_t when, Quantity contracts,
                          double amount);

}  // namespace cartera
