#include "grids/collation.h"

#include <array>
#include <cstdint>

namespace cartera {
namespace {

// The three levels of a key, each a byte per primary weight: level separators are 0x01, so
// every weight's first byte is at least 0x02 and a text that is a prefix of another sorts
// first. Secondary and tertiary bytes start at 0x02 (no accent, lower case), which is also
// what trailing ones are trimmed of.
constexpr char kSeparator = 0x01;
constexpr uint8_t kPlain = 0x02;
// Accents, in the order the dictionaries put them after the plain letter.
enum Accent : uint8_t {
    kNone,
    kAcute,
    kGrave,
    kCircumflex,
    kRing,
    kDiaeresis,
    kTilde,
    kCedilla,
    kStroke,
    kCaron,
    kLigature
};

struct Letter {
    char base;    // lower-case base letter; 0: not a letter
    char second;  // a second base letter of a ligature (æ, ß, þ, œ); 0 for none
    Accent accent;
};

// U+00C0 to U+00DF (their lower-case forms are 0x20 above, but for ß, × and ÷).
constexpr Letter kLatin1[32] = {
    {'a', 0, kGrave},      {'a', 0, kAcute}, {'a', 0, kCircumflex}, {'a', 0, kTilde},
    {'a', 0, kDiaeresis},  {'a', 0, kRing},  {'a', 'e', kLigature}, {'c', 0, kCedilla},
    {'e', 0, kGrave},      {'e', 0, kAcute}, {'e', 0, kCircumflex}, {'e', 0, kDiaeresis},
    {'i', 0, kGrave},      {'i', 0, kAcute}, {'i', 0, kCircumflex}, {'i', 0, kDiaeresis},
    {'d', 0, kStroke},     {'n', 0, kTilde}, {'o', 0, kGrave},      {'o', 0, kAcute},
    {'o', 0, kCircumflex}, {'o', 0, kTilde}, {'o', 0, kDiaeresis},  {0, 0, kNone},
    {'o', 0, kStroke},     {'u', 0, kGrave}, {'u', 0, kAcute},      {'u', 0, kCircumflex},
    {'u', 0, kDiaeresis},  {'y', 0, kAcute}, {'t', 'h', kLigature}, {'s', 's', kLigature}};

// Reads one UTF-8 character at *i; a byte that does not start a valid one is read alone.
char32_t NextChar(std::string_view s, size_t* i) {
    const auto lead = static_cast<unsigned char>(s[*i]);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || *i + length > s.size()) return static_cast<char32_t>(s[(*i)++] & 0xFF);
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[*i + k]);
        if ((next & 0xC0) != 0x80) return static_cast<char32_t>(s[(*i)++] & 0xFF);
        c = (c << 6) | (next & 0x3F);
    }
    *i += length;
    return c;
}

// A Latin letter's base, accent and case; base 0 for every other character.
Letter LetterOf(char32_t c, bool* upper) {
    *upper = false;
    if (c >= 'a' && c <= 'z') return {static_cast<char>(c), 0, kNone};
    if (c >= 'A' && c <= 'Z') {
        *upper = true;
        return {static_cast<char>(c - 'A' + 'a'), 0, kNone};
    }
    if (c >= 0xC0 && c <= 0xDE) {
        *upper = true;
        return kLatin1[c - 0xC0];
    }
    if (c == 0xDF || (c >= 0xE0 && c <= 0xFE)) return kLatin1[c == 0xDF ? 31 : c - 0xE0];
    if (c == 0xFF) return {'y', 0, kDiaeresis};
    switch (c) {
        case 0x152:
        case 0x153:
            *upper = c == 0x152;
            return {'o', 'e', kLigature};
        case 0x160:
        case 0x161:
            *upper = c == 0x160;
            return {'s', 0, kCaron};
        case 0x17D:
        case 0x17E:
            *upper = c == 0x17D;
            return {'z', 0, kCaron};
        default:
            return {0, 0, kNone};
    }
}

// Controls rank with the space; the other 33 ASCII signs in ASCII order after it.
constexpr auto kAsciiSignRank = [] {
    std::array<uint8_t, 128> rank{};
    uint8_t next = 0;
    for (int c = 0x20; c < 0x80; ++c) {
        const bool sign =
            !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
        if (sign) rank[c] = next++;
    }
    return rank;
}();

// The primary weight of a character that is not a letter: spaces, controls and ASCII
// punctuation in ASCII order, then digits; anything else after the letters, by code point.
void OtherWeight(char32_t c, std::string* primary) {
    if (c >= '0' && c <= '9') {
        primary->push_back(static_cast<char>(c));
        return;
    }
    if (c < 0x80) {
        primary->push_back(static_cast<char>(kPlain + kAsciiSignRank[c]));
        return;
    }
    primary->push_back(static_cast<char>(0xF8));
    primary->push_back(static_cast<char>((c >> 16) & 0xFF));
    primary->push_back(static_cast<char>((c >> 8) & 0xFF));
    primary->push_back(static_cast<char>(c & 0xFF));
}

char LetterWeight(char base, bool afterN) {
    return static_cast<char>(0x40 + 2 * (base - 'a') + (afterN ? 1 : 0));
}

void TrimPlain(std::string* level) {
    while (!level->empty() && static_cast<uint8_t>(level->back()) == kPlain) level->pop_back();
}

}  // namespace

std::string CollationKey(std::string_view text, Language lang) {
    std::string primary, secondary, tertiary;
    primary.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char32_t c = NextChar(text, &i);
        bool upper = false;
        const Letter letter = LetterOf(c, &upper);
        if (letter.base == 0) {
            OtherWeight(c, &primary);
            secondary.push_back(static_cast<char>(kPlain));
            tertiary.push_back(static_cast<char>(kPlain));
            continue;
        }
        // Spanish sorts ñ as a letter between n and o; elsewhere it is an n with a tilde.
        const bool enye = lang == Language::es && letter.base == 'n' && letter.accent == kTilde;
        primary.push_back(LetterWeight(letter.base, enye));
        secondary.push_back(static_cast<char>(kPlain + (enye ? kNone : letter.accent)));
        tertiary.push_back(static_cast<char>(kPlain + (upper ? 1 : 0)));
        if (letter.second) {
            primary.push_back(LetterWeight(letter.second, false));
            secondary.push_back(static_cast<char>(kPlain));
            tertiary.push_back(static_cast<char>(kPlain));
        }
    }
    TrimPlain(&secondary);
    TrimPlain(&tertiary);
    if (!secondary.empty() || !tertiary.empty()) primary += kSeparator + secondary;
    if (!tertiary.empty()) primary += kSeparator + tertiary;
    return primary;
}

}  // namespace cartera
