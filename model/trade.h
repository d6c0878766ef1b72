#pragma once
// The trade record: an entry movement joined with a real or a fictitious exit.
#include <cstdint>
#include <string>
#include <vector>

#include "host/quantity.h"
#include "model/pooled_text.h"

// Percentage shown when the divisor of a trade's percentage is zero.
inline constexpr double kPercentageOfNothing = 2147483647.0;

class CNegocioC {
  public:
    CNegocioC() = default;
    CNegocioC(const CNegocioC&) = default;
    CNegocioC(CNegocioC&&) noexcept = default;
    CNegocioC& operator=(const CNegocioC&) = default;
    CNegocioC& operator=(CNegocioC&&) noexcept = default;
    ~CNegocioC() = default;

    // The trade record's fields that play no part in the portfolio are left out; the rest
    // are grouped by size, with no virtual table, so a trade stays small (192 bytes).
    uint64_t id = 0;  // the entry movement's id
    double entryPrice = 0.0;
    double exitPrice = 0.0;  // open trades: the last known price
    double profit = 0.0;
    double percentage = 0.0;
    double entryCommission = 0.0;  // per contract
    double exitCommission = 0.0;   // per contract
    double pointValue = 0.0;
    double guarantee = 0.0;
    // Portfolio currency per unit of the trade's currency at its entry and at its exit (open
    // trades: the live rate); 1 for a trade in the portfolio's currency.
    double entryRate = 1.0;
    double exitRate = 1.0;
    cartera::Quantity contracts;
    cartera::Quantity remainder;  // closed: what is left on the side not used up; open: contracts
    int32_t entryDate = 0;
    int32_t entryTime = 0;
    int32_t exitDate = 0;  // open trades: when matching ran
    int32_t exitTime = 0;
    int32_t daysHeld = 0;
    int32_t entryStoredWord = 0;   // the entry movement's storedWord
    int32_t exitStoredWord = 0;    // the exit movement's storedWord (closed trades)
    int32_t entryCarriedWord = 0;  // the entry movement's carriedWord
    PooledText entryText;
    PooledText exitText;
    PooledText quoteCode;  // the entry's code; key for ticks
    PooledText entryGroup;
    PooledText exitGroup;
    PooledText symbol;
    PooledText currency;          // the entry's currency; empty: the portfolio's
    uint32_t entryPosition = 0;   // the entry movement's place in the journal when matched
    uint8_t isLong = 0;           // the entry movement's buy flag
    int8_t entryInstrument = -1;  // closed trades: the entry's letter
    uint8_t exitClosing = 0;
    uint8_t decimals = 0;
    char exitInstrument = 'V';
    // Open trades: 1 when ticks or loading changed the valuation matching gave it, so the
    // next matching of only some securities values it again as a full matching would.
    uint8_t revalue = 0;
};

using CArrayNegocioC = std::vector<CNegocioC>;

class COrderCartera;

namespace cartera {

// Whether a and b hold the same values in every field (numbers to the bit).
bool SameTrade(const CNegocioC& a, const CNegocioC& b);

// A closed trade with every field taken from its entry e and exit x; contracts, remainder,
// profit and percentage are left for the matching to set.
CNegocioC ClosedTradeFields(const COrderCartera& e, const COrderCartera& x);
// The same fields set in t, whose others are left as they are: a trade reused for many is
// not cleared each time.
void SetClosedTradeFields(const COrderCartera& e, const COrderCartera& x, CNegocioC& t);
// The open trade of q contracts left of m, with exit commission per contract cx and a
// fictitious exit at the given date and time, valued at m's own price.
CNegocioC OpenTradeFields(const COrderCartera& m, Quantity q, double cx, int32_t nowDate,
                          int32_t nowTime);

// Per-unit result of a closed trade.
inline double ClosedUnitResult(bool isLong, double pe, double pve, double px, double pvx, double ce,
                               double cx) {
    return isLong ? px * pvx - pe * pve - (ce + cx) : pe * pve - px * pvx - (ce + cx);
}

// Per-unit result of an open trade valued at px, with one point value.
inline double OpenUnitResult(bool isLong, double pe, double px, double pv, double ce, double cx) {
    return isLong ? (px - pe) * pv - (ce + cx) : (pe - px) * pv - (ce + cx);
}

// 100 x r / d, or kPercentageOfNothing when d is 0.
inline double TradePercentage(double r, double d) {
    return d == 0.0 ? kPercentageOfNothing : 100.0 * r / d;
}

// Commission of a whole trade, and the entry and exit totals shown by the grids.
inline double TradeCommission(const CNegocioC& t) {
    return (t.exitCommission + t.entryCommission) * t.contracts.ToDouble();
}
inline double TradeEntryTotal(const CNegocioC& t) {
    return (t.entryPrice - t.entryCommission) * t.contracts.ToDouble();
}
inline double TradeExitTotal(const CNegocioC& t) {
    return (t.exitPrice - t.exitCommission) * t.contracts.ToDouble();
}

// The result in the portfolio's currency, in two parts as brokers split it: the price part,
// the result in the trade's currency at the exit rate; and the exchange part, what the rate's
// move did to the entry's cost (its commission included). Both are exactly 0 and the result
// for a trade in the portfolio's currency.
inline double TradePricePart(const CNegocioC& t) { return t.profit * t.exitRate; }
inline double TradeExchangePart(const CNegocioC& t) {
    if (t.exitRate == t.entryRate) return 0.0;
    const double side = t.isLong ? 1.0 : -1.0;
    const double cost = t.entryPrice * t.pointValue + side * t.entryCommission;
    return side * cost * t.contracts.ToDouble() * (t.exitRate - t.entryRate);
}
inline double TradeBaseResult(const CNegocioC& t) {
    return TradePricePart(t) + TradeExchangePart(t);
}

}  // namespace cartera
