// Trading 212's history export (History › Export), in every header style: the older one
// names the account's currency in the headings ("Total (EUR)"), the newer ones in a column
// of its own after each amount ("Total", "Currency (Total)"). Exports joined into one file
// are read too: a header row again starts its rows, and a newer row under an older header
// keeps its currencies.
#include <cmath>
#include <optional>
#include <unordered_map>

#include "host/error.h"
#include "host/strings.h"
#include "model/exchange.h"
#include "model/order.h"
#include "statements/actions.h"
#include "statements/detect.h"
#include "statements/reading.h"
#include "text/columns.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {

namespace {

// The header, with the account's currency of the older style ("Total (EUR)") taken off
// each heading into a list of its own.
struct Layout {
    Columns columns;
    std::vector<std::string> currency;

    explicit Layout(const std::vector<std::string>& header) {
        std::vector<std::string> base;
        for (const std::string& h : header) {
            std::string_view t = Trim(h);
            std::string code;
            if (t.size() > 6 && t.substr(t.size() - 6, 2) == " (" && t.back() == ')' &&
                IsCurrencyCode(t.substr(t.size() - 4, 3))) {
                // "Time (UTC)" names a time zone, not a currency.
                if (t.substr(t.size() - 4, 3) != "UTC")
                    code = std::string(t.substr(t.size() - 4, 3));
                t = t.substr(0, t.size() - 6);
            }
            base.emplace_back(t);
            currency.push_back(code);
        }
        columns = Columns(base);
    }
    std::optional<size_t> Find(std::string_view name) const { return columns.Find(name); }
    bool IsTrading212() const {
        return Find("action") && Find("time") && (Find("no. of shares") || Find("total"));
    }
};

// Everything Trading 212 charges on a trade, each in its own currency.
constexpr std::string_view kCharges[] = {"charge amount",   "currency conversion fee",
                                         "stamp duty",      "stamp duty reserve tax",
                                         "transaction fee", "finra fee",
                                         "ptm levy",        "french transaction tax"};

// What Trading 212 writes where a value does not apply (the rate of a row in the account's
// own currency): no value.
constexpr std::string_view kNotAvailable = "Not available";

// A record's cells under its header. A newer export's row pasted under an older header holds
// a currency column (maybe blank) after each amount the older names in its heading ("Total
// (EUR)"): that cell is taken as the amount's currency, so the cells after it stay under
// their headings.
struct Row {
    const Layout& c;
    const CsvRecord& r;
    std::vector<std::string_view> cells, currencies;

    Row(const Layout& layout, const CsvRecord& record) : c(layout), r(record) {
        size_t extra =
            r.fields.size() > c.currency.size() ? r.fields.size() - c.currency.size() : 0;
        for (size_t i = 0, j = 0; i < c.currency.size() && j < r.fields.size(); ++i) {
            cells.push_back(Trim(r.fields[j++]));
            currencies.emplace_back();
            const bool currencyNext =
                i + 1 < c.currency.size() && c.columns.Key(i + 1).starts_with("currency (");
            const std::string_view next = j < r.fields.size() ? Trim(r.fields[j]) : "x";
            if (extra > 0 && !c.currency[i].empty() && !currencyNext &&
                (next.empty() || IsCurrencyCode(next))) {
                currencies.back() = next;
                ++j;
                --extra;
            }
        }
        if (extra > 0)
            FailRow(r.line, "record",
                    std::to_string(r.fields.size()) + " fields where its header names " +
                        std::to_string(c.currency.size()) +
                        ": rows of another layout under this header");
    }

