// The trade lists and the exact totals they keep, which a change adjusts term by term.
#include "model/trade_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

// Random puts, takes, edits and moves of entries (movements taken out of the journal or put
// back) across many chunks read back like a plain array of the same trades, with the same
// sums and the same places by entry.
TEST(TradeListTest, ReadsLikeAnArrayThroughInsertsErasesAndEdits) {
    std::mt19937 rng(3);
    TradeList list;
    std::vector<CNegocioC> model;
    auto trade = [&] {
        CNegocioC t;
        t.entryPosition = static_cast<uint32_t>(rng() % 1000);
        t.profit = static_cast<double>(rng() % 20001) / 7.0 - 1000.0;
        t.guarantee = static_cast<double>(rng() % 50);
        t.entryPrice = static_cast<double>(rng() % 9000) / 100.0;
        t.entryCommission = 0.1;
        t.contracts = static_cast<int32_t>(rng() % 12);
        return t;
    };
    auto bits = [](double x) { return std::bit_cast<uint64_t>(x); };
    for (int step = 0; step < 12000; ++step) {
        const unsigned what = rng() % 11;
        if (what < 6 || model.empty()) {  // in journal order of entries, as the ledger keeps them
            CNegocioC t = trade();
            const size_t at = list.UpperBoundEntry(t.entryPosition);
            auto in = std::upper_bound(
                model.begin(), model.end(), t.entryPosition,
                [](uint32_t p, const CNegocioC& m) { return p < m.entryPosition; });
            ASSERT_EQ(at, static_cast<size_t>(in - model.begin()));
            list.Insert(at, t);
            model.insert(in, t);
        } else if (what < 9) {
            const size_t at = rng() % model.size();
            list.Erase(at);
            model.erase(model.begin() + static_cast<long>(at));
        } else if (what == 10) {
            const auto from = static_cast<uint32_t>(1 + rng() % 999);
            const int delta = rng() % 2 ? 1 : -1;
            list.MoveEntries(from, delta);
            for (CNegocioC& m : model)
                if (m.entryPosition >= from) m.entryPosition += static_cast<uint32_t>(delta);
        } else {
            const size_t at = rng() % model.size();
            const double profit = model[at].profit * 3.0;
            list.Edit(at, [&](CNegocioC& t) { t.profit = profit; });
            model[at].profit = profit;
        }
        if (step % 500 != 0) continue;
        ASSERT_EQ(list.size(), model.size());
        cartera::ExactTotal profits, guarantees, invested;
        size_t i = 0;
        for (const CNegocioC& t : list) {
            ASSERT_TRUE(&t == &list[i] && list.EntryAt(i) == model[i].entryPosition &&
                        bits(t.profit) == bits(model[i].profit))
                << step << " " << i;
            profits.Add(t.profit);
            guarantees.Add(t.guarantee);
            invested.Add(t.guarantee);
            invested.Add((t.entryPrice + t.entryCommission) * t.contracts.ToDouble());
            ++i;
        }
        ASSERT_EQ(i, model.size());
        EXPECT_EQ(bits(list.ProfitSum()), bits(profits.Value()));
        EXPECT_EQ(bits(list.GuaranteeSum()), bits(guarantees.Value()));
        EXPECT_EQ(bits(list.InvestedSum()), bits(invested.Value()));
        const uint32_t place = static_cast<uint32_t>(rng() % 1000);
        EXPECT_EQ(list.LowerBoundEntry(place),
                  static_cast<size_t>(std::partition_point(model.begin(), model.end(),
                                                           [&](const CNegocioC& m) {
                                                               return m.entryPosition < place;
                                                           }) -
                                      model.begin()));
    }
}

