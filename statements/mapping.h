#pragma once
// Any broker's CSV read by a mapping file that names, per field, the column it is in.
//
// The file has one `key = value` per line; blank lines and lines starting with '#' are
// ignored. A column is named by its heading (as written, case ignored) or by its place,
// "column 9" counting from 1. Keys:
//   date (required), date_format (default YYYY-MM-DD; see ParseDateFormat),
//   time, time_format (HH:MM:SS, also taking HH:MM, or HHMMSS); a date cell that also holds
//     the time after a blank or ';' gives both,
//   quantity, price, commission (its sign ignored: a charge), amount (cash rows),
//   amount_currency: the currency of cash rows when not the currency column's,
//   code (what keeps securities apart), symbol, currency, id, account, multiplier,
//   type: the column whose words say what a row is, with the words per kind in
//     buy, sell, dividend, tax, fee, deposit, withdrawal, interest (comma-separated, case
//     ignored, '*' standing for any text); a row of another type is left out and counted,
//   side: a column with only the words of buy and sell, when there is no type column,
//   signed_quantity = yes: a negative quantity is a sell (without type and side),
//   signed_amount = yes: cash amounts carry their sign (a negative fee or tax is charged,
//     a positive one returned); otherwise every amount is read as its size,
//   only = COLUMN: WORD,WORD: rows whose COLUMN holds none of the words are skipped,
//   decimal = . or , (the other one then groups thousands; default: each number says),
//   id_prefix (default "MAP:"), name (shown as the statement's format).
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

struct ColumnRef {
    std::string heading;  // empty when given by place
    size_t place = 0;     // from 1; 0 when given by heading
};

struct Mapping {
    std::string name = "mapping";
    std::string idPrefix = "MAP:";
    ColumnRef date, time, quantity, price, commission, amount, amountCurrency, code, symbol,
        currency, id, account, multiplier, type, side, only;
    std::string dateFormat = "YYYY-MM-DD";
    bool compactTime = false;  // HHMMSS
    char decimal = 0;          // 0: each number says
    bool signedQuantity = false, signedAmount = false;
    std::vector<std::string> buy, sell, dividend, tax, fee, deposit, withdrawal, interest,
        onlyWords;
};

// Reads a mapping file's text (after a UTF-8 byte-order mark, if any). Throws cartera::Error
// (invalid_input) naming the line of an unknown key, a line without '=', a bad value, or (line 0) a
// mapping that cannot read a trade: no date, no quantity or price, no way to tell buys from sells.
Mapping ParseMapping(std::string_view text);

// The text of the shipped mapping called name ("degiro", "trading212", "ib"); empty for
// another name. They are the files of statements/maps/, compiled in.
std::string_view ShippedMapping(std::string_view name);

// The mapping a --map argument names: a shipped mapping's name, else a file's path.
// Throws cartera::Error: not_found, denied or io for a file that cannot be read,
// invalid_input for a folder and as ParseMapping does. A byte-order mark is skipped.
Mapping LoadMapping(const std::string& map);

// Reads a CSV with one header row by the mapping (format m.name, idPrefix m.idPrefix),
// rows sorted by date and time, repeated ids numbered as NumberRepeatedIds does. Throws
// cartera::Error (invalid_input) naming the line and field of the first bad row, or the
// mapped column the header lacks.
Statement ReadMapped(std::istream& in, const Mapping& m);

}  // namespace cartera::statements
