#include "analytics/tables.h"

#include "host/dates.h"
#include "host/numbers.h"
#include "text/csv.h"

namespace cartera::analytics {
namespace {

Cell Maybe(const std::optional<double>& v) { return v ? Cell(*v) : Cell(); }

std::string Period(const CalendarEntry& e) {
    std::string iso = IsoDate(DateNumber(e.year, e.month ? e.month : 1, e.day ? e.day : 1));
    return iso.substr(0, e.month == 0 ? 4 : e.day == 0 ? 7 : 10);
}

}  // namespace

Table StatsTable(const Stats& s) {
    return {{"trades",           "wins",
             "losses",           "breakeven",
             "win_rate",         "gross_profit",
             "gross_loss",       "profit_factor",
             "average_win",      "average_loss",
             "payoff_ratio",     "expectancy",
             "largest_win",      "largest_loss",
             "max_win_streak",   "max_loss_streak",
             "avg_days_winners", "avg_days_losers",
             "max_drawdown",     "max_drawdown_pct"},
            {{s.trades,
              s.wins,
              s.losses,
              s.breakeven,
              s.winRate,
              s.grossProfit,
              s.grossLoss,
              Maybe(s.profitFactor),
              s.averageWin,
              s.averageLoss,
              Maybe(s.payoffRatio),
              s.expectancy,
              s.largestWin,
              s.largestLoss,
              s.maxWinStreak,
              s.maxLossStreak,
              s.avgDaysWinners,
              s.avgDaysLosers,
              s.maxDrawdown,
              Maybe(s.maxDrawdownPct)}}};
}

Table EquityTable(const std::vector<EquityPoint>& curve) {
    Table t{{"date", "result", "equity", "drawdown"}, {}};
    for (const EquityPoint& p : curve)
        t.rows.push_back({IsoDate(p.date), p.result, p.equity, p.drawdown});
    return t;
}

Table CalendarTable(const std::vector<CalendarEntry>& entries) {
    Table t{{"period", "result", "trades"}, {}};
    for (const CalendarEntry& e : entries) t.rows.push_back({Period(e), e.result, e.trades});
    return t;
}

Table TaxTradesTable(const TaxReport& r) {
    Table t{{"code", "symbol", "side", "contracts", "entry_date", "exit_date", "proceeds", "cost",
             "gain", "days_held", "term"},
            {}};
    for (const TaxTrade& x : r.trades) {
        const ClosedTrade& c = x.trade;
        t.rows.push_back({std::string(c.code), std::string(c.symbol),
                          std::string(c.isLong ? "long" : "short"), c.contracts,
                          IsoDate(c.entryDate), IsoDate(c.exitDate), c.proceeds, c.cost, c.result,
                          int64_t{c.daysHeld}, std::string(x.longTerm ? "long" : "short")});
    }
    return t;
}

Table TaxTotalsTable(const TaxReport& r) {
    return {{"gain", "short_term", "long_term"}, {{r.gain, r.shortTerm, r.longTerm}}};
}

Table CashTable(const std::vector<CashLine>& lines) {
    Table t{{"code", "symbol", "amount"}, {}};
    for (const CashLine& l : lines) t.rows.push_back({l.code, l.symbol, l.amount});
    return t;
}

Table BreakdownTable(const std::vector<BreakdownRow>& rows, const std::string& keyColumn) {
    Table t{
        {keyColumn, "trades", "win_rate", "result", "profit_factor", "expectancy", "avg_days_held"},
        {}};
    for (const BreakdownRow& r : rows)
        t.rows.push_back({r.key, r.trades, r.winRate, r.result, Maybe(r.profitFactor), r.expectancy,
                          r.avgDaysHeld});
    return t;
}

std::string ExactCellText(const Cell& c) {
    if (auto* s = std::get_if<std::string>(&c)) return *s;
    if (auto* d = std::get_if<double>(&c)) return FullNumberText(*d);
    if (auto* n = std::get_if<int64_t>(&c)) return std::to_string(*n);
    if (auto* q = std::get_if<Quantity>(&c)) return q->Text();
    return "";
}

void WriteCsv(std::ostream& out, const Table& t) {
    WriteCsvRecord(out, t.columns);
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (const Cell& c : row) cells.push_back(ExactCellText(c));
        WriteCsvRecord(out, cells);
    }
}

}  // namespace cartera::analytics
