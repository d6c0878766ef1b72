// report: trading statistics of a portfolio's closed trades as plain tables, JSON or CSV.
#include <cmath>
#include <nlohmann/json.hpp>
#include <variant>

#include "analytics/report.h"
#include "analytics/tables.h"
#include "app/cli/commands.h"
#include "app/cli/quantity_json.h"
#include "app/cli/table.h"
#include "grids/number_text.h"
#include "host/dates.h"
#include "text/date.h"

namespace cartera::cli {
namespace {

using namespace cartera::analytics;
using Json = nlohmann::ordered_json;

struct ReportArgs {
    std::string path, view, side, by = "group";
    TextOption from, to, year, termDays;
    std::vector<std::string> codes, groups;
    bool json = false, csv = false, withCapital = false;
};

struct Titled {
    std::string title;
    Table table;
};

Json JsonOf(const Cell& c) {
    if (auto* s = std::get_if<std::string>(&c)) return *s;
    if (auto* d = std::get_if<double>(&c)) return *d;
    if (auto* n = std::get_if<int64_t>(&c)) return *n;
    if (auto* q = std::get_if<Quantity>(&c)) return *q;
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

std::string PlainText(const Cell& c) {
    if (auto* d = std::get_if<double>(&c)) return FixedText(*d, 2);
    return std::holds_alternative<std::monostate>(c) ? "-" : ExactCellText(c);
}
void PrintPlain(std::ostream& out, const Table& t, const std::string& title = "") {
    TextTable text{title, t.columns, {}, {}};
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        for (size_t i = 0; i < row.size(); ++i) {
            // Dates in the interface language's form, as in every other table people read.
            int32_t date = 0;
            const std::string& column = i < t.columns.size() ? t.columns[i] : std::string();
            bool dated = column == "date" || column.ends_with("_date");
            auto* iso = std::get_if<std::string>(&row[i]);
            cells.push_back(dated && iso && ParseDateText(*iso, &date) ? DateText(date)
                                                                       : PlainText(row[i]));
        }
        text.rows.push_back(std::move(cells));
    }
    for (const Cell& c : t.rows.empty() ? std::vector<Cell>{} : t.rows.front())
        text.rightAligned.push_back(!std::holds_alternative<std::string>(c));
    out << RenderTable(text);
}

// A figure beyond the range of numbers comes only from a file written before the entry
// bounds; like show's totals it is refused (status 3), never printed as inf or nan.
Table Finite(const std::string& path, Table t) {
    for (const auto& row : t.rows)
        for (size_t i = 0; i < row.size() && i < t.columns.size(); ++i)
            if (auto* d = std::get_if<double>(&row[i]); d && !std::isfinite(*d))
                Fail(ErrorKind::damaged,
                     path + ": the " + t.columns[i] + " overflows (beyond the range of numbers)");
    return t;
}

// The one-row stats table as figure/value lines, easier to read than 20 columns.
Table Vertical(const Table& t) {
    Table v{{"figure", "value"}, {}};
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
        WriteCsv(io.out, t);
    else
        PrintPlain(io.out, t);
}

void Report(Output io, const ReportArgs& a) {
    if (a.json && a.csv) FailUsage("--json and --csv cannot be given together");
    std::optional<BreakdownBy> by = ParseBy(a.by);
    if (!by)
        FailUsage("--by must be group, code, side, weekday, month or holding, not '" + a.by + "'");
    const int termDays =
        a.termDays.Given() ? ReadWholeNumber("--term-days", a.termDays.value) : 365;
    if (termDays < 0) FailUsage("--term-days must not be negative");
    int year = a.year.Given() ? ReadWholeNumber("--year", a.year.value) : 0;
    if (a.year.Given() && (year < 1 || year > 9999))
        FailUsage("--year must be a year from 1 to 9999, not '" + a.year.value + "'");
    if (!a.year.Given()) {
        int m, d;
        CivilDate(FctimeToFn(CTime{Now(io.context)}), &year, &m, &d);
    }
    Filter filter = MakeFilter(a);
    OpenPortfolio portfolio(io.context, a.path, OpenPortfolio::Use::read);
    const CSistemaCartera& ledger = portfolio.Ledger();
    std::vector<ClosedTrade> trades = CollectClosedTrades(ledger, filter);

    if (a.view == "stats") {
        Table t = Finite(a.path, StatsTable(ComputeStats(trades)));
        if (a.json)
            io.out << JsonRows(t)[0].dump(2) << '\n';
        else
            Print(io, a, a.csv ? t : Vertical(t));
    } else if (a.view == "equity") {
        Table t = Finite(
            a.path, EquityTable(EquityCurve(trades, a.withCapital ? &ledger : nullptr, filter)));
        a.json ? void(io.out << JsonRows(t).dump(2) << '\n') : Print(io, a, t);
    } else if (a.view == "calendar") {
        Calendar c = BuildCalendar(trades);
        Table days = Finite(a.path, CalendarTable(c.days)),
              months = Finite(a.path, CalendarTable(c.months)),
              years = Finite(a.path, CalendarTable(c.years));
        if (a.json) {
            Json j{
                {"days", JsonRows(days)}, {"months", JsonRows(months)}, {"years", JsonRows(years)}};
            io.out << j.dump(2) << '\n';
        } else if (a.csv) {
            days.rows.insert(days.rows.end(), months.rows.begin(), months.rows.end());
            days.rows.insert(days.rows.end(), years.rows.begin(), years.rows.end());
            WriteCsv(io.out, days);
        } else {
            for (const Titled& t : {Titled{"Days", days}, {"Months", months}, {"Years", years}}) {
                PrintPlain(io.out, t.table, t.title);
                io.out << '\n';
            }
        }
    } else if (a.view == "tax") {
        TaxReport r = BuildTaxReport(trades, ledger, filter, year, termDays);
        Table lines = Finite(a.path, TaxTradesTable(r));
        Table dividends = Finite(a.path, CashTable(r.dividends));
        Table expenses = Finite(a.path, CashTable(r.expenses));
        Table totals = Finite(a.path, TaxTotalsTable(r));
        if (a.json) {
            Json j{{"year", r.year},
                   {"term_days", r.termDays},
                   {"trades", JsonRows(lines)},
                   {"totals", JsonRows(totals)[0]},
                   {"dividends", JsonRows(dividends)},
                   {"expenses", JsonRows(expenses)}};
            io.out << j.dump(2) << '\n';
        } else if (a.csv) {
            WriteCsv(io.out, lines);  // the lines a tax form takes; totals are their sums
        } else {
            for (const Titled& t : {Titled{"Tax year " + std::to_string(year), lines},
                                    {"Totals", totals},
                                    {"Dividends", dividends},
                                    {"Expenses", expenses}}) {
                PrintPlain(io.out, t.table, t.title);
                io.out << '\n';
            }
        }
    } else if (a.view == "by") {
        Table t = Finite(a.path, BreakdownTable(BuildBreakdown(trades, *by), a.by));
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
    AddText(sub, "--year", a->year, "tax year (default: this year)");
    AddText(sub, "--term-days", a->termDays, "days held past which a gain is long-term (365)");
    sub->add_option("--by", a->by, "group, code, side, weekday, month or holding (default group)");
    sub->add_flag("--with-capital", a->withCapital,
                  "equity adds the capital contributed (impositions and deposits less refunds)");
    sub->add_flag("--json", a->json, "print JSON");
    sub->add_flag("--csv", a->csv, "print CSV");
    commands.push_back({sub, [io, a] { Report(io, *a); }});
}

}  // namespace cartera::cli
