#pragma once
// The portfolio totals, in the portfolio's currency: sums of the cash movements, run in journal
// order so results are reproducible to the bit, and of the trades, which the trade lists keep
// exactly.
#include <cstddef>

#include "model/order.h"
#include "model/trade_list.h"

namespace cartera {

struct Totals {
    double capital = 0, openProfit = 0, closedProfit = 0, invested = 0;
    double impositions = 0, deposits = 0, refunds = 0, expenses = 0, dividends = 0;
    double guarantees = 0;
    double exchangePart = 0;  // what the rates' moves did to the trades' results
    double cashCapital = 0;   // capital from the cash movements alone
    size_t cashSummed = 0;    // movements the running sums hold

    // Whether the running sums hold all of a journal of that size.
    bool Summed(size_t journalSize) const { return cashSummed == journalSize; }
    // Sums the cash movements of the whole journal afresh.
    void SumAll(const CArrayOrders& journal);
    // Adds the cash movements from place from on to the running sums. A movement appended to
    // the journal comes last in the sums, so this gives the very bits summing all again would.
    void SumFrom(const CArrayOrders& journal, size_t from);
    // The totals that depend on the trades, from the sums and the trade lists.
    void Finish(const TradeList& closed, const TradeList& open);
    // The capital once the movement m is added to it.
    double BalanceAfter(const COrderCartera& m) const;
};

}  // namespace cartera
