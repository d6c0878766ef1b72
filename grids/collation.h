#pragma once
// Texts in the order of a language's dictionaries, for sorting a grid's text columns: letters
// first by their base letter whatever their case and accents ("apple" before "Banco", "Öl"
// among the o's), then by their accents, then lower case before upper case; Spanish keeps ñ
// as a letter of its own after n. Spaces and punctuation come before digits, digits before
// letters, letters before every other character (by code point).
#include <string>
#include <string_view>

#include "host/strings.h"

namespace cartera {

// A key whose bytewise comparison with another text's key orders the two texts (UTF-8) in
// lang's collation; equal keys only for equal texts of the Latin-1 letters, spaces, digits and
// punctuation (a byte that is not UTF-8 counts as the character of its value).
std::string CollationKey(std::string_view text, Language lang);

}  // namespace cartera
