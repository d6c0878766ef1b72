// The texts of the five languages, and numbers as each language writes them.
#include "host/numbers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host/strings.h"

namespace {

using cartera::Language;

constexpr Language kAll[] = {Language::en, Language::de, Language::fr, Language::it, Language::es};

class NumbersTest : public ::testing::Test {
  protected:
    NumbersTest() { cartera::SetLanguage(Language::en); }
    ~NumbersTest() override { cartera::SetLanguage(m_saved); }
    const Language m_saved = cartera::CurrentLanguage();  // set before the constructor's body
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
    // 2.005, 1.005 and 2.675 are stored slightly below the written value, 1.145 above,
    // -0.005 just beyond; values that round to zero show no sign; negative decimals are none.
    using Case = std::tuple<double, int, const char*>;
    for (const auto& cases :
         {std::vector<Case>{Case{0.0, 2, "0.00"}, Case{999.0, 0, "999"}, Case{1000.0, 0, "1,000"},
                            Case{100000.0, 1, "100,000.0"}, Case{1e12, 0, "1,000,000,000,000"},
                            Case{12.5, 3, "12.500"}, Case{7.0, -1, "7"}, Case{2.005, 2, "2.00"},
                            Case{1.005, 2, "1.00"}, Case{2.675, 2, "2.67"}, Case{1.145, 2, "1.15"},
                            Case{2.0051, 2, "2.01"}, Case{999.996, 2, "1,000.00"},
                            Case{2.4, 0, "2"}, Case{2.6, 0, "3"}, Case{999.7, 0, "1,000"},
                            Case{1234.5678, 3, "1,234.568"}},
          {Case{-1234.5, 2, "-1,234.50"}, Case{-0.25, 2, "-0.25"},
           Case{-999999.999, 2, "-1,000,000.00"}, Case{-0.005, 2, "-0.01"}, Case{-0.004, 2, "0.00"},
           Case{-0.4, 0, "0"}, Case{-0.0, 2, "0.00"}, Case{-0.6, 0, "-1"}}})
        for (auto [v, decimals, text] : cases) EXPECT_EQ(PonPuntos(v, decimals), text) << v;
    cartera::SetLanguage(fr);
    EXPECT_EQ(PonPuntos(-1234567.0, 1), "-1 234 567,0");
    EXPECT_EQ(PonPuntos(-0.0001, 3), "0,000");
    EXPECT_EQ(PonPuntos(1234567.0, 0), "1 234 567");
}

// The number edits' texts, shown in the language (text/number.h reads them back).
TEST_F(NumbersTest, EditNumbersAreShortAndInTheLanguage) {
    cartera::SetLanguage(Language::de);
    EXPECT_EQ(cartera::EditNumberText(0.2), "0,2");
    EXPECT_EQ(cartera::EditNumberText(10000000000.0), "10000000000");
    EXPECT_EQ(cartera::EditNumberText(1.0 / 3), "0,333333333333333");
    cartera::SetLanguage(Language::en);
    EXPECT_EQ(cartera::EditNumberText(-0.0), "0");
}

TEST_F(NumbersTest, ExactAndFullNumberTextsRoundTripEveryDouble) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> uniform(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const double v = i % 2 ? std::bit_cast<double>(rng()) : uniform(rng);  // any bits
        if (!std::isfinite(v)) continue;
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
    EXPECT_EQ(cartera::ExactNumberText(0.25), "0.25");
    std::setlocale(LC_NUMERIC, "C");
}

std::vector<int> Placeholders(const std::string& text) {
    std::vector<int> count(9);
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') ++count[text[i + 1] - '1'];
    return count;
}

// The module's ids and the workstation's own: a text in every language, with the
// placeholders of the English text, so no value is lost or left to show as "%2".
TEST(StringsTest, EveryModuleIdHasATextInEveryLanguageWithTheEnglishPlaceholders) {
    std::vector<int> held = cartera::StringIds();
    ASSERT_TRUE(std::is_sorted(held.begin(), held.end()));
    for (auto [first, last] : {std::pair{3377, 3470}, {33748, 33752}})
        for (int id = first; id <= last; ++id)
            EXPECT_TRUE(std::binary_search(held.begin(), held.end(), id)) << id;
    for (int id : held) {
        for (Language lang : kAll) {
            std::string text = cartera::LS(id, lang);
            // A stray tab or a literal backslash escape means a broken table line.
            EXPECT_TRUE(!text.empty() && text.find('\t') == std::string::npos &&
                        text.find("\\n") == std::string::npos)
                << id << " " << cartera::LanguageCode(lang);
            EXPECT_EQ(Placeholders(text), Placeholders(cartera::LS(id, Language::en)))
                << id << " " << cartera::LanguageCode(lang) << ": " << text;
        }
    }
}

TEST(StringsTest, FillTextPutsEveryValueInItsPlaceAndLosesNone) {
    const struct {
        std::string_view text;
        std::initializer_list<std::string_view> values;
        std::string_view filled;
    } cases[] = {
        {"%2 before %1, %1 again", {"a", "b"}, "b before a, a again"},
        {"50% of %1%", {"x"}, "50% of x%"},
        {"%1 takes %2", {"%2", "y"}, "%2 takes y"},  // a value is never read as a mark
        {"only %1", {"a", "b"}, "only a b"},         // a value without its mark comes last
        {"%1 and %3", {"a", "b"}, "a and %3 b"},     // a mark without its value stays
    };
    for (const auto& c : cases) EXPECT_EQ(cartera::FillText(c.text, c.values), c.filled) << c.text;
}

TEST(StringsTest, ColumnHeadingsShareTextsAsInEnglish) {
    // Old saved headers are mapped back to ids by caption, first match wins; headings that
    // differ in English must differ in every language, or a caption would change column.
    const int columns[] = {3381, 3384, 3390, 3382, 3385, 3386, 3387, 3395, 3388,
                           3389, 3383, 3428, 3439, 3424, 3429, 3430, 3431, 3432,
                           3435, 3436, 3425, 3434, 3433, 3437, 3438, 3427, 3426};
    for (Language lang : kAll)
        for (int a : columns)
            for (int b : columns) {
                bool sameInEnglish = cartera::LS(a, Language::en) == cartera::LS(b, Language::en);
                bool same = cartera::LS(a, lang) == cartera::LS(b, lang);
                EXPECT_EQ(same, sameInEnglish)
                    << a << " " << b << " " << cartera::LanguageCode(lang);
            }
}

TEST(StringsTest, ParseLanguageReadsEachCodeInAnyCase) {
    Language lang = Language::en;
    for (Language l : kAll)
        EXPECT_TRUE(cartera::ParseLanguage(cartera::LanguageCode(l), &lang) && lang == l);
    EXPECT_TRUE(cartera::ParseLanguage("DE", &lang) && lang == Language::de);
    EXPECT_TRUE(cartera::ParseLanguage("Fr", &lang) && lang == Language::fr);
    for (const char* bad : {"", "e", "eng", "xx", "en ", "pt", "d e", "\xC3\xA9"}) {
        lang = Language::it;
        EXPECT_TRUE(!cartera::ParseLanguage(bad, &lang) && lang == Language::it) << bad;
    }
}

}  // namespace
