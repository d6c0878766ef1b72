#include "host/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using cartera::Language;

constexpr Language kAll[] = {Language::en, Language::de, Language::fr, Language::it, Language::es};

std::vector<int> ModuleIds() {
    std::vector<int> ids;
    for (int id = 3377; id <= 3470; ++id) ids.push_back(id);
    for (int id = 33748; id <= 33752; ++id) ids.push_back(id);
    return ids;
}

// Restores the interface language after each test.
class StringsTest : public ::testing::Test {
  protected:
    void SetUp() override { m_saved = cartera::CurrentLanguage(); }
    void TearDown() override { cartera::SetLanguage(m_saved); }

  private:
    Language m_saved = Language::en;
};

TEST_F(StringsTest, EveryModuleIdHasATextInEveryLanguage) {
    std::vector<int> held = cartera::StringIds();
    std::set<int> heldSet(held.begin(), held.end());
    for (int id : ModuleIds()) {
        EXPECT_TRUE(heldSet.count(id)) << id;
        for (Language lang : kAll) {
            std::string text = cartera::LS(id, lang);
            EXPECT_FALSE(text.empty()) << id << " " << cartera::LanguageCode(lang);
            // A stray tab or a literal backslash escape means a broken table line.
            EXPECT_EQ(text.find('\t'), std::string::npos) << id;
            EXPECT_EQ(text.find("\\n"), std::string::npos) << id;
        }
    }
    // The workstation's own texts as well.
    for (int id :
         {40000, 40001, 40002, 40003, 40004, 40005, 40006, 40007, 40010, 40011, 40012, 40020, 40030,
          40031, 40032, 40033, 40040, 40041, 40042, 40043, 40044, 40050, 40051, 40052, 40053})
        for (Language lang : kAll) EXPECT_FALSE(cartera::LS(id, lang).empty()) << id;
    EXPECT_TRUE(std::is_sorted(held.begin(), held.end()));
}

TEST_F(StringsTest, EnglishTextsAreTheModulesOwn) {
    const std::map<int, std::string> quoted = {
        {3377, "Movements"},
        {3378, "Open Trades"},
        {3379, "Closed Trades"},
        {3381, "Type"},
        {3382, "Date"},
        {3383, "Time"},
        {3384, "Symbol"},
        {3385, "Contracts"},
        {3386, "Price"},
        {3387, "Commissions"},
        {3388, "Guarantee"},
        {3389, "Point Value"},
        {3390, "Group"},
        {3391, "Buy"},
        {3392, "Sell"},
        {3393, "Commissions"},
        {3394, "Other operations"},
        {3395, "Total"},
        {3396, "Buy"},
        {3397, "Sell"},
        {3398, "Impositions, Div..."},
        {3399, "Commission"},
        {3400, "Rating"},
        {3401, "Balance"},
        {3403, "Delete"},
        {3404, "Do you want to delete the selected row ?"},
        {3409, "Search error"},
        {3410, "From"},
        {3411, "To"},
        {3414, "Royalty"},
        {3416, "Check commission bracket ( From/To )"},
        {3417, "B"},
        {3418, "S"},
        {3419, "IM"},
        {3420, "RE"},
        {3421, "EX"},
        {3422, "DEP"},
        {3423, "DI"},
        {3424, "Dat.B"},
        {3425, "Dat.S"},
        {3426, "Time.B"},
        {3427, "Time.S"},
        {3428, "Symbol"},
        {3429, "Contracts"},
        {3430, "Price B"},
        {3431, "Price S"},
        {3432, "Commission"},
        {3433, "Total B"},
        {3434, "Total S"},
        {3435, "Profit"},
        {3436, "%"},
        {3437, "Warranty"},
        {3438, "Point Value"},
        {3439, "Group"},
        {3447, "Capital Contribution"},
        {3448, "Capital Refund"},
        {3449, "Consolidated capital"},
        {3450, "Open Trades Profit"},
        {3451, "Portfolio Rating"},
        {3452, "Total Profit"},
        {3455, "Closed Trades"},
        {3456, "Comisiones.bin"},
        {3458, "The portfolio file already exists, overwrite it ?"},
        {3459, "Modify"},
        {3460, "Modify order"},
        {3461, "Invested Capital"},
        {3462, "Settlement"},
        {3463, "Deposits"},
        {3464, "Expenses"},
        {3465, "Dividends"},
        {3466, "Item"},
        {3467, "Symbol"},
        {3468, "%"},
        {3469, "Open Trades Rating"},
        {3470, "Options"},
        {33748, "Buy\nBuy"},
        {33749, "Sell\nSell"},
        {33750, "Other operations\nDividends, Impositions, Refunds, Expenses, Deposits"},
        {33751, "Commission\nCommission"},
        {33752, "Modify\nModify"},
    };
    for (const auto& [id, text] : quoted) EXPECT_EQ(cartera::LS(id, Language::en), text) << id;
}

