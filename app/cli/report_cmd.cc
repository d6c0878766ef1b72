// report: trading statistics of a portfolio's closed trades as plain tables, JSON or CSV.
#include <nlohmann/json.hpp>
#include <variant>

#include "analytics/report.h"
#include "app/cli/commands.h"
#include "app/cli/table.h"
#include "grids/csv.h"
#include "grids/number_text.h"
#include "host/dates.h"
#include "host/numbers.h"

namespace cartera::cli {
namespace {

using namespace cartera::analytics;
using Json = nlohmann::ordered_json;

struct ReportArgs {
    std::string path, view, side, by = "group";
    TextOption from, to;
    std::vector<std::string> codes, groups;
    int year = 0;
    int termDays = 365;
    bool json = false, csv = false, withCapital = false;
};

// A cell of a report table: empty, a text, an amount or a count.
using Cell = std::variant<std::monostate, std::string, double, int64_t>;
struct Table {
    std::string title;
    std::vector<std::string> columns;  // the JSON names; the plain and CSV headings too
    std::vector<std::vector<Cell>> rows;
};

Cell Maybe(const std::optional<double>& v) { return v ? Cell(*v) : Cell(); }

Json JsonOf(const Cell& c) {
    if (auto* s = std::get_if<std::string>(&c)) return *s;
    if (auto* d = std::get_if<double>(&c)) return *d;
    if (auto* n = std::get_if<int64_t>(&c)) return *n;
    return nullptr;
}
Json JsonRows(const Table& t) {
    Json rows = Json::array();
    for (const auto& row : t.rows) {
        Json o = Json::object();
        for (size_t i = 0; i < row.size(); ++i) o[t.columns[i]] = JsonOf(row[i]);
        rows.push_back(std::move(o));
    }
    return rows;
}

std::string Text(const Cell& c, bool exact) {
    if (auto* s = std::get_if<std::string>(&c)) return *s;
    if (auto* d = std::get_if<double>(&c)) return exact ? ExactNumberText(*d) : FixedText(*d, 2);
    if (auto* n = std::get_if<int64_t>(&c)) return std::to_string(*n);
    return exact ? "" : "-";
}
void PrintPlain(std::ostream& out, const Table& t) {
    TextTable text{t.title, t.columns, {}, {}};
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        for (const Cell& c : row) cells.push_back(Text(c, false));
        text.rows.push_back(std::move(cells));
    }
    for (const Cell& c : t.rows.empty() ? std::vector<Cell>{} : t.rows.front())
        text.rightAligned.push_back(!std::holds_alternative<std::string>(c));
    out << RenderTable(text);
}
void PrintCsv(std::ostream& out, const Table& t) {
    WriteCsvRecord(out, t.columns);
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        for (const Cell& c : row) cells.push_back(Text(c, true));
        WriteCsvRecord(out, cells);
    }
}

