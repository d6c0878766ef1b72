#pragma once
// What DEGIRO's Account.csv lines are, and its currency exchanges: each in two lines, the
// currency debited and the one credited, which one exchange row stands for.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "statements/statement.h"

namespace cartera::statements {

// A fill as Account.csv describes it: "Koop 1.234 @ 100,00 EUR", "Sell 4 AVIVA@496 GBX
// (GB00BPQY8M80)", "Kauf 10 zu je 89,42 EUR": the side, the quantity, the price and its
// currency, as written.
struct FillText {
    bool buy = false;
    std::string_view quantity, price, currency;
    char decimal = ',';  // the decimal separator of the text's language
};
// A fill text's parts; nullopt when the text is none (no side word, no price).
std::optional<FillText> ReadFillText(std::string_view text);

// Whether text holds one of words.
bool HasAnyOf(std::string_view text, std::initializer_list<std::string_view> words);

enum class CashKind { none, dividend, tax, inout, interest, fee };

// What an account description is, from its words in the languages read. Order matters:
// "Dividend Tax" before "Dividend", "Terugstorting" (a withdrawal) before "Storting".
CashKind Classify(std::string_view description);

// DEGIRO writes an exchange rate as the foreign currency per unit of the account's (1.0842
// USD per EUR); a row takes the account's per unit of its own. 0 for no text; refuses
// (ThrowRowError, naming line) a text that is no rate.
double AccountPerUnit(std::string_view text, int line);

// One line of an exchange: its moment, line and order id (as id), and the signed change.
struct ExchangeHalf {
    StatementRow at;
    double change = 0;
    std::string currency;
};

// Whether an account line's description names one half of a currency exchange, in the
// languages read ("FX Debit", "Valuta Creditering", "Währungswechsel (Ausbuchung)"…).
bool IsExchangeHalf(std::string_view description);

// Pairs the halves of one moment and order id, a debit with a credit of another currency,
// into one exchange row each; a half without its other stays a note.
void PairExchanges(const std::vector<ExchangeHalf>& halves, Statement* out);

// Costs charged in `currency` (`costs`, written negative) on a fill in another, which the
// fill's commission spends in its own: the exchange of one for the other at the rate
// `rate` (the fill's currency per unit of the charged one), so that each currency's cash
// is what the broker's is.
StatementRow CostsExchange(const StatementRow& fill, double costs, const std::string& currency,
                           double rate);

}  // namespace cartera::statements