    std::string_view Text(std::string_view name) const {
        auto col = c.Find(name);
        if (!col || *col >= cells.size() || cells[*col] == kNotAvailable) return {};
        return cells[*col];
    }
    std::optional<double> Number(std::string_view name) const {
        std::string_view text = Text(name);
        if (text.empty()) return std::nullopt;
        double v = 0;
        if (!ReadNumber(text, GroupedNumber('.'), &v))
            ThrowRowError(r.line, name, text, "is not a number");
        return v;
    }
    // The currency of a number column: its "Currency (…)" column, the one a pasted row wrote
    // after it, or its heading's.
    std::string CurrencyOf(std::string_view name) const {
        std::string_view own = Text("currency (" + std::string(name) + ")");
        if (!own.empty()) return std::string(own);
        auto col = c.Find(name);
        if (col && *col < currencies.size() && !currencies[*col].empty())
            return std::string(currencies[*col]);
        return col ? c.currency[*col] : std::string();
    }
    // The number of shares, exactly.
    Quantity Shares() const {
        const std::optional<Quantity> q =
            ReadRowQuantity(static_cast<size_t>(r.line), "no. of shares", Text("no. of shares"),
                            GroupedNumber('.'));
        if (!q) ThrowRowError(r.line, "no. of shares", "", "is missing");
        return *q;
    }
    double Required(std::string_view name) const {
        auto v = Number(name);
        if (!v) ThrowRowError(r.line, name, "", "is missing");
        return *v;
    }
};

// How many units of the account's currency one unit of the price's currency is worth.
// Trading 212's exchange rate has been written both ways round; the row's total, in the
// account's currency, tells which.
double AccountPerLocal(const Row& row, double localValue) {
    std::optional<double> rate = row.Number("exchange rate");
    if (!rate || !(*rate > 0))
        ThrowRowError(row.r.line, "exchange rate", row.Text("exchange rate"),
                      "is needed to convert the charges");
    std::optional<double> total = row.Number("total");
    if (!total || localValue == 0) return *rate;
    double t = std::fabs(*total);
    return std::fabs(localValue * *rate - t) <= std::fabs(localValue / *rate - t) ? *rate
                                                                                  : 1 / *rate;
}

// An amount in currency `from` in the price's currency `to`.
double InCurrency(const Row& row, double amount, const std::string& from, const std::string& to,
                  double localValue) {
    if (amount == 0 || from.empty() || to.empty() || from == to) return amount;
    return amount / AccountPerLocal(row, localValue);
}

void ReadMoment(const Row& row, StatementRow* out) {
    std::string_view when = row.Text("time");  // "2024-01-15 10:30:00", maybe with fractions
    std::string_view date = when.substr(0, 10), time = when.size() > 11 ? when.substr(11, 8) : "";
    if (!ReadDate(date, "YYYY-MM-DD", &out->date))
        ThrowRowError(row.r.line, "time", when, "is not a date and time");
    if (!time.empty() && !ParseTimeText(time, &out->time))
        ThrowRowError(row.r.line, "time", when, "is not a date and time");
    out->line = static_cast<size_t>(row.r.line);
    out->security = std::string(row.Text("isin"));
    out->symbol = std::string(row.Text("ticker"));
    out->description = std::string(row.Text("name"));
    out->id = std::string(row.Text("id"));
}

// Units of the account's currency one unit of the price's currency bought, as the broker
// applied it; 0 when the row is in the account's currency or gives no rate.
double BaseRate(const Row& row, const std::string& currency, double localValue) {
    const std::string account = row.CurrencyOf("total");
    if (account.empty() || currency.empty() || account == currency) return 0;
    const std::optional<double> rate = row.Number("exchange rate");
    return rate && *rate > 0 ? AccountPerLocal(row, localValue) : 0;
}

// The broker's automatic exchange of a row in another currency than the account's: the
// row's total in the account's currency for `local` of the price's currency (a buy's cost,
// charges included), or `local` for the total (a sell's proceeds, a dividend). Without a
// total or a rate there is no knowing it, and no exchange.
void AddAutoExchange(const Row& row, const StatementRow& of, double local, bool intoLocal,
                     std::vector<StatementRow>* rows) {
    const std::optional<double> total = row.Number("total");
    if (of.fxRate == 0 || !total || *total == 0 || !(local > 0)) return;
    StatementRow x = ExchangeBeside(of, "/fx");
    x.description = "Currency conversion " + of.symbol;
    const CurrencyAmount inPrice{of.currency, Tidy(local)},
        inAccount{row.CurrencyOf("total"), std::fabs(*total)};
    const CurrencyAmount& bought = intoLocal ? inPrice : inAccount;
    const CurrencyAmount& sold = intoLocal ? inAccount : inPrice;
    x.currency = bought.currency;
    x.amount = bought.amount;
    x.soldCurrency = sold.currency;
    x.soldAmount = sold.amount;
    rows->push_back(std::move(x));
}

// A buy, after the exchange that paid for it, or a sell, before the exchange of its
// proceeds.
void ReadTrade(const Row& row, bool buy, std::vector<StatementRow>* rows) {
    StatementRow out;
    ReadMoment(row, &out);
    out.kind = RowKind::trade;
    out.buy = buy;
    out.quantity = row.Shares();
    out.price = row.Required("price / share");
    if (!(out.quantity > 0))
        ThrowRowError(row.r.line, "no. of shares", row.Text("no. of shares"), "is not a quantity");
    if (out.price < 0)
        ThrowRowError(row.r.line, "price / share", row.Text("price / share"), "is not a price");
    out.currency = row.CurrencyOf("price / share");
    double local = out.quantity.ToDouble() * out.price;
    for (std::string_view charge : kCharges)
        if (auto v = row.Number(charge))
            out.commission +=
                InCurrency(row, std::fabs(*v), row.CurrencyOf(charge), out.currency, local);
    out.commission = Tidy(out.commission);
    out.fxRate = BaseRate(row, out.currency, local);
    if (buy) AddAutoExchange(row, out, local + out.commission, true, rows);
    rows->push_back(out);
    if (!buy) AddAutoExchange(row, out, local - out.commission, false, rows);
}

// The dividend and, when tax was withheld, the expense of it.
void ReadDividend(const Row& row, std::vector<StatementRow>* rows) {
    StatementRow out;
    ReadMoment(row, &out);
    out.kind = RowKind::dividend;
    out.quantity = row.Shares();
    double net = row.Required("price / share");
    out.currency = row.CurrencyOf("price / share");
    double local = out.quantity.ToDouble() * net;
    double withheld = std::fabs(row.Number("withholding tax").value_or(0));
    withheld = InCurrency(row, withheld, row.CurrencyOf("withholding tax"), out.currency, local);
    withheld = Tidy(withheld);
    out.amount = Tidy(local + withheld);
    out.rate = out.quantity > 0 ? Tidy(out.amount / out.quantity.ToDouble()) : 0;
    out.fxRate = BaseRate(row, out.currency, local);
    rows->push_back(out);
    if (withheld != 0) {
        StatementRow tax = out;
        tax.kind = RowKind::expense;
        tax.amount = withheld;
        tax.quantity = 0;
        tax.rate = 0;
        tax.description = "Withholding tax " + out.symbol;
        rows->push_back(std::move(tax));
    }
    AddAutoExchange(row, out, local, false, rows);
}

// A conversion between two of the account's currencies, its fee an expense of its own. An
// older export's conversion, which names one amount only, stays a note.
void ReadConversion(const Row& row, Statement* out) {
    constexpr std::string_view kFrom = "currency conversion from amount",
                               kTo = "currency conversion to amount";
    const std::optional<double> from = row.Number(kFrom), to = row.Number(kTo);
    const size_t line = static_cast<size_t>(row.r.line);
    if (!from || !to) {
        out->notes.push_back({line,
                              "currency conversion without the amounts of both "
                              "currencies not imported"});
        return;
    }
    StatementRow x;
    ReadMoment(row, &x);
    x.kind = RowKind::exchange;
    x.currency = row.CurrencyOf(kTo);
    x.amount = std::fabs(*to);
    x.soldCurrency = row.CurrencyOf(kFrom);
    x.soldAmount = std::fabs(*from);
    x.description = std::string(row.Text("action"));
    for (const auto& [code, field] : {std::pair{x.currency, kTo}, std::pair{x.soldCurrency, kFrom}})
        if (!IsCurrencyCode(code))
            ThrowRowError(line, "currency (" + std::string(field) + ")", code, "is not a currency");
    const double fee = std::fabs(row.Number("currency conversion fee").value_or(0));
    out->rows.push_back(x);
    if (fee == 0) return;
    StatementRow charge = x;
    charge.kind = RowKind::expense;
    charge.amount = fee;
    charge.currency = row.CurrencyOf("currency conversion fee");
    if (charge.currency.empty()) charge.currency = x.soldCurrency;
    charge.soldCurrency.clear();
    charge.soldAmount = 0;
    charge.description = "Currency conversion fee";
    out->rows.push_back(std::move(charge));
}

StatementRow ReadCash(const Row& row, RowKind kind) {
    StatementRow out;
    ReadMoment(row, &out);
    out.kind = kind;
    out.amount = std::fabs(row.Required("total"));
    out.currency = row.CurrencyOf("total");
    out.description = std::string(row.Text("action"));
    return out;
}

// One of the two rows of a split: "Stock split close" takes the old shares out, "Stock split
// open" puts the new ones in; NetSplitPairs makes one split of them.
StatementRow ReadSplitHalf(const Row& row, bool close) {
    StatementRow out;
    ReadMoment(row, &out);
    out.kind = RowKind::action;
    out.action = kSplit;
    out.quantity = row.Shares();
    if (!(out.quantity > 0))
        ThrowRowError(row.r.line, "no. of shares", row.Text("no. of shares"), "is not a quantity");
    if (close) out.quantity = -out.quantity;
    return out;
}

void ReadRow(const Row& row, Statement* out) {
    std::string action = LowerAscii(row.Text("action"));
    auto ends = [&](std::string_view s) {
        return action.size() >= s.size() &&
               action.compare(action.size() - s.size(), s.size(), s) == 0;
    };
    if (ends("buy") || ends("sell")) {
        ReadTrade(row, ends("buy"), &out->rows);
    } else if (action.rfind("dividend", 0) == 0) {
        ReadDividend(row, &out->rows);
    } else if (action == "deposit") {
        out->rows.push_back(ReadCash(row, RowKind::imposition));
    } else if (action == "withdrawal") {
        out->rows.push_back(ReadCash(row, RowKind::refund));
    } else if (action.find("interest") != std::string::npos) {
        out->rows.push_back(ReadCash(row, RowKind::income));
    } else if (action.starts_with("stock split")) {
        out->rows.push_back(ReadSplitHalf(row, ends("close")));
    } else if (action == "currency conversion") {
        ReadConversion(row, out);
    } else if (!action.empty()) {
        out->notes.push_back({static_cast<size_t>(row.r.line),
                              "\"" + std::string(row.Text("action")) + "\" not imported"});
    }
}

bool RecognisesTrading212(std::string_view head) { return Layout(HeaderOf(head)).IsTrading212(); }

// Reads the export into a Statement (format "trading212", idPrefix "T212:"), rows sorted by
// date and time. Buys and sells ("Market buy", "Limit sell", "Stop sell"…) keep the
// ISIN as security, the shares as given (fractions too), the price in its currency and the
// charges (charge amount, conversion fee, stamp duty, transaction and regulatory fees) as
// commission, converted into the price's currency by the row's exchange rate. A dividend
// is gross: the net amount per share Trading 212 gives plus the withholding tax, which
// becomes an expense of the security. A trade or a dividend in another currency than its
// total's takes the broker's rate to it, and the automatic exchange of its total is an
// exchange row of its own. Deposits, withdrawals and interest on cash are read in the
// account's currency; a currency conversion is an exchange and its fee an expense; the two
// rows of a split are one split; other actions become notes. "Not available" is no value.
// A header row starts the rows of its own layout.
Statement ReadTrading212(std::istream& in, const ReadOptions&) {
    CsvRows reader(in);
    CsvRecord record;
    constexpr const char* kNotTrading212 = "line 1: not a Trading 212 history export";
    if (!reader.Next(&record)) throw Error(ErrorKind::invalid_input, kNotTrading212);
    std::optional<Layout> columns(record.fields);
    if (!columns->IsTrading212()) throw Error(ErrorKind::invalid_input, kNotTrading212);
    Statement out;
    out.format = "trading212";
    out.idPrefix = "T212:";
    while (reader.Next(&record)) {
        if (IsBlank(record)) continue;
        if (Trim(record.fields[0]) == "Action") {  // another export's header, its rows after it
            columns.emplace(record.fields);
            continue;
        }
        const size_t from = out.rows.size();
        ReadRow(Row(*columns, record), &out);
        CheckRowTexts(out, from);
    }
    NetSplitPairs(&out, "split");
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

}  // namespace

extern const FormatEntry kFormat_trading212{
    .name = "trading212",
    .description = "Trading 212 history CSV (any header style)",
    .order = 40,
    .recognises = RecognisesTrading212,
    .read = ReadTrading212};

}  // namespace cartera::statements
