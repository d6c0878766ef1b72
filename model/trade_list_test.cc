#include "model/trade_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <vector>

namespace {

// Random puts, takes and edits across many chunks read back like a plain array of the same
// trades, with the same sums and the same places by entry.
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
        const unsigned what = rng() % 10;
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
            ASSERT_TRUE(&t == &list[i] && t.entryPosition == model[i].entryPosition &&
                        bits(t.profit) == bits(model[i].profit))
                << step << " " << i;
            profits.Add(t.profit);
            guarantees.Add(t.guarantee);
            invested.Add(t.guarantee);
            invested.Add((t.entryPrice + t.entryCommission) * t.contracts);
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

}  // namespace
