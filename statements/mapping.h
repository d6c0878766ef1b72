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
//   code (what keeps securities apart), symbol, quote_code (default: the symbol), currency,
//     id, account, multiplier,
//   commission_currency and exchange_rate: a commission charged in another currency than
//     the row's is multiplied by the rate (the row's currency per unit of the commission's),
//   withheld, withheld_currency: the tax withheld from a dividend, which is then read gross
//     and the tax as an expense of the security (converted by exchange_rate as above);
//     a dividend whose price column holds a number is the quantity times that amount per
//     share, in the row's currency,
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
#include <utility>
#include <vector>

#include "host/env.h"
#include "statements/statement.h"

namespace cartera::statements {

struct ColumnRef {
    std::string heading;  // empty when given by place
    size_t place = 0;     // from 1; 0 when given by heading
};
// Whether the mapping names the column.
inline bool IsSet(const ColumnRef& c) { return !c.heading.empty() || c.place > 0; }

struct Mapping {
    std::string name = "mapping";
    std::string idPrefix = "MAP:";
    ColumnRef date, time, quantity, price, commission, amount, amountCurrency, code, symbol,
        quoteCode, currency, id, account, multiplier, type, side, only, commissionCurrency,
        exchangeRate, withheld, withheldCurrency;
    std::string dateFormat = "YYYY-MM-DD";
    bool compactTime = false;  // HHMMSS
    char decimal = 0;          // 0: each number says
    bool signedQuantity = false, signedAmount = false;
    std::vector<std::string> buy, sell, dividend, tax, fee, deposit, withdrawal, interest,
        onlyWords;
};

// The keys that name a column and the mapping's field of each; "only" names its column
// with its words.
inline constexpr std::pair<std::string_view, ColumnRef Mapping::*> kColumnKeys[] = {
    {"date", &Mapping::date},
    {"time", &Mapping::time},
    {"quantity", &Mapping::quantity},
    {"price", &Mapping::price},
    {"commission", &Mapping::commission},
    {"commission_currency", &Mapping::commissionCurrency},
    {"exchange_rate", &Mapping::exchangeRate},
    {"amount", &Mapping::amount},
    {"amount_currency", &Mapping::amountCurrency},
    {"withheld", &Mapping::withheld},
    {"withheld_currency", &Mapping::withheldCurrency},
    {"code", &Mapping::code},
    {"symbol", &Mapping::symbol},
    {"quote_code", &Mapping::quoteCode},
    {"currency", &Mapping::currency},
    {"id", &Mapping::id},
    {"account", &Mapping::account},
    {"multiplier", &Mapping::multiplier},
    {"type", &Mapping::type},
    {"side", &Mapping::side},
    {"only", &Mapping::only}};

// Reads a mapping file's text (after a UTF-8 byte-order mark, if any). Throws cartera::Error
// (invalid_input) naming the line of an unknown key, a line without '=', a bad value, or (line 0) a
// mapping that cannot read a trade: no date, no quantity or price, no way to tell buys from sells.
Mapping ParseMapping(std::string_view text);

// The text of the shipped mapping called name ("degiro", "trading212", "ib"); empty for
// another name. They are the files of statements/maps/, compiled in.
std::string_view ShippedMapping(std::string_view name);

// The mapping a --map argument names: a shipped mapping's name, else a file's path, read
// through env (null: no file can be, not_found). Throws cartera::Error: not_found, denied or
// io for a file that cannot be read, invalid_input for a folder and as ParseMapping does. A
// byte-order mark is skipped.
Mapping LoadMapping(Env* env, const std::string& map);

// Reads a CSV with one header row by the mapping (format m.name, idPrefix m.idPrefix),
// rows sorted by date and time, repeated ids numbered as NumberRepeatedIds does. A cash
// row is described by its type column's words and its symbol. Throws cartera::Error
// (invalid_input) naming the line and field of the first bad row, or the mapped column the
// header lacks.
Statement ReadMapped(std::istream& in, const Mapping& m);

}  // namespace cartera::statements
