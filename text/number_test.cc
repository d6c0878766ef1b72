// Numbers in every form the program reads: its own, the brokers', the interface language's.
#include "text/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "host/numbers.h"

namespace cartera {
namespace {

constexpr Language kAll[] = {Language::en, Language::de, Language::fr, Language::it, Language::es};

TEST(ReadNumber, EachFormReadsItsOwnNumbersAndThousandsOnlyInGroupsOfThree) {
    const struct {
        const char* text;
        NumberForm form;
        std::optional<double> value;
    } cases[] = {{" +2.5 ", kPlainNumber, 2.5},
                 {"1e5", kPlainNumber, 1e5},
                 {"1,234", kPlainNumber, std::nullopt},  // no grouping at all
                 {"1e400", kPlainNumber, std::nullopt},
                 {"", kPlainNumber, std::nullopt},
                 {"-3.25", kDecimalNumber, -3.25},
                 {"1e5", kDecimalNumber, std::nullopt},
                 {"1,234,567.5", GroupedNumber(0), 1234567.5},
                 {"-1.234.567", GroupedNumber(0), -1234567},
                 {"1,234", GroupedNumber(0), 1.234},  // a lone separator is decimal
                 {"1.234,5", GroupedNumber(','), 1234.5},
                 {"1,2,3", GroupedNumber(0), std::nullopt},
                 {"1,,2", GroupedNumber(0), std::nullopt},
                 {"12,34.5", GroupedNumber(0), std::nullopt},
                 {"1234,567.5", GroupedNumber(0), std::nullopt},
                 {"1,234.5,6", GroupedNumber(0), std::nullopt},
                 {",123", GroupedNumber('.'), std::nullopt},
                 {"1.5", GroupedNumber(','), std::nullopt},
                 {"1 234,50", GroupedNumber(0), 1234.5},  // blanks group too
                 {"-1\u00A0234\u00A0567.25", GroupedNumber(0), -1234567.25},
                 {"1\u202F234", GroupedNumber(','), 1234},
                 {"12 34,5", GroupedNumber(0), std::nullopt},
                 {"1 234.567,5", GroupedNumber(0), std::nullopt},  // one kind of group
                 {"1 234", kPlainNumber, std::nullopt}};
    for (const auto& c : cases) {
        double v = 99;
        EXPECT_EQ(ReadNumber(c.text, c.form, &v), c.value.has_value()) << c.text;
        EXPECT_EQ(v, c.value.value_or(99)) << c.text;
        Quantity q = 99;  // a quantity reads the same forms, exactly
        EXPECT_EQ(ReadQuantity(c.text, c.form, &q), c.value.has_value()) << c.text;
        EXPECT_EQ(q.ToDouble(), c.value.value_or(99)) << c.text;
    }
    // As atof reads: the longest number at the start, 0 for none.
    const std::pair<const char*, double> prefixes[] = {
        {"\t-42.5x", -42.5}, {"+3", 3}, {"1e3e", 1000}, {"abc", 0}, {"+-1", 0}, {"", 0}};
    for (auto [text, value] : prefixes) EXPECT_EQ(ReadNumberPrefix(text), value) << text;
}

class LanguageNumberTest : public ::testing::Test {
  protected:
    ~LanguageNumberTest() override { SetLanguage(m_saved); }
    const Language m_saved = CurrentLanguage();
};

TEST_F(LanguageNumberTest, WhatTheLanguageWritesReadsBackAndTypedNumbersToo) {
    std::mt19937_64 rng(20260305);
    std::uniform_real_distribution<double> magnitude(-9, 12);
    for (Language lang : kAll) {
        SetLanguage(lang);
        for (int i = 0; i < 500; ++i) {
            double v = std::pow(10.0, magnitude(rng)) * (i % 3 == 0 ? -1 : 1);
            int decimals = i % 4;
            std::string text = PonPuntos(v, decimals);
            double back = 0;
            ASSERT_TRUE(ParseNumberInLanguage(text, &back)) << LanguageCode(lang) << " " << text;
            // Within half a unit of the last shown decimal, and shown the same again.
            EXPECT_LE(std::fabs(back - v), 0.5 * std::pow(10.0, -decimals) + std::fabs(v) * 1e-15)
                << text;
            EXPECT_EQ(PonPuntos(back, decimals), text);
            // A quantity shown, grouped or in a box, reads back to itself exactly.
            const Quantity q = Quantity::FromUnits(static_cast<__int128>(rng()) * (i % 3 - 1) /
                                                   (1 + static_cast<int64_t>(rng() % 1000)));
            Quantity grouped, edited;
            ASSERT_TRUE(ParseQuantityInLanguage(QuantityText(q), &grouped)) << QuantityText(q);
            ASSERT_TRUE(ParseQuantityInLanguage(EditQuantityText(q), &edited));
            EXPECT_EQ(grouped, q) << QuantityText(q);
            EXPECT_EQ(edited, q) << EditQuantityText(q);
        }
    }
    const struct {
        Language lang;
        const char* text;
        std::optional<double> value;
    } typed[] = {{Language::fr, "1 234,5", 1234.5},
                 {Language::es, "-1.234,5", -1234.5},
                 {Language::de, "0,2", 0.2},
                 {Language::de, "0.2", 0.2},
                 {Language::de, "1.234", 1234.0},
                 {Language::de, "1.234,5", 1234.5},
                 {Language::de, "0,2x", std::nullopt},
                 {Language::en, "1,234.5", 1234.5},
                 {Language::en, "0,2", std::nullopt},
                 {Language::en, "12,3,4", std::nullopt},
                 {Language::en, "1,2345", std::nullopt},
                 {Language::en, "1.5,2", std::nullopt},
                 {Language::es, "1.2.3,4,5", std::nullopt}};
    for (const auto& c : typed) {
        SetLanguage(c.lang);
        double v = 99;
        EXPECT_EQ(ParseNumberInLanguage(c.text, &v), c.value.has_value()) << c.text;
        EXPECT_EQ(v, c.value.value_or(99)) << c.text;
        Quantity q = 99;
        EXPECT_EQ(ParseQuantityInLanguage(c.text, &q), c.value.has_value()) << c.text;
        EXPECT_EQ(q.ToDouble(), c.value.value_or(99)) << c.text;
    }
    SetLanguage(Language::de);
    Quantity q;
    ASSERT_TRUE(ParseQuantityInLanguage("1.234,5678901234", &q));
    EXPECT_EQ(q.Text(), "1234.5678901234");
}

}  // namespace
}  // namespace cartera