// Replacing an entry's trades logs only the trades that changed, so that a sorted view
// follows a change by what it changed; a reader that keeps up follows any number of edits,
// one that falls behind starts over.
TEST(TradeListTest, LogsOnlyTheTradesThatChangedAndKeepsUpWithAReaderThatKeepsUp) {
    TradeList list;
    std::vector<CNegocioC> trades(300);
    std::vector<uint32_t> places(trades.size());
    for (uint32_t place = 0; place < trades.size(); ++place) {
        trades[place].entryPosition = places[place] = place;
        trades[place].contracts = 1 + static_cast<int32_t>(place % 3);
        list.push_back(trades[place]);
    }
    const cartera::EditLog::Edit* first = nullptr;
    size_t count = 0;
    cartera::EditLog::Mark mark = list.Edits().Now();
    list.ReplaceAtEntries(places, trades);
    ASSERT_TRUE(list.Edits().Since(mark, &first, &count));
    EXPECT_EQ(count, 0u);
    trades[7].profit = 5.0;
    trades.erase(trades.begin() + 9);  // entry 9 has no trade any more
    list.ReplaceAtEntries(places, trades);
    ASSERT_TRUE(list.Edits().Since(mark, &first, &count));
    ASSERT_EQ(count, 2u);
    EXPECT_TRUE(first[0].place == 7 && first[0].kind == cartera::EditLog::kEdit &&
                first[1].place == 9 && first[1].kind == cartera::EditLog::kErase);
    EXPECT_EQ(list.size(), trades.size());
    EXPECT_EQ(list.ProfitSum(), 5.0);

    const cartera::EditLog::Mark stale = list.Edits().Now();
    for (size_t i = 0; i < 200000; ++i) {
        mark = list.Edits().Now();
        list.Edit(i % list.size(), [](CNegocioC& t) { t.contracts += 1; });
        ASSERT_TRUE(list.Edits().Since(mark, &first, &count) && count == 1) << i;
    }
    EXPECT_FALSE(list.Edits().Since(stale, &first, &count));
}

// The sum is rounded once, whatever the order, and a term taken back leaves no trace.
TEST(ExactTotalTest, RoundsTheExactTotalOnceAndForgetsWhatIsTakenBack) {
    const double inf = std::numeric_limits<double>::infinity();
    const double tiny = std::numeric_limits<double>::denorm_min();
    struct Case {
        std::vector<double> terms;
        double sum;
    } cases[] = {
        {{}, 0.0},
        {{1e16, 1.0, -1e16}, 1.0},                 // summed in order: 0
        {{0.1, 0.2}, 0.30000000000000004},         // one rounding, as a plain sum
        {{0x1p53, 1.0}, 0x1p53},                   // a tie goes to the even neighbour
        {{0x1p53, 1.0, 0x1p-60}, 0x1p53 + 2.0},    // anything beyond the tie rounds up
        {{-0x1p53, -3.0}, -0x1p53 - 4.0},          // the same for negative sums
        {{tiny, tiny, -tiny}, tiny},               // subnormals are exact
        {{0x1.fffffffffffffp1023, 0x1p970}, inf},  // past the largest double
        // Past the largest double and back: the exact sum, whatever the order of the terms.
        {{0x1.fffffffffffffp1023, 0x1.fffffffffffffp1023, -0x1.fffffffffffffp1023},
         0x1.fffffffffffffp1023},
        {{-0.0, -0.0}, 0.0},
        {{inf, 1.0}, inf},
        {{-inf, 5.0}, -inf},
    };
    for (const Case& c : cases) {
        cartera::ExactTotal s;
        for (double x : c.terms) s.Add(x);
        EXPECT_EQ(std::bit_cast<uint64_t>(s.Value()), std::bit_cast<uint64_t>(c.sum))
            << c.terms.size() << " terms: " << s.Value() << " != " << c.sum;
    }
    cartera::ExactTotal nan;
    nan.Add(inf);
    nan.Add(-inf);
    EXPECT_TRUE(std::isnan(nan.Value()));
    nan.Sub(-inf);
    EXPECT_EQ(nan.Value(), inf);

    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> spread(-300.0, 300.0);
    std::vector<double> terms(2000);
    for (double& x : terms) x = std::ldexp(spread(rng), static_cast<int>(rng() % 200) - 100);
    cartera::ExactTotal forward, backward, taken;
    for (size_t i = 0; i < terms.size(); ++i) {
        forward.Add(terms[i]);
        backward.Add(terms[terms.size() - 1 - i]);
        taken.Add(terms[i]);
        taken.Add(terms[(i * 7) % terms.size()]);
    }
    for (size_t i = 0; i < terms.size(); ++i) taken.Sub(terms[(i * 7) % terms.size()]);
    EXPECT_EQ(std::bit_cast<uint64_t>(forward.Value()), std::bit_cast<uint64_t>(backward.Value()));
    EXPECT_EQ(std::bit_cast<uint64_t>(forward.Value()), std::bit_cast<uint64_t>(taken.Value()));
    for (double x : terms) forward.Sub(x);
    EXPECT_EQ(std::bit_cast<uint64_t>(forward.Value()), 0u);
}

}  // namespace
