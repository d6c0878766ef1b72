// What DEGIRO's Account.csv lines are, and its currency exchanges: the two lines of each
// joined into one row.
#include "statements/degiro_cash.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <tuple>

#include "host/numbers.h"
#include "host/strings.h"
#include "statements/reading.h"
#include "text/number.h"

namespace cartera::statements {

bool HasAnyOf(std::string_view text, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return text.find(w) != std::string_view::npos; });
}

CashKind Classify(std::string_view description) {
    std::string d = LowerAscii(description);
    if (HasAnyOf(d, {"dividend tax", "dividendbelasting", "dividendensteuer", "retención",
                     "ritenuta", "impôt", "imposto"}))
        return CashKind::tax;
    if (HasAnyOf(d, {"dividend"})) return CashKind::dividend;
    if (HasAnyOf(d, {"withdrawal", "terugstorting", "opname", "auszahlung", "retirada", "prelievo",
                     "retrait", "levantamento", "deposit", "storting", "einzahlung", "ingreso",
                     "depósito", "deposito", "versamento", "dépôt", "versement"}))
        return CashKind::inout;
    if (HasAnyOf(d, {"interest", "rente", "zinsen", "interés", "interessi", "intérêts", "juros"}))
        return CashKind::interest;
    if (HasAnyOf(d, {"fee", "kosten", "gebühr", "comisión", "costes", "commission", "frais",
                     "costi", "spese", "custo"}))
        return CashKind::fee;
    return CashKind::none;
}

double AccountPerUnit(std::string_view text, int line) {
    double rate = 0;
    if (text.empty()) return 0;
    if (!ReadNumber(text, GroupedNumber(0), &rate) || !(rate > 0))
        ThrowRowError(line, "exchange rate", text, "is not an exchange rate");
    return 1 / rate;
}

bool IsExchangeHalf(std::string_view description) {
    return HasAnyOf(LowerAscii(description),
                    {"fx debit", "fx credit", "currency exchange", "valuta debitering",
                     "valuta credit", "währungswechsel", "cambio de divisa", "de divisa",
                     "cambio valuta", "opération de change"});
}

namespace {

constexpr std::string_view kBuyWords[] = {"buy", "koop", "kauf", "compra", "acquisto", "achat"};
constexpr std::string_view kSellWords[] = {"sell",    "verkoop", "verkauf", "venta",
                                           "vendita", "vente",   "venda"};

// Where a fill text's quantity ends: its first word (ending at end) and the groups of three
// digits that blanks join to it ("Koop 1 234 @ 10,00 EUR"), before the price's place at.
size_t QuantityEnd(std::string_view rest, size_t end, size_t at) {
    auto digits = [](std::string_view t) {
        return t.size() == 3 &&
               std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    while (end < at) {
        const size_t blank = BlankGroupAt(rest, end), after = end + blank + 3;
        if (blank == 0 || !digits(rest.substr(end + blank, 3)) ||
            (after < rest.size() && rest[after] != '@' && BlankGroupAt(rest, after) == 0))
            break;
        end = after;
    }
    return end;
}

StatementRow ExchangeOf(const ExchangeHalf& debit, const ExchangeHalf& credit) {
    const ExchangeHalf& first = debit.at.line < credit.at.line ? debit : credit;
    StatementRow x = first.at;
    x.kind = RowKind::exchange;
    if (!x.id.empty()) x.id += "/fx";
    x.currency = credit.currency;
    x.amount = credit.change;
    x.soldCurrency = debit.currency;
    x.soldAmount = -debit.change;
    x.description = "Currency exchange";
    return x;
}

}  // namespace

std::optional<FillText> ReadFillText(std::string_view text) {
    text = Trim(text);
    const size_t verbEnd = text.find(' ');
    if (verbEnd == std::string_view::npos) return std::nullopt;
    const std::string verb = LowerAscii(text.substr(0, verbEnd));
    auto is = [&](const auto& words) {
        return std::find(std::begin(words), std::end(words), verb) != std::end(words);
    };
    FillText f;
    f.buy = is(kBuyWords);
    if (!f.buy && !is(kSellWords)) return std::nullopt;
    const std::string_view rest = Trim(text.substr(verbEnd + 1));
    size_t at = rest.rfind('@'), priceAt = at + 1;
    if (at == std::string_view::npos) {
        at = rest.rfind(" zu je ");
        priceAt = at + 7;
        if (at == std::string_view::npos) return std::nullopt;
    }
    f.quantity = rest.substr(0, QuantityEnd(rest, std::min(rest.find(' '), at), at));
    const std::string_view tail = Trim(rest.substr(priceAt));
    const size_t priceEnd = tail.find(' ');
    if (priceEnd == std::string_view::npos) return std::nullopt;
    f.price = tail.substr(0, priceEnd);
    f.currency = Trim(tail.substr(priceEnd + 1)).substr(0, 3);
    if (!IsCurrencyCode(f.currency)) return std::nullopt;
    // English writes a decimal point, the other languages a decimal comma.
    f.decimal = verb == "buy" || verb == "sell" ? '.' : ',';
    return f;
}

void PairExchanges(const std::vector<ExchangeHalf>& halves, Statement* out) {
    // By moment and order id: the halves of one exchange share both.
    std::map<std::tuple<int32_t, int32_t, std::string>, std::vector<const ExchangeHalf*>> groups;
    for (const ExchangeHalf& h : halves) groups[{h.at.date, h.at.time, h.at.id}].push_back(&h);
    for (auto& [key, group] : groups) {
        std::vector<char> used(group.size(), 0);
        for (size_t d = 0; d < group.size(); ++d) {
            if (used[d] || !(group[d]->change < 0)) continue;
            for (size_t c = 0; c < group.size(); ++c) {
                if (used[c] || !(group[c]->change > 0) || group[c]->currency == group[d]->currency)
                    continue;
                used[d] = used[c] = 1;
                out->rows.push_back(ExchangeOf(*group[d], *group[c]));
                break;
            }
        }
        for (size_t i = 0; i < group.size(); ++i)
            if (!used[i])
                out->notes.push_back(
                    {group[i]->at.line, "\"" + group[i]->at.description + "\" of " +
                                            ExactNumberText(group[i]->change) + " " +
                                            group[i]->currency +
                                            " not imported: the other half of its exchange is "
                                            "not in the file"});
    }
}

StatementRow CostsExchange(const StatementRow& fill, double costs, const std::string& currency,
                           double rate) {
    StatementRow x = ExchangeBeside(fill, "/costs");
    x.currency = fill.currency;
    x.amount = Tidy(-costs * rate);
    x.soldCurrency = currency;
    x.soldAmount = -costs;
    x.description = "Costs of " + fill.symbol;
    return x;
}

}  // namespace cartera::statements