TEST_F(StringsTest, CommissionFileNameDependsOnTheLanguage) {
    EXPECT_EQ(cartera::LS(3456, Language::en), "Comisiones.bin");
    EXPECT_EQ(cartera::LS(3456, Language::de), "Comisiones.bin");
    EXPECT_EQ(cartera::LS(3456, Language::es), "Comisiones.bin");
    EXPECT_EQ(cartera::LS(3456, Language::it), "Commissioni.bin");
    EXPECT_EQ(cartera::LS(3456, Language::fr), "Commissions.");
}

TEST_F(StringsTest, CommandStringsHoldPromptAndTooltip) {
    for (int id = 33748; id <= 33752; ++id)
        for (Language lang : kAll) {
            std::string text = cartera::LS(id, lang);
            auto br = text.find('\n');
            ASSERT_NE(br, std::string::npos) << id << " " << cartera::LanguageCode(lang);
            EXPECT_GT(br, 0u) << id;
            EXPECT_LT(br + 1, text.size()) << id;
            EXPECT_EQ(text.find('\n', br + 1), std::string::npos) << id;
        }
}

TEST_F(StringsTest, TypeLettersAreDistinctInEachLanguage) {
    for (Language lang : kAll) {
        std::set<std::string> letters;
        for (int id = 3417; id <= 3423; ++id) letters.insert(cartera::LS(id, lang));
        EXPECT_EQ(letters.size(), 7u) << cartera::LanguageCode(lang);
    }
    EXPECT_EQ(cartera::LS(3417, Language::es), "C");
    EXPECT_EQ(cartera::LS(3418, Language::es), "V");
}

TEST_F(StringsTest, ColumnHeadingsShareTextsAsInEnglish) {
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

TEST_F(StringsTest, UnknownIdsGiveEmptyText) {
    for (int id : {0, -1, 3376, 3471, 33747, 33753, 39999, 99999})
        for (Language lang : kAll) EXPECT_EQ(cartera::LS(id, lang), "") << id;
}

TEST_F(StringsTest, CurrentLanguageSelectsTheText) {
    cartera::SetLanguage(Language::de);
    EXPECT_EQ(cartera::CurrentLanguage(), Language::de);
    EXPECT_EQ(LS(3456), "Comisiones.bin");
    EXPECT_EQ(LS(3377), cartera::LS(3377, Language::de));
    cartera::SetLanguage(Language::fr);
    EXPECT_EQ(LS(3456), "Commissions.");
    cartera::SetLanguage(Language::it);
    EXPECT_EQ(LS(3456), "Commissioni.bin");
    EXPECT_EQ(LS(12), "");
}

TEST_F(StringsTest, ParseLanguage) {
    Language lang = Language::en;
    for (Language l : kAll) {
        ASSERT_TRUE(cartera::ParseLanguage(cartera::LanguageCode(l), &lang));
        EXPECT_EQ(lang, l);
    }
    ASSERT_TRUE(cartera::ParseLanguage("DE", &lang));
    EXPECT_EQ(lang, Language::de);
    ASSERT_TRUE(cartera::ParseLanguage("Fr", &lang));
    EXPECT_EQ(lang, Language::fr);
    EXPECT_STREQ(cartera::LanguageCode(Language::es), "es");
    for (const char* bad : {"", "e", "eng", "xx", "en ", "pt", "d e", "\xC3\xA9"}) {
        lang = Language::it;
        EXPECT_FALSE(cartera::ParseLanguage(bad, &lang)) << '"' << bad << '"';
        EXPECT_EQ(lang, Language::it);
    }
}

}  // namespace
