#include "host/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <tuple>

#include "host/strings.h"

namespace {

using cartera::Language;

// Each test starts in English and leaves the language as it found it.
class NumbersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_saved = cartera::CurrentLanguage();
        cartera::SetLanguage(Language::en);
    }
    void TearDown() override { cartera::SetLanguage(m_saved); }

    static constexpr Language kAll[] = {Language::en, Language::de, Language::fr, Language::it,
                                        Language::es};

  private:
    Language m_saved = Language::en;
};

TEST_F(NumbersTest, GroupsRoundsAndSignsInTheLanguage) {
    using enum Language;
    for (auto [lang, grouped, thousands] :
         {std::tuple{en, "1,234,567.89", ","}, std::tuple{de, "1.234.567,89", "."},
          std::tuple{fr, "1 234 567,89", " "}, std::tuple{it, "1.234.567,89", "."},
          std::tuple{es, "1.234.567,89", "."}}) {
        cartera::SetLanguage(lang);
        EXPECT_EQ(PonPuntos(1234567.891, 2), grouped);
        EXPECT_EQ(GetSepMiles(), thousands);
    }
    cartera::SetLanguage(en);
    struct Case {
        double v;
        int decimals;
        const char* text;
    };
    // 2.005, 1.005 and 2.675 are stored slightly below the written value, 1.145 above,
    // -0.005 just beyond; values that round to zero show no sign; negative decimals are none.
    auto expect = [](std::initializer_list<Case> cases) {
        for (Case c : cases) EXPECT_EQ(PonPuntos(c.v, c.decimals), c.text) << c.v;
    };
    expect({Case{0.0, 2, "0.00"}, Case{999.0, 0, "999"}, Case{1000.0, 0, "1,000"},
            Case{100000.0, 1, "100,000.0"}, Case{1e12, 0, "1,000,000,000,000"},
            Case{12.5, 3, "12.500"}, Case{7.0, -1, "7"}, Case{2.005, 2, "2.00"},
            Case{1.005, 2, "1.00"}, Case{2.675, 2, "2.67"}, Case{1.145, 2, "1.15"},
            Case{2.0051, 2, "2.01"}, Case{999.996, 2, "1,000.00"}, Case{2.4, 0, "2"},
            Case{2.6, 0, "3"}, Case{999.7, 0, "1,000"}, Case{1234.5678, 3, "1,234.568"}});
    expect({Case{-1234.5, 2, "-1,234.50"}, Case{-0.25, 2, "-0.25"},
            Case{-999999.999, 2, "-1,000,000.00"}, Case{-0.005, 2, "-0.01"},
            Case{-0.004, 2, "0.00"}, Case{-0.4, 0, "0"}, Case{-0.0, 2, "0.00"},
            Case{-0.6, 0, "-1"}});
    // The text overload reads a number's prefix.
    for (auto [text, decimals, shown] :
         {std::tuple{"1234567", 0, "1,234,567"}, std::tuple{"-42", 2, "-42.00"},
          std::tuple{" 1500.26", 1, "1,500.3"}, std::tuple{"+3", 0, "3"},
          std::tuple{"12abc", 0, "12"}, std::tuple{"abc", 2, "0.00"}, std::tuple{"", 0, "0"}})
        EXPECT_EQ(PonPuntos(std::string(text), decimals), shown) << text;
    cartera::SetLanguage(fr);
    EXPECT_EQ(PonPuntos(-1234567.0, 1), "-1 234 567,0");
    EXPECT_EQ(PonPuntos(-0.0001, 3), "0,000");
    EXPECT_EQ(PonPuntos(std::string("1234567"), 0), "1 234 567");
}