Table StatsTable(const Stats& s) {
    return {"",
            {"trades",           "wins",
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
    Table t{"", {"date", "result", "equity", "drawdown"}, {}};
    for (const EquityPoint& p : curve)
        t.rows.push_back({IsoDate(p.date), p.result, p.equity, p.drawdown});
    return t;
}

std::string Period(const CalendarEntry& e) {
    std::string iso = IsoDate(DateNumber(e.year, e.month ? e.month : 1, e.day ? e.day : 1));
    return iso.substr(0, e.month == 0 ? 4 : e.day == 0 ? 7 : 10);
}
Table CalendarTable(const std::vector<CalendarEntry>& entries, const char* title) {
    Table t{title, {"period", "result", "trades"}, {}};
    for (const CalendarEntry& e : entries) t.rows.push_back({Period(e), e.result, e.trades});
    return t;
}

Table TaxTradesTable(const TaxReport& r) {
    Table t{"Tax year " + std::to_string(r.year),
            {"code", "symbol", "side", "contracts", "entry_date", "exit_date", "proceeds", "cost",
             "gain", "days_held", "term"},
            {}};
    for (const TaxTrade& x : r.trades) {
        const ClosedTrade& c = x.trade;
        t.rows.push_back({std::string(c.code), std::string(c.symbol),
                          std::string(c.isLong ? "long" : "short"), int64_t{c.contracts},
                          IsoDate(c.entryDate), IsoDate(c.exitDate), c.proceeds, c.cost, c.result,
                          int64_t{c.daysHeld}, std::string(x.longTerm ? "long" : "short")});
    }
    return t;
}
Table CashTable(const std::vector<CashLine>& lines, const char* title) {
    Table t{title, {"code", "symbol", "amount"}, {}};
    for (const CashLine& l : lines) t.rows.push_back({l.code, l.symbol, l.amount});
    return t;
}

Table BreakdownTable(const std::vector<BreakdownRow>& rows, const std::string& by) {
    Table t{"",
            {by, "trades", "win_rate", "result", "profit_factor", "expectancy", "avg_days_held"},
            {}};
    for (const BreakdownRow& r : rows)
        t.rows.push_back({r.key, r.trades, r.winRate, r.result, Maybe(r.profitFactor), r.expectancy,
                          r.avgDaysHeld});
    return t;
}

// The one-row stats table as figure/value lines, easier to read than 20 columns.
Table Vertical(const Table& t) {
    Table v{t.title, {"figure", "value"}, {}};
    for (size_t i = 0; i < t.columns.size(); ++i) v.rows.push_back({t.columns[i], t.rows[0][i]});
    return v;
}

std::optional<BreakdownBy> ParseBy(const std::string& s) {
    static const std::pair<const char*, BreakdownBy> kKeys[] = {
        {"group", BreakdownBy::group}, {"code", BreakdownBy::code},
        {"side", BreakdownBy::side},   {"weekday", BreakdownBy::weekday},
        {"month", BreakdownBy::month}, {"holding", BreakdownBy::holding}};
    for (const auto& [name, by] : kKeys)
        if (s == name) return by;
    return std::nullopt;
}

Filter MakeFilter(const ReportArgs& a) {
    Filter f;
    if (a.from.Given()) f.from = ReadDate("--from", a.from.value);
    if (a.to.Given()) f.to = ReadDate("--to", a.to.value);
    f.codes = a.codes;
    f.groups = a.groups;
    if (a.side == "long" || a.side == "short")
        f.isLong = a.side == "long";
    else if (!a.side.empty())
        FailUsage("--side must be long or short, not '" + a.side + "'");
    return f;
}

void Print(Output io, const ReportArgs& a, const Table& t) {
    if (a.csv)
        PrintCsv(io.out, t);
    else
        PrintPlain(io.out, t);
}

void Report(Output io, const ReportArgs& a) {
    if (a.json && a.csv) FailUsage("--json and --csv cannot be given together");
    std::optional<BreakdownBy> by = ParseBy(a.by);
    if (!by)
        FailUsage("--by must be group, code, side, weekday, month or holding, not '" + a.by + "'");
    if (a.termDays < 0) FailUsage("--term-days must not be negative");
    Filter filter = MakeFilter(a);
    OpenPortfolio portfolio(a.path, OpenPortfolio::Use::read);
    const CSistemaCartera& ledger = portfolio.Ledger();
    std::vector<ClosedTrade> trades = CollectClosedTrades(ledger, filter);

    if (a.view == "stats") {
        Table t = StatsTable(ComputeStats(trades));
        if (a.json)
            io.out << JsonRows(t)[0].dump(2) << '\n';
        else
            Print(io, a, a.csv ? t : Vertical(t));
    } else if (a.view == "equity") {
        Table t = EquityTable(EquityCurve(trades, a.withCapital ? &ledger : nullptr, filter));
        a.json ? void(io.out << JsonRows(t).dump(2) << '\n') : Print(io, a, t);
    } else if (a.view == "calendar") {
        Calendar c = BuildCalendar(trades);
        Table days = CalendarTable(c.days, "Days"), months = CalendarTable(c.months, "Months"),
              years = CalendarTable(c.years, "Years");
        if (a.json) {
            Json j{
                {"days", JsonRows(days)}, {"months", JsonRows(months)}, {"years", JsonRows(years)}};
            io.out << j.dump(2) << '\n';
        } else if (a.csv) {
            days.rows.insert(days.rows.end(), months.rows.begin(), months.rows.end());
            days.rows.insert(days.rows.end(), years.rows.begin(), years.rows.end());
            PrintCsv(io.out, days);
        } else {
            for (const Table* t : {&days, &months, &years}) {
                PrintPlain(io.out, *t);
                io.out << '\n';
            }
        }
    } else if (a.view == "tax") {
        int year = a.year;
        if (year == 0) {
            int m, d;
            CivilDate(FctimeToFn(CTime::GetCurrentTime()), &year, &m, &d);
        }
        TaxReport r = BuildTaxReport(trades, ledger, filter, year, a.termDays);
        Table lines = TaxTradesTable(r);
        Table dividends = CashTable(r.dividends, "Dividends"),
              expenses = CashTable(r.expenses, "Expenses");
        Table totals{
            "Totals", {"gain", "short_term", "long_term"}, {{r.gain, r.shortTerm, r.longTerm}}};
        if (a.json) {
            Json j{{"year", r.year},
                   {"term_days", r.termDays},
                   {"trades", JsonRows(lines)},
                   {"totals", JsonRows(totals)[0]},
                   {"dividends", JsonRows(dividends)},
                   {"expenses", JsonRows(expenses)}};
            io.out << j.dump(2) << '\n';
        } else if (a.csv) {
            PrintCsv(io.out, lines);  // the lines a tax form takes; totals are their sums
        } else {
            for (const Table* t : {&lines, &totals, &dividends, &expenses}) {
                PrintPlain(io.out, *t);
                io.out << '\n';
            }
        }
    } else if (a.view == "by") {
        Table t = BreakdownTable(BuildBreakdown(trades, *by), a.by);
        a.json ? void(io.out << JsonRows(t).dump(2) << '\n') : Print(io, a, t);
    } else {
        FailUsage("the report must be stats, equity, calendar, tax or by, not '" + a.view + "'");
    }
}

}  // namespace

void AddReportCommand(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<ReportArgs>();
    CLI::App* sub = app.add_subcommand("report", "Trading statistics of the closed trades");
    sub->footer(
        "Each closed trade counts with the profit the closed-trades view shows (commissions "
        "included) on its exit date. stats: win rate, profit factor, expectancy, streaks, "
        "drawdown; equity: the daily results and running equity; calendar: results by day, "
        "month and year; tax: the trades exiting in --year with proceeds, cost and gain, "
        "long-term past --term-days, and the year's dividends and expenses; by: the figures "
        "per group, code, side, weekday, month or holding time.");
    sub->add_option("PATH", a->path, "portfolio file")->required();
    sub->add_option("REPORT", a->view, "stats, equity, calendar, tax or by")->required();
    AddText(sub, "--from", a->from, "first exit date (YYYY-MM-DD)");
    AddText(sub, "--to", a->to, "last exit date (YYYY-MM-DD)");
    for (auto [name, list] : {std::pair{"--code", &a->codes}, std::pair{"--group", &a->groups}})
        sub->add_option(name, *list,
                        std::string("only these ") + (name + 2) + "s (repeat or comma-separate)")
            ->expected(1)
            ->delimiter(',')
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    sub->add_option("--side", a->side, "long or short");
    sub->add_option("--year", a->year, "tax year (default: this year)");
    sub->add_option("--term-days", a->termDays, "days held past which a gain is long-term (365)");
    sub->add_option("--by", a->by, "group, code, side, weekday, month or holding (default group)");
    sub->add_flag("--with-capital", a->withCapital,
                  "equity adds the capital contributed (impositions and deposits less refunds)");
    sub->add_flag("--json", a->json, "print JSON");
    sub->add_flag("--csv", a->csv, "print CSV");
    commands.push_back({sub, [io, a] { Report(io, *a); }});
}

}  // namespace cartera::cli
