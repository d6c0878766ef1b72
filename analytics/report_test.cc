#include "analytics/report.h"

#include <random>
#include <tuple>

#include "model/exact_total.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

using namespace cartera::analytics;

class ReportTest : public LedgerTest {
  protected:
    void Add(bool buy, const char* code, int32_t q, double price, int32_t date,
             double commission = 0.0, const char* group = "") {
        COrderCartera m = Exec(buy, code, q, price, commission, date);
        m.group = group;
        ledger.AddOrder(m);
    }
    // Two buys closed by one sell across a year end, a short, a breakeven, commissions.
    void HandWorkedJournal() {
        Add(true, "EEE", 3, 10, DateNumber(2024, 6, 1));
        Add(true, "EEE", 3, 12, DateNumber(2024, 6, 2));
        Add(true, "AAA", 10, 100, DateNumber(2025, 6, 1), 1.0, "swing");
        Add(false, "AAA", 10, 110, DateNumber(2025, 12, 31), 1.0, "swing");
        Add(true, "BBB", 5, 50, DateNumber(2025, 12, 31), 0.0, "day");
        Add(false, "BBB", 5, 40, DateNumber(2026, 1, 1), 0.0, "day");
        Add(false, "CCC", 2, 30, DateNumber(2026, 1, 1), 0.0, "day");
        Add(true, "CCC", 2, 20, DateNumber(2026, 1, 5), 0.0, "day");
        Add(true, "DDD", 1, 10, DateNumber(2026, 1, 5));
        Add(false, "DDD", 1, 10, DateNumber(2026, 1, 5));
        Add(false, "EEE", 4, 11, DateNumber(2026, 1, 6));
        COrderCartera dividend = Cash(kDividend, 10, 0.5, DateNumber(2026, 3, 2));
        dividend.quoteCode = dividend.symbol = "AAA";
        ledger.AddOrder(dividend);
    }
    CSistemaCartera ledger{ctx};
};

TEST_F(ReportTest, HandWorkedJournalGivesEveryFigure) {
    HandWorkedJournal();
    auto trades = CollectClosedTrades(ledger, {});
    ASSERT_EQ(trades.size(), 6u);
    std::vector<double> results;
    for (const auto& t : trades) results.push_back(t.result);
    EXPECT_EQ(results, (std::vector<double>{80, -50, 20, 0, 3, -1}));  // exit, then trade order

    Stats s = ComputeStats(trades);
    EXPECT_EQ(std::tuple(s.trades, s.wins, s.losses, s.breakeven), std::tuple(6, 3, 2, 1));
    EXPECT_EQ(std::tuple(s.winRate, s.grossProfit, s.grossLoss), std::tuple(0.5, 103.0, 51.0));
    EXPECT_DOUBLE_EQ(*s.profitFactor, 103.0 / 51);
    EXPECT_DOUBLE_EQ(*s.payoffRatio, (103.0 / 3) / 25.5);
    EXPECT_DOUBLE_EQ(s.expectancy, 52.0 / 6);
    EXPECT_EQ(std::tuple(s.largestWin, s.largestLoss), std::tuple(80.0, -50.0));
    EXPECT_EQ(std::tuple(s.maxWinStreak, s.maxLossStreak), std::tuple(1, 1));  // breakeven ends
    EXPECT_DOUBLE_EQ(s.avgDaysWinners, (213 + 4 + 584) / 3.0);
    EXPECT_DOUBLE_EQ(s.avgDaysLosers, (1 + 583) / 2.0);
    EXPECT_EQ(std::tuple(s.maxDrawdown, *s.maxDrawdownPct), std::tuple(50.0, 62.5));

    auto curve = EquityCurve(trades);
    ASSERT_EQ(curve.size(), 4u);
    EXPECT_EQ(std::tuple(curve[2].date, curve[2].result), std::tuple(DateNumber(2026, 1, 5), 20.0));
    EXPECT_EQ(std::tuple(curve[3].equity, curve[3].drawdown), std::tuple(52.0, 28.0));

    Calendar c = BuildCalendar(trades);
    ASSERT_EQ(c.years.size(), 2u);
    EXPECT_EQ(std::tuple(c.years[1].result, c.years[1].trades, c.days.size()),
              std::tuple(-28.0, 5, size_t{4}));

    TaxReport tax = BuildTaxReport(trades, ledger, {}, 2026);
    ASSERT_EQ(tax.trades.size(), 5u);
    EXPECT_EQ(std::tuple(tax.gain, tax.longTerm, tax.shortTerm), std::tuple(-28.0, 2.0, -30.0));
    const ClosedTrade& shortTrade = tax.trades[1].trade;
    EXPECT_EQ(std::tuple(shortTrade.isLong, shortTrade.proceeds, shortTrade.cost),
              std::tuple(false, 60.0, 40.0));
    ASSERT_EQ(tax.dividends.size(), 1u);
    EXPECT_EQ(tax.dividends[0].amount, 5);
    TaxReport tax2025 = BuildTaxReport(trades, ledger, {}, 2025);
    ASSERT_EQ(tax2025.trades.size(), 1u);
    EXPECT_EQ(std::tuple(tax2025.trades[0].trade.cost, tax2025.trades[0].trade.proceeds),
              std::tuple(1010.0, 1090.0));
    EXPECT_TRUE(tax2025.dividends.empty());

    auto weekdays = BuildBreakdown(trades, BreakdownBy::weekday);
    ASSERT_EQ(weekdays.size(), 5u);  // Mon, Tue, Wed, Thu and the total
    EXPECT_EQ(std::tuple(weekdays[0].key, weekdays[0].trades, weekdays[0].result),
              std::tuple("Monday", 2, 20.0));
    EXPECT_FALSE(weekdays[0].profitFactor);
    auto holding = BuildBreakdown(trades, BreakdownBy::holding);
    EXPECT_EQ(holding.front().key, "0 days");
    EXPECT_EQ(std::tie(holding[holding.size() - 2].key, holding[holding.size() - 2].trades),
              std::tuple("over 365 days", 2));
}

