// Exact quantities: read, written, added and compared without a unit lost.
#include "host/quantity.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

namespace {

using cartera::ParseQuantity;
using cartera::Quantity;

Quantity Q(std::string_view text) {
    Quantity q;
    EXPECT_TRUE(ParseQuantity(text, &q)) << text;
    return q;
}

TEST(QuantityTest, ReadsExactlyAndRefusesWhatItWouldRound) {
    EXPECT_EQ(Q("0.3") + Q("0.7"), Quantity(1));
    EXPECT_EQ(Q(" +29.80478 ").Text(), "29.80478");
    EXPECT_EQ(Q("-0.6102").Text(), "-0.6102");
    EXPECT_EQ(Q("2e-6"), Q("0.000002"));
    EXPECT_EQ(Q("1.5E3"), Quantity(1500));
    EXPECT_EQ(Q("0.00000200000000"), Q(".000002"));  // zeros past the tenth place
    EXPECT_EQ(Q("2147483647.0000000001").Text(), "2147483647.0000000001");
    EXPECT_EQ(Q("999999999999999999").WholePart(), 999999999999999999);
    Quantity untouched = 7;
    for (const char* bad : {"", "-", ".", "1.2.3", "1,5", "1e", "1e-", "1e1000", "0x10",
                            "1.00000000001", "1e-11", "1000000000000000000", "1 2", "++1"})
        EXPECT_FALSE(ParseQuantity(bad, &untouched)) << bad;
    EXPECT_EQ(untouched, Quantity(7));
    EXPECT_FALSE(ParseQuantity("2e-6", &untouched, false));
}

TEST(QuantityTest, OrdersAndConvertsAsTheNumberItIs) {
    EXPECT_LT(Q("-0.0000000001"), Quantity(0));
    EXPECT_LT(Quantity(-3), Q("-2.5"));
    EXPECT_GT(Q("1844674407.3709551616"), Q("1844674407.3709551615"));  // 2^64 units
    EXPECT_EQ(Quantity(2147483647).ToDouble(), 2147483647.0);
    EXPECT_EQ(Q("-1.25").ToDouble(), -1.25);
    EXPECT_EQ(Q("-1.25").WholePart(), -1);
    EXPECT_TRUE(Quantity(-4).IsWhole());
    EXPECT_FALSE(Q("4.0000000001").IsWhole());
    EXPECT_EQ(Q("10").Places(), 0);
    EXPECT_EQ(Q("-0.5").Places(), 1);
    EXPECT_EQ(Q("0.0000000001").Places(), 10);
    // Random texts of up to ten places: the text comes back as written, the double is the
    // one the text names, and a sum taken apart again gives both parts back.
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const int places = static_cast<int>(rng() % 11);
        std::string text = std::to_string(rng() % 3000000000);
        if (places > 0) {
            std::string fraction =
                std::to_string(rng() % 10'000'000'000 + 10'000'000'000).substr(1, places);
            fraction.back() = static_cast<char>('1' + rng() % 9);
            text += "." + fraction;
        }
        if (rng() % 2) text = "-" + text;
        const Quantity q = Q(text);
        ASSERT_EQ(q.Text(), text);
        ASSERT_EQ(q.Places(), places);
        double expected;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_NEAR(q.ToDouble(), expected, std::abs(expected) * 1e-15) << text;
        const Quantity other = Q(std::to_string(rng() % 1000) + ".1234567891");
        ASSERT_EQ(q + other - other, q);
        ASSERT_EQ((q + other) - q, other);
    }
}

}  // namespace
