#include "model/totals.h"

namespace cartera {

void Totals::SumAll(const CArrayOrders& journal) {
    cashCapital = 0.0;
    impositions = deposits = refunds = expenses = dividends = 0.0;
    SumFrom(journal, 0);
}

void Totals::SumFrom(const CArrayOrders& journal, size_t from) {
    for (size_t i = from; i < journal.size(); ++i) {
        const COrderCartera& m = journal[i];
        // In the portfolio's currency; a movement in it (rate 1) counts to the bit as it is.
        double q = m.IsSharelessDividend() ? 0.0 : m.contracts.ToDouble() * m.rate;
        switch (m.type) {
            case kDividend:
                dividends += (m.commission + m.price) * q;
                break;
            case kExpense:
                expenses += q * m.price;
                cashCapital -= q * m.price;
                break;
            case kImposition:
                impositions += q * m.price;
                cashCapital += q * m.price;
                break;
            case kDeposit:
                deposits += q * m.price;
                cashCapital += q * m.price;
                break;
            case kRefund:
                refunds += q * m.price;
                cashCapital -= q * m.price;
                break;
            default:
                break;
        }
    }
    cashSummed = journal.size();
}

// The trades' sums are kept exactly as the trade lists change (rounded once, whatever the
// order), so a change that touches a few trades gives the bits a full matching would.
void Totals::Finish(const TradeList& closed, const TradeList& open) {
    openProfit = open.ProfitSum();
    exchangePart = open.ExchangeSum() + closed.ExchangeSum();
    closedProfit = dividends + closed.ProfitSum();
    guarantees = open.GuaranteeSum();
    capital = cashCapital + closedProfit;
    invested = open.InvestedSum();
}

double Totals::BalanceAfter(const COrderCartera& m) const {
    double q = m.IsSharelessDividend() ? 0.0 : m.contracts.ToDouble() * m.rate;
    switch (m.type) {
        case kDividend:
            return capital + (m.commission + m.price) * q;
        case kImposition:
        case kDeposit:
            return capital + q * m.price;
        case kExpense:
        case kRefund:
            return capital - q * m.price;
        default:
            return capital;
    }
}

}  // namespace cartera
