#include "model/exact_total.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace cartera {
namespace {

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
        {{-0.0, -0.0}, 0.0},
        {{inf, 1.0}, inf},
        {{-inf, 5.0}, -inf},
    };
    for (const Case& c : cases) {
        ExactTotal s;
        for (double x : c.terms) s.Add(x);
        EXPECT_EQ(std::bit_cast<uint64_t>(s.Value()), std::bit_cast<uint64_t>(c.sum))
            << c.terms.size() << " terms: " << s.Value() << " != " << c.sum;
    }
    ExactTotal nan;
    nan.Add(inf);
    nan.Add(-inf);
    EXPECT_TRUE(std::isnan(nan.Value()));
    nan.Sub(-inf);
    EXPECT_EQ(nan.Value(), inf);

    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> spread(-300.0, 300.0);
    std::vector<double> terms(2000);
    for (double& x : terms) x = std::ldexp(spread(rng), static_cast<int>(rng() % 200) - 100);
    ExactTotal forward, backward, taken;
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
}  // namespace cartera
