#pragma once
// What the broker readers share: the header row's columns, numbers in either decimal
// convention, and the errors that name a line and a field.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// ASCII letters lowered; other bytes (UTF-8 included) kept, so headings compare as typed.
std::string LowerAscii(std::string_view text);
// Three capital ASCII letters: how the brokers write a currency.
bool IsCurrencyCode(std::string_view text);

// Reads a broker's number. decimal is '.' or ',', the other one then groups thousands; with
// 0 the number says which: of a point and a comma the last is the decimal separator, a
// separator that appears twice groups thousands, a lone one is decimal. Thousands stand
// between groups of three digits of the whole part ("1,2,3" and "1,,2" are no numbers). A
// leading '-' or '+' and blanks around are taken. False for anything else, an empty text
// included.
bool ParseBrokerNumber(std::string_view text, char decimal, double* out);

// An amount the reader computed (a gross dividend, a converted charge) without the noise of
// binary fractions: rounded to 10 decimals, so 0.5 x 0.204 + 0.036 is 0.138.
double Tidy(double v);

// Throws cartera::Error (invalid_input) as FailRow does: "line N, FIELD: "text" WHAT".
[[noreturn]] void ThrowRowError(size_t line, std::string_view field, std::string_view text,
                                std::string_view what);

// One CSV record and the line it starts on.
struct Record {
    size_t line = 0;
    std::vector<std::string> fields;
};
// Whether every field of the record is blank.
bool IsBlank(const Record& r);
// The header row at the start of a file's first bytes (all of it when the head ends
// inside it); empty when the head holds no complete field.
std::vector<std::string> HeaderOf(std::string_view head);

// Rows that share one id (the fills of one order) keep the first bare and get "/2", "/3"…
// after it in file order, so that a second import tells them apart from each other.
void NumberRepeatedIds(std::vector<StatementRow>* rows);

// Sorts rows by date and time, keeping the file's order within a moment: brokers list
// the newest first.
void SortByTime(std::vector<StatementRow>* rows);

}  // namespace cartera::statements
