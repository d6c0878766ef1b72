#include "analytics/report.h"

#include <algorithm>
#include <map>

#include "host/dates.h"
#include "model/exact_total.h"
#include "model/sistema.h"

namespace cartera::analytics {
namespace {

// The sums every table shares, over any set of trades.
struct Tally {
    int64_t trades = 0, wins = 0, losses = 0;
    ExactTotal result, gross_profit, gross_loss;
    int64_t days = 0;

    void Add(const ClosedTrade& t) {
        ++trades;
        result.Add(t.result);
        days += t.daysHeld;
        if (t.result > 0) {
            ++wins;
            gross_profit.Add(t.result);
        } else if (t.result < 0) {
            ++losses;
            gross_loss.Add(-t.result);
        }
    }
    double WinRate() const {
        return trades ? static_cast<double>(wins) / static_cast<double>(trades) : 0.0;
    }
    std::optional<double> ProfitFactor() const {
        double gl = gross_loss.Value();
        if (gl == 0.0) return std::nullopt;
        return gross_profit.Value() / gl;
    }
    double Expectancy() const {
        return trades ? result.Value() / static_cast<double>(trades) : 0.0;
    }
};

double Average(double sum, int64_t n) { return n ? sum / static_cast<double>(n) : 0.0; }

int HoldingBucket(int32_t days) {
    static constexpr int32_t kUpTo[] = {0, 5, 20, 60, 365};
    for (int i = 0; i < 5; ++i)
        if (days <= kUpTo[i]) return i;
    return 5;
}

struct Key {
    int64_t ordinal = 0;
    std::string_view text;  // group or code; empty for the numbered keys
    bool operator<(const Key& o) const {
        return ordinal != o.ordinal ? ordinal < o.ordinal : text < o.text;
    }
};

Key KeyOf(const ClosedTrade& t, BreakdownBy by) {
    switch (by) {
        case BreakdownBy::group:
            return {0, t.group};
        case BreakdownBy::code:
            return {0, t.code};
        case BreakdownBy::side:
            return {t.isLong ? 0 : 1, {}};
        case BreakdownBy::weekday:
            return {Weekday(t.exitDate), {}};
        case BreakdownBy::month: {
            int y, m, d;
            CivilDate(t.exitDate, &y, &m, &d);
            return {int64_t{y} * 100 + m, {}};
        }
        case BreakdownBy::holding:
            return {HoldingBucket(t.daysHeld), {}};
    }
    return {};
}

std::string Label(const Key& k, BreakdownBy by) {
    static const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
    static const char* const kHolding[] = {"0 days",     "1-5 days",    "6-20 days",
                                           "21-60 days", "61-365 days", "over 365 days"};
    switch (by) {
        case BreakdownBy::side:
            return k.ordinal == 0 ? "long" : "short";
        case BreakdownBy::weekday:
            return kWeekdays[k.ordinal];
        case BreakdownBy::month:
            return IsoDate(DateNumber(static_cast<int>(k.ordinal / 100),
                                      static_cast<int>(k.ordinal % 100), 1))
                .substr(0, 7);
        case BreakdownBy::holding:
            return kHolding[k.ordinal];
        default:
            return std::string(k.text);
    }
}

BreakdownRow RowOf(std::string key, const Tally& t) {
    BreakdownRow r;
    r.key = std::move(key);
    r.trades = t.trades;
    r.winRate = t.WinRate();
    r.result = t.result.Value();
    r.profitFactor = t.ProfitFactor();
    r.expectancy = t.Expectancy();
    r.avgDaysHeld = Average(static_cast<double>(t.days), t.trades);
    return r;
}

// Capital contributed, by date: impositions and deposits add, refunds take away.
std::map<int32_t, ExactTotal> Contributions(const CSistemaCartera& ledger, const Filter& filter) {
    std::map<int32_t, ExactTotal> out;
    for (const COrderCartera& m : ledger.GetOrders()) {
        if (m.type != kImposition && m.type != kDeposit && m.type != kRefund) continue;
        if (filter.to && m.date > *filter.to) continue;
        double amount = m.contracts.ToDouble() * m.rate * m.price;  // in the portfolio's currency
        out[m.date].Add(m.type == kRefund ? -amount : amount);
    }
    return out;
}

}  // namespace

Stats ComputeStats(const std::vector<ClosedTrade>& trades) {
    Stats s;
    Tally all;
    int64_t winDays = 0, lossDays = 0, winRun = 0, lossRun = 0;
    for (const ClosedTrade& t : trades) {
        all.Add(t);
        if (t.result > 0) {
            winDays += t.daysHeld;
            s.largestWin = std::max(s.largestWin, t.result);
        } else if (t.result < 0) {
            lossDays += t.daysHeld;
            s.largestLoss = std::min(s.largestLoss, t.result);
        }
        winRun = t.result > 0 ? winRun + 1 : 0;
        lossRun = t.result < 0 ? lossRun + 1 : 0;
        s.maxWinStreak = std::max(s.maxWinStreak, winRun);
        s.maxLossStreak = std::max(s.maxLossStreak, lossRun);
    }
    s.trades = all.trades;
    s.wins = all.wins;
    s.losses = all.losses;
    s.breakeven = all.trades - all.wins - all.losses;
    s.result = all.result.Value();
    s.winRate = all.WinRate();
    s.grossProfit = all.gross_profit.Value();
    s.grossLoss = all.gross_loss.Value();
    s.profitFactor = all.ProfitFactor();
    s.averageWin = Average(s.grossProfit, s.wins);
    s.averageLoss = Average(s.grossLoss, s.losses);
    if (s.wins && s.losses) s.payoffRatio = s.averageWin / s.averageLoss;
    s.expectancy = all.Expectancy();
    s.avgDaysWinners = Average(static_cast<double>(winDays), s.wins);
    s.avgDaysLosers = Average(static_cast<double>(lossDays), s.losses);
    double peak = 0.0;
    for (const EquityPoint& p : EquityCurve(trades)) {
        peak = std::max(peak, p.equity);
        if (p.drawdown > s.maxDrawdown) {
            s.maxDrawdown = p.drawdown;
            s.maxDrawdownPct =
                peak > 0 ? std::optional<double>(100.0 * p.drawdown / peak) : std::nullopt;
        }
    }
    return s;
}

std::vector<EquityPoint> EquityCurve(const std::vector<ClosedTrade>& trades,
                                     const CSistemaCartera* ledger, const Filter& filter) {
    std::map<int32_t, ExactTotal> capital;
    if (ledger) capital = Contributions(*ledger, filter);
    ExactTotal equity;
    auto nextCapital = capital.begin();
    // Contributions before the first day shown are where the curve starts.
    int32_t firstShown = trades.empty() ? INT32_MAX : trades.front().exitDate;
    if (filter.from) firstShown = std::min(firstShown, *filter.from);
    for (; nextCapital != capital.end() && nextCapital->first < firstShown; ++nextCapital)
        equity.Add(nextCapital->second.Value());

    std::vector<EquityPoint> out;
    double peak = equity.Value();
    auto close = [&](int32_t date, double dayResult) {
        double e = equity.Value();
        peak = std::max(peak, e);
        out.push_back({date, dayResult, e, peak - e});
    };
    size_t i = 0;
    while (i < trades.size() || nextCapital != capital.end()) {
        int32_t date = i < trades.size() ? trades[i].exitDate : INT32_MAX;
        if (nextCapital != capital.end()) date = std::min(date, nextCapital->first);
        ExactTotal day;
        for (; i < trades.size() && trades[i].exitDate == date; ++i) {
            day.Add(trades[i].result);
            equity.Add(trades[i].result);
        }
        if (nextCapital != capital.end() && nextCapital->first == date)
            equity.Add((nextCapital++)->second.Value());
        close(date, day.Value());
    }
    return out;
}

Calendar BuildCalendar(const std::vector<ClosedTrade>& trades) {
    std::map<std::tuple<int, int, int>, std::pair<ExactTotal, int64_t>> periods;
    for (const ClosedTrade& t : trades) {
        int y, m, d;
        CivilDate(t.exitDate, &y, &m, &d);
        for (auto key : {std::tuple{y, m, d}, std::tuple{y, m, 0}, std::tuple{y, 0, 0}}) {
            auto& [sum, n] = periods[key];
            sum.Add(t.result);
            ++n;
        }
    }
    Calendar c;
    for (const auto& [key, value] : periods) {
        auto [y, m, d] = key;
        CalendarEntry e{y, m, d, value.first.Value(), value.second};
        (m == 0 ? c.years : d == 0 ? c.months : c.days).push_back(e);
    }
    return c;
}

TaxReport BuildTaxReport(const std::vector<ClosedTrade>& trades, const CSistemaCartera& ledger,
                         const Filter& filter, int year, int termDays) {
    TaxReport r;
    r.year = year;
    r.termDays = termDays;
    int32_t first = DateNumber(year, 1, 1), last = DateNumber(year, 12, 31);
    ExactTotal gain, shortTerm, longTerm;
    for (const ClosedTrade& t : trades) {
        if (t.exitDate < first || t.exitDate > last) continue;
        bool isLongTerm = t.daysHeld > termDays;
        r.trades.push_back({t, isLongTerm});
        gain.Add(t.result);
        (isLongTerm ? longTerm : shortTerm).Add(t.result);
    }
    r.gain = gain.Value();
    r.shortTerm = shortTerm.Value();
    r.longTerm = longTerm.Value();

    std::map<std::string, std::pair<std::string, ExactTotal>> dividends, expenses;
    for (const COrderCartera& m : ledger.GetOrders()) {
        if ((m.type != kDividend && m.type != kExpense) || m.date < first || m.date > last ||
            !filter.AcceptsCash(m.date, m.quoteCode, m.group))
            continue;
        double q = m.contracts.ToDouble() * m.rate;  // in the portfolio's currency
        auto& line = (m.type == kDividend ? dividends : expenses)[m.quoteCode];
        line.first = m.symbol;
        line.second.Add(m.type == kDividend ? (m.commission + m.price) * q : q * m.price);
    }
    auto lines = [](const auto& bySecurity, std::vector<CashLine>& to) {
        for (const auto& [code, line] : bySecurity)
            to.push_back({code, line.first, line.second.Value()});
    };
    lines(dividends, r.dividends);
    lines(expenses, r.expenses);
    return r;
}

std::vector<BreakdownRow> BuildBreakdown(const std::vector<ClosedTrade>& trades, BreakdownBy by) {
    std::map<Key, Tally> keys;
    Tally all;
    for (const ClosedTrade& t : trades) {
        keys[KeyOf(t, by)].Add(t);
        all.Add(t);
    }
    std::vector<BreakdownRow> rows;
    rows.reserve(keys.size() + 1);
    for (const auto& [key, tally] : keys) {
        rows.push_back(RowOf(Label(key, by), tally));
        rows.back().ordinal = key.ordinal;
    }
    rows.push_back(RowOf("Total", all));
    rows.back().ordinal = -1;
    return rows;
}

}  // namespace cartera::analytics
