#pragma once
// Trading statistics over closed trades in exit order (see trades.h): the summary figures,
// the equity curve with its drawdown, a calendar of results, the tax year and breakdowns.
// Every total is an order-independent exact sum (model/exact_total.h), so the same trades give the
// same figure to the bit in every table.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analytics/trades.h"

class CSistemaCartera;

namespace cartera::analytics {

struct Stats {
    int64_t trades = 0, wins = 0, losses = 0, breakeven = 0;
    double result = 0.0;                         // net result of all the trades
    double winRate = 0.0;                        // wins / trades, 0 without trades
    double grossProfit = 0.0, grossLoss = 0.0;   // both >= 0
    std::optional<double> profitFactor;          // none without losses
    double averageWin = 0.0, averageLoss = 0.0;  // 0 without wins or losses
    std::optional<double> payoffRatio;           // none without wins or losses
    double expectancy = 0.0;
    double largestWin = 0.0, largestLoss = 0.0;   // the results themselves (loss <= 0)
    int64_t maxWinStreak = 0, maxLossStreak = 0;  // a breakeven ends both kinds of run
    double avgDaysWinners = 0.0, avgDaysLosers = 0.0;
    double maxDrawdown = 0.0;              // of the daily equity, >= 0
    std::optional<double> maxDrawdownPct;  // of that fall's peak, when the peak is above 0
};

struct EquityPoint {
    int32_t date = 0;
    double result = 0.0;    // the day's trades
    double equity = 0.0;    // running sum (plus contributions when asked)
    double drawdown = 0.0;  // below the running peak, >= 0
};

struct CalendarEntry {
    int year = 0, month = 0, day = 0;  // month 0: the year's total; day 0: a month's total
    double result = 0.0;
    int64_t trades = 0;
};

struct TaxTrade {
    ClosedTrade trade;
    bool longTerm = false;  // held more than the term's days
};
struct CashLine {
    std::string code, symbol;
    double amount = 0.0;
};
struct TaxReport {
    int year = 0;
    int termDays = 365;
    std::vector<TaxTrade> trades;  // exit order
    double gain = 0.0, shortTerm = 0.0, longTerm = 0.0;
    std::vector<CashLine> dividends, expenses;  // by security, in code order
};

enum class BreakdownBy { group, code, side, weekday, month, holding };
struct BreakdownRow {
    std::string key;  // group or code; long/short; Monday..Sunday; YYYY-MM; holding bucket
    // The key as a number, for labels in other languages: side 0 long, 1 short; weekday 0
    // (Monday) to 6; month YYYYMM; holding bucket 0 to 5; -1 for the total row.
    int64_t ordinal = 0;
    int64_t trades = 0;
    double winRate = 0.0, result = 0.0;
    std::optional<double> profitFactor;
    double expectancy = 0.0, avgDaysHeld = 0.0;
};

// trades in exit order. The drawdown is that of EquityCurve(trades) without contributions.
Stats ComputeStats(const std::vector<ClosedTrade>& trades);

// One point per exit date (and, with contributions, per date the capital changed). With
// ledger, equity starts from and adds the capital contributed (impositions and deposits
// less refunds) up to each day.
std::vector<EquityPoint> EquityCurve(const std::vector<ClosedTrade>& trades,
                                     const CSistemaCartera* ledger = nullptr,
                                     const Filter& filter = {});

// Days with trades, then per month and per year; each list in date order.
struct Calendar {
    std::vector<CalendarEntry> days, months, years;
};
Calendar BuildCalendar(const std::vector<ClosedTrade>& trades);

// The trades of trades exiting in year, and the year's dividends and expenses of the
// ledger's cash movements that pass filter.
TaxReport BuildTaxReport(const std::vector<ClosedTrade>& trades, const CSistemaCartera& ledger,
                         const Filter& filter, int year, int termDays = 365);

// One row per key in the key's natural order, and a last row "Total" over all the trades.
std::vector<BreakdownRow> BuildBreakdown(const std::vector<ClosedTrade>& trades, BreakdownBy by);

}  // namespace cartera::analytics
