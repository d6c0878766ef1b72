#include "model/exchange.h"

#include <algorithm>
#include <cmath>

#include "host/numbers.h"
#include "model/extra_fields.h"

namespace cartera {

namespace {

EntryRefusal Refuse(EntryField field, std::string message) { return {field, std::move(message)}; }

bool GoodAmount(double v) { return v > 0 && v <= kMaxEntryAmount; }

// The running cash of one currency, found by code (a journal names few).
double& CashOf(std::vector<CurrencyAmount>& cash, std::string_view code) {
    for (auto& c : cash)
        if (c.currency == code) return c.amount;
    cash.push_back({std::string(code), 0.0});
    return cash.back().amount;
}

}  // namespace

std::string FormatExchangeTerms(const CurrencyAmount& sold) {
    return sold.currency + ' ' + ExactNumberText(sold.amount);
}

bool ParseExchangeTerms(std::string_view text, CurrencyAmount* sold) {
    if (text.size() < 5 || text[3] != ' ' || !IsCurrencyCode(text.substr(0, 3))) return false;
    double amount;
    if (!ParsePlainNumber(text.substr(4), &amount) || !(amount > 0) || text[4] == ' ' ||
        text.back() == ' ')
        return false;
    *sold = {std::string(text.substr(0, 3)), amount};
    return true;
}

EntryRefusal SetExchange(std::string_view portfolio, const CurrencyAmount& sold,
                         const CurrencyAmount& bought, std::optional<double> rate,
                         const RateLookup& lookup, COrderCartera& m) {
    std::string from, to;
    if (auto refused = ReadCurrencyCode(sold.currency, &from)) return refused;
    if (auto refused = ReadCurrencyCode(bought.currency, &to)) return refused;
    if (portfolio.empty())
        return Refuse(EntryField::currency,
                      "the portfolio's own currency is not named yet: name it before entering "
                      "an exchange");
    if (from.empty() || to.empty())
        return Refuse(EntryField::currency,
                      "an exchange names the currency sold and the one "
                      "bought");
    if (from == to) return Refuse(EntryField::currency, "an exchange needs two currencies");
    if (!GoodAmount(sold.amount) || !GoodAmount(bought.amount))
        return Refuse(EntryField::amount, "the amounts of an exchange must be more than 0");
    COrderCartera e = m;
    e.type = kExchange;
    e.buy = 0;
    e.contracts = 1;
    e.price = bought.amount;
    e.commission = 0;
    e.quoteCode = PooledText();
    e.schedule = PooledText();
    e.symbol = from + "\xE2\x86\x92" + to;  // "EUR→USD"
    e.terms = FormatExchangeTerms({from, sold.amount});
    // Selling the portfolio's currency fixes the rate of the one bought: what was paid.
    if (from == portfolio && !rate) rate = sold.amount / bought.amount;
    if (auto refused = SetMovementCurrency(portfolio, to, rate, lookup, e)) return refused;
    m = e;
    return {};
}

std::vector<CurrencyAmount> CashByCurrency(const CArrayOrders& journal,
                                           std::string_view portfolio) {
    std::vector<CurrencyAmount> cash;
    for (const COrderCartera& m : journal) {
        const std::string_view code = m.currency.empty() ? portfolio : std::string_view(m.currency);
        const double q = m.IsSharelessDividend() ? 0.0 : m.contracts.ToDouble();
        switch (m.type) {
            case kBuy:
                CashOf(cash, code) -= q * (m.price * m.pointValue + m.commission);
                break;
            case kSell:
                CashOf(cash, code) += q * (m.price * m.pointValue - m.commission);
                break;
            case kDividend:
                CashOf(cash, code) += q * (m.price + m.commission);
                break;
            case kImposition:
            case kDeposit:
                CashOf(cash, code) += q * m.price;
                break;
            case kExpense:
            case kRefund:
                CashOf(cash, code) -= q * m.price;
                break;
            case kExchange: {
                CurrencyAmount sold;
                if (!ParseExchangeTerms(m.terms, &sold)) break;  // a damaged file's: no effect
                CashOf(cash, code) += q * m.price;
                CashOf(cash, sold.currency) -= sold.amount;
                break;
            }
            default:
                break;
        }
    }
    std::sort(cash.begin(), cash.end(),
              [](const auto& a, const auto& b) { return a.currency < b.currency; });
    return cash;
}

}  // namespace cartera
