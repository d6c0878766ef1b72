#include "text/number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "host/numbers.h"

namespace cartera {
namespace {

// The decimal separator a number written in either convention uses.
char EitherDecimal(std::string_view text) {
    const size_t point = text.rfind('.'), comma = text.rfind(',');
    char decimal = point == std::string_view::npos   ? ','
                   : comma == std::string_view::npos ? '.'
                   : point > comma                   ? '.'
                                                     : ',';
    const char other = decimal == '.' ? ',' : '.';
    // "1.234.567" groups by its only separator.
    if (std::count(text.begin(), text.end(), decimal) > 1 &&
        std::count(text.begin(), text.end(), other) == 0)
        decimal = other;
    return decimal;
}

}  // namespace

double ReadNumberPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    text.remove_prefix(i);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here, so "+-1" reads as 0 as atof reads it.
    if (text.empty() || text.front() == '-' || text.front() == '+') return 0.0;
    double value = 0.0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc::invalid_argument) return 0.0;
    return negative ? -value : value;
}

size_t BlankGroupAt(std::string_view text, size_t at) {
    const std::string_view rest = text.substr(std::min(at, text.size()));
    for (std::string_view blank : {" ", "\xC2\xA0", "\xE2\x80\xAF"})
        if (rest.starts_with(blank)) return blank.size();
    return 0;
}

NumberForm LanguageNumber() { return {GetSepDecimal()[0], GetSepMiles()[0], true}; }

namespace {

// Reads text written in form by handing its plain form (a point, no grouping) to parse.
template <class Parse>
bool ReadInForm(std::string_view text, const NumberForm& form, Parse parse) {
    text = Trim(text);
    if (form.blankGroups) {
        // Blanks that group: each made one space, checked in place, then taken out; the
        // other separator is then the decimal one alone.
        std::string spaced;
        for (size_t i = 0; i < text.size(); ++i) {
            const size_t blank = BlankGroupAt(text, i);
            spaced += blank > 0 ? ' ' : text[i];
            if (blank > 0) i += blank - 1;
        }
        if (spaced.find(' ') != std::string::npos) {
            const char decimal = form.decimal != 0 ? form.decimal : EitherDecimal(spaced);
            if (!ThousandsInPlace(spaced, " ", {&decimal, 1})) return false;
            spaced.erase(std::remove(spaced.begin(), spaced.end(), ' '), spaced.end());
            return ReadInForm(spaced, NumberForm{decimal, 0, form.exponent}, parse);
        }
    }
    char decimal = form.decimal, thousands = form.thousands;
    if (decimal == 0) {
        decimal = EitherDecimal(text);
        thousands = decimal == '.' ? ',' : '.';
    }
    const bool grouped = thousands != 0 && text.find(thousands) != std::string_view::npos;
    if (grouped && !ThousandsInPlace(text, {&thousands, 1}, {&decimal, 1})) return false;
    if (decimal == '.' && !grouped) return parse(text);
    std::string plain;
    plain.reserve(text.size());
    for (char c : text) {
        if (grouped && c == thousands) continue;
        plain += c == decimal ? '.' : c;
    }
    return parse(plain);
}

// Reads text typed in the interface language through read(text, form).
template <class Read>
bool ReadInLanguage(std::string_view text, Read read) {
    const NumberForm form = LanguageNumber();
    const bool pointAsDecimal = form.decimal != '.' &&
                                text.find(form.decimal) == std::string_view::npos &&
                                std::count(text.begin(), text.end(), '.') == 1;
    if (pointAsDecimal) {
        // "1.234" groups thousands; "0.2" and "1.5" are decimals typed with a point.
        const size_t dot = text.find('.');
        size_t digits = 0;
        while (dot + 1 + digits < text.size() &&
               std::isdigit(static_cast<unsigned char>(text[dot + 1 + digits])))
            ++digits;
        if (digits != 3 || dot + 1 + digits != text.size()) return read(text, kPlainNumber);
    }
    return read(text, form);
}

}  // namespace

bool ReadNumber(std::string_view text, const NumberForm& form, double* out) {
    return ReadInForm(text, form, [&](std::string_view plain) {
        return ParsePlainNumber(plain, out, form.exponent);
    });
}

bool ReadQuantity(std::string_view text, const NumberForm& form, Quantity* out) {
    return ReadInForm(text, form, [&](std::string_view plain) {
        return ParseQuantity(plain, out, form.exponent);
    });
}

bool ThousandsInPlace(std::string_view text) {
    return ThousandsInPlace(text, GetSepMiles(), GetSepDecimal());
}

bool ThousandsInPlace(std::string_view text, std::string_view sep, std::string_view decimalSep) {
    const size_t decimal = text.find(decimalSep);
    if (decimal != std::string_view::npos && text.find(sep, decimal) != std::string_view::npos)
        return false;
    std::string_view whole = text.substr(0, decimal);
    if (!whole.empty() && (whole.front() == '-' || whole.front() == '+')) whole.remove_prefix(1);
    size_t at = whole.find(sep);
    if (at == std::string_view::npos) return true;
    if (at == 0 || at > 3) return false;  // the first group: 1 to 3 digits
    for (size_t group = at + sep.size(); group <= whole.size(); group += 3 + sep.size()) {
        std::string_view digits = whole.substr(group, 3);
        if (digits.size() != 3 || digits.find(sep.front()) != std::string_view::npos) return false;
        if (group + 3 == whole.size()) return true;
        if (whole.compare(group + 3, sep.size(), sep) != 0) return false;
    }
    return false;
}

bool ParseNumberInLanguage(std::string_view text, double* out) {
    return ReadInLanguage(
        text, [&](std::string_view t, const NumberForm& form) { return ReadNumber(t, form, out); });
}

bool ParseQuantityInLanguage(std::string_view text, Quantity* out) {
    return ReadInLanguage(text, [&](std::string_view t, const NumberForm& form) {
        return ReadQuantity(t, form, out);
    });
}

}  // namespace cartera
