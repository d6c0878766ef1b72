#include "host/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The module's ids and the workstation's own: a text in every language.
TEST(StringsTest, EveryModuleIdHasATextInEveryLanguage) {
    std::vector<int> held = cartera::StringIds();
    ASSERT_TRUE(std::is_sorted(held.begin(), held.end()));
    for (int id : ModuleIds()) EXPECT_TRUE(std::binary_search(held.begin(), held.end(), id)) << id;
    for (int id : held) {
        for (Language lang : kAll) {
            std::string text = cartera::LS(id, lang);
            // A stray tab or a literal backslash escape means a broken table line.
            EXPECT_TRUE(!text.empty() && text.find('\t') == std::string::npos &&
                        text.find("\\n") == std::string::npos)
                << id << " " << cartera::LanguageCode(lang);
        }
    }
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
    for (Language l : kAll) {
        EXPECT_TRUE(cartera::ParseLanguage(cartera::LanguageCode(l), &lang) && lang == l);
    }
    EXPECT_TRUE(cartera::ParseLanguage("DE", &lang) && lang == Language::de);
    EXPECT_TRUE(cartera::ParseLanguage("Fr", &lang) && lang == Language::fr);
    for (const char* bad : {"", "e", "eng", "xx", "en ", "pt", "d e", "\xC3\xA9"}) {
        lang = Language::it;
        EXPECT_TRUE(!cartera::ParseLanguage(bad, &lang) && lang == Language::it) << bad;
    }
}

}  // namespace