TEST_F(ReportTest, FiltersAndEmptySelections) {
    HandWorkedJournal();
    Filter shorts;
    shorts.isLong = false;
    Stats s = ComputeStats(CollectClosedTrades(ledger, shorts));
    EXPECT_TRUE(s.trades == 1 && !s.profitFactor && !s.payoffRatio && s.maxDrawdown == 0);

    Filter byCode;
    byCode.codes = {"eee"};
    byCode.from = DateNumber(2026, 1, 6);
    EXPECT_EQ(CollectClosedTrades(ledger, byCode).size(), 2u);
    Filter byGroup;
    byGroup.groups = {"day"};
    byGroup.to = DateNumber(2026, 1, 1);
    EXPECT_EQ(CollectClosedTrades(ledger, byGroup).size(), 1u);

    Stats none = ComputeStats({});
    EXPECT_TRUE(none.trades == 0 && none.winRate == 0 && !none.maxDrawdownPct);
    EXPECT_EQ(BuildBreakdown({}, BreakdownBy::code).size(), 1u);
}

TEST_F(ReportTest, EquityCanStartFromTheContributedCapital) {
    ledger.AddOrder(Cash(kImposition, 1, 1000, DateNumber(2025, 1, 1)));
    Add(true, "AAA", 1, 10, DateNumber(2025, 2, 1));
    Add(false, "AAA", 1, 5, DateNumber(2025, 3, 1));
    ledger.AddOrder(Cash(kRefund, 1, 300, DateNumber(2025, 4, 1)));
    auto curve = EquityCurve(CollectClosedTrades(ledger, {}), &ledger);
    // The imposition before the first exit is where the curve starts, and its first peak.
    ASSERT_EQ(curve.size(), 2u);
    EXPECT_EQ(std::tuple(curve[0].equity, curve[0].drawdown, curve[1].equity, curve[1].drawdown),
              std::tuple(995.0, 5.0, 695.0, 305.0));
}

// On random journals every table's totals are the closed trades' exact sum.
TEST_F(ReportTest, TotalsOfEveryTableAgreeWithTheClosedTrades) {
    std::mt19937 rng(7);
    std::vector<COrderCartera> batch;
    for (int i = 0; i < 3000; ++i) {
        const char* codes[] = {"A", "B", "C", "D"};
        COrderCartera m =
            Exec(rng() % 2, codes[rng() % 4], 1 + rng() % 9, 1 + (rng() % 100000) / 97.0,
                 (rng() % 7) / 3.0, DateNumber(2023, 1, 1) + i / 3);
        m.group = (rng() % 2) ? "x" : "y";
        batch.push_back(m);
    }
    ledger.AddOrders(batch);
    ExactTotal all;
    for (const CNegocioC& t : ledger.GetClosedTrades()) all.Add(t.profit);
    auto trades = CollectClosedTrades(ledger, {});
    ASSERT_GT(trades.size(), 1000u);
    EXPECT_EQ(ComputeStats(trades).result, all.Value());
    for (BreakdownBy by : {BreakdownBy::group, BreakdownBy::month, BreakdownBy::holding}) {
        auto rows = BuildBreakdown(trades, by);
        EXPECT_EQ(rows.back().result, all.Value());
        int64_t n = 0;
        for (size_t i = 0; i + 1 < rows.size(); ++i) n += rows[i].trades;
        EXPECT_EQ(n, static_cast<int64_t>(trades.size()));
    }
    Calendar c = BuildCalendar(trades);
    for (const CalendarEntry& y : c.years) {
        ExactTotal inYear;
        for (const CNegocioC& t : ledger.GetClosedTrades()) {
            int ty, tm, td;
            CivilDate(t.exitDate, &ty, &tm, &td);
            if (ty == y.year) inYear.Add(t.profit);
        }
        TaxReport tax = BuildTaxReport(trades, ledger, {}, y.year, 100);
        EXPECT_EQ(tax.gain, inYear.Value());
        EXPECT_EQ(y.result, inYear.Value());
        EXPECT_EQ(static_cast<int64_t>(tax.trades.size()), y.trades);
    }
    EXPECT_EQ(EquityCurve(trades).back().equity, all.Value());
}

}  // namespace
}  // namespace cartera::testing