TEST_F(NumbersTest, ParseGroupedNumberReadsBackEachLanguage) {
    std::mt19937_64 rng(20260305);
    std::uniform_real_distribution<double> magnitude(-9, 12);
    for (Language lang : kAll) {
        cartera::SetLanguage(lang);
        for (int i = 0; i < 500; ++i) {
            double v = std::pow(10.0, magnitude(rng)) * (i % 3 == 0 ? -1 : 1);
            int decimals = i % 4;
            std::string text = PonPuntos(v, decimals);
            double back = 0;
            ASSERT_TRUE(cartera::ParseGroupedNumber(text, &back))
                << cartera::LanguageCode(lang) << " " << text;
            // Within half a unit of the last shown decimal, and shown the same again.
            EXPECT_LE(std::fabs(back - v), 0.5 * std::pow(10.0, -decimals) + std::fabs(v) * 1e-15)
                << text;
            EXPECT_EQ(PonPuntos(back, decimals), text);
        }
    }
    double v = 0;
    cartera::SetLanguage(Language::fr);
    EXPECT_TRUE(cartera::ParseGroupedNumber("1 234,5", &v) && v == 1234.5);
    cartera::SetLanguage(Language::es);
    EXPECT_TRUE(cartera::ParseGroupedNumber("-1.234,5", &v) && v == -1234.5);
    for (const char* junk : {"", "abc", "1,2x", "--1", "1.2.3,4,5"}) {
        v = 99;
        EXPECT_FALSE(cartera::ParseGroupedNumber(junk, &v)) << junk;
        EXPECT_EQ(v, 99);
    }
}

TEST_F(NumbersTest, EditNumbersAreTypedAndShownInTheLanguage) {
    double v = 0;
    cartera::SetLanguage(Language::de);
    EXPECT_EQ(cartera::EditNumberText(0.2), "0,2");
    EXPECT_EQ(cartera::EditNumberText(10000000000.0), "10000000000");
    EXPECT_EQ(cartera::EditNumberText(1.0 / 3), "0,333333333333333");
    for (auto [text, want] : {std::pair{"0,2", 0.2},
                              {"0.2", 0.2},
                              {"1.234", 1234.0},
                              {"1.234,5", 1234.5},
                              {"-3", -3.0}}) {
        EXPECT_TRUE(cartera::ParseNumberInLanguage(text, &v) && v == want) << text;
    }
    EXPECT_FALSE(cartera::ParseNumberInLanguage("0,2x", &v));
    cartera::SetLanguage(Language::en);
    EXPECT_EQ(cartera::EditNumberText(-0.0), "0");
    EXPECT_TRUE(cartera::ParseNumberInLanguage("1,234.5", &v) && v == 1234.5);
    EXPECT_FALSE(cartera::ParseNumberInLanguage("0,2", &v) && v == 0.2);
    // Thousands separators only between groups of three digits of the whole part.
    for (const char* bad : {"12,3,4", "1,2345", ",123", "1.5,2"})
        EXPECT_FALSE(cartera::ParseNumberInLanguage(bad, &v)) << bad;
}

TEST_F(NumbersTest, ExactAndFullNumberTextsRoundTripEveryDouble) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        double v;
        if (i % 2) {
            uint64_t bits = rng();
            std::memcpy(&v, &bits, sizeof v);
            if (!std::isfinite(v)) continue;
        } else {
            v = uniform(rng);
        }
        std::string text = cartera::ExactNumberText(v);
        double back = 0;
        ASSERT_TRUE(cartera::ParsePlainNumber(text, &back)) << text;
        ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
        // The number edits' text too, which never has an exponent.
        text = cartera::FullNumberText(v, 2);
        ASSERT_TRUE(cartera::ParsePlainNumber(text, &back) && back == v) << text;
        ASSERT_EQ(text.find('e'), std::string::npos) << text;
    }
    EXPECT_EQ(cartera::FullNumberText(100000.0), "100000");
    EXPECT_EQ(cartera::FullNumberText(4.3, 2), "4.30");
    // The shortest text is chosen.
    EXPECT_EQ(cartera::ExactNumberText(0.1), "0.1");
    EXPECT_EQ(cartera::ExactNumberText(1e21), "1e+21");
}

TEST_F(NumbersTest, TextsDoNotDependOnTheCLocale) {
    // A GUI toolkit sets the C locale from the environment; a comma-decimal locale must not
    // leak into the texts.
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.utf8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(PonPuntos(1234.5, 2), "1,234.50");
    EXPECT_EQ(PonPuntos(std::string("1234.5"), 1), "1,234.5");
    EXPECT_EQ(cartera::ExactNumberText(0.25), "0.25");
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
