#pragma once
// Numbers read from text: the one reader of every form the program meets (its own plain
// decimals, a broker's numbers grouped in either convention, what the user types in the
// interface language), never through the C locale.
#include <charconv>
#include <string_view>

#include "host/quantity.h"
#include "host/strings.h"

namespace cartera {

// How a number is written.
struct NumberForm {
    // The decimal separator, '.' or ','; 0 when each number says which: of a point and a
    // comma the last is the decimal separator, one written twice groups thousands, a lone
    // one is decimal.
    char decimal = '.';
    // The separator between groups of three digits of the whole part (the first group one
    // to three digits); 0 for none. With decimal 0, the other of point and comma.
    char thousands = 0;
    // Whether an exponent is read too ("1e5").
    bool exponent = true;
    // Whether a blank may group thousands instead (see BlankGroupAt): "1 234,50".
    bool blankGroups = false;
};

// What the program writes: a point, no grouping (the exports, the movements CSV).
inline constexpr NumberForm kPlainNumber{'.', 0, true};
// A plain decimal without an exponent (the Flex statements).
inline constexpr NumberForm kDecimalNumber{'.', 0, false};
// Grouped in threes by the other of point and comma, or by blanks; decimal 0: each number
// says which. How brokers write their numbers.
constexpr NumberForm GroupedNumber(char decimal) {
    return {decimal, decimal == '.' ? ',' : decimal == ',' ? '.' : '\0', true, true};
}
// The bytes of the blank that groups thousands at text[at]: a space, a no-break space
// (U+00A0) or a narrow no-break space (U+202F), as the French and Swiss write "1 234,50";
// 0 when none is there.
size_t BlankGroupAt(std::string_view text, size_t at);
// The interface language's separators (English 1,234.5; German 1.234,5; French 1 234,5).
NumberForm LanguageNumber();

// Reads text written in form, blanks around it and a leading '+' allowed. False, *out
// untouched, for anything else: an empty text, a thousands separator out of place ("1,2,3",
// "1,,2"), a number beyond a double.
bool ReadNumber(std::string_view text, const NumberForm& form, double* out);
// The same for a quantity, read exactly (see ParseQuantity): false for a digit beyond the
// tenth place that is not 0.
bool ReadQuantity(std::string_view text, const NumberForm& form, Quantity* out);

// Whether every thousands separator of text stands between groups of three digits of the
// whole part (none after the decimal separator).
bool ThousandsInPlace(std::string_view text, std::string_view thousands, std::string_view decimal);
// The same for a text typed in the interface language.
bool ThousandsInPlace(std::string_view text);

// What the C library's atof reads in the "C" locale: leading blanks skipped, an optional
// sign, the longest number at the start; 0 when the text does not start with one (and for a
// hexadecimal form or a number beyond a double). How the entry boxes and the commission
// grid's cells have always read what was typed.
double ReadNumberPrefix(std::string_view text);

// Reads a number typed in the interface language (LanguageNumber); under a comma language a
// lone point not followed by exactly three digits is read as a decimal point too ("0.2").
bool ParseNumberInLanguage(std::string_view text, double* out);
// The same for a quantity, read exactly.
bool ParseQuantityInLanguage(std::string_view text, Quantity* out);

// Reads a whole decimal number that fits T, blanks around it and a leading '+' allowed;
// false for anything else.
template <typename T>
bool ParseWholeNumber(std::string_view text, T* out) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto res = std::from_chars(text.data(), text.data() + text.size(), *out);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

}  // namespace cartera
