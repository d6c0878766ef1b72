// DEGIRO's two exports: Transactions.csv (the trades) and Account.csv (the cash: dividends
// and their tax, deposits, withdrawals, fees, interest, and the trades again, one line per
// fill and one per order's costs). Their headings come in the language of the user's DEGIRO
// site; English, Dutch, German, Spanish, Portuguese, Italian and French are read, with commas
// or, as a spreadsheet saves them, semicolons between the fields.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <optional>
#include <utility>

#include "host/dates.h"
#include "host/error.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/order.h"
#include "statements/actions.h"
#include "statements/degiro_cash.h"
#include "statements/detect.h"
#include "statements/reading.h"
#include "text/columns.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {

namespace {

using Names = std::initializer_list<std::string_view>;

// Each column's heading in the languages read, as HeadingKey compares them (ASCII lowered
// only: a heading starting with a capital beyond ASCII is listed as written).
const Names kDate = {"date", "datum", "fecha", "data"};
const Names kTime = {"time", "tijd", "uhrzeit", "hora", "ora", "heure"};
const Names kProduct = {"product", "produkt", "producto", "prodotto", "produit", "produto"};
const Names kIsin = {"isin", "code isin"};
const Names kQuantity = {"quantity", "aantal",   "anzahl",   "número",    "numero",
                         "cantidad", "quantità", "quantité", "quantidade"};
const Names kPrice = {"price", "koers", "kurs", "precio", "prezzo", "cours", "preço"};
const Names kRate = {"exchange rate",   "wisselkoers",    "wechselkurs",   "tipo de cambio",
                     "tasso di cambio", "taux de change", "taxa de câmbio"};
const Names kOrderId = {"order id",  "order-id", "orderid",       "id orden",   "id de orden",
                        "id ordine", "id ordre", "id de l'ordre", "id da ordem"};
const Names kDescription = {"description", "omschrijving", "beschreibung",
                            "descripción", "descrizione",  "descrição"};
const Names kFx = {"fx", "tipo", "tx", "taxa"};
const Names kChange = {"change",     "mutatie",    "Änderung",  "variación", "variazioni",
                       "variazione", "mouvements", "variation", "variação"};
// The costs' heading is long and varies ("Transaction and/or third party fees EUR"): its
// start is enough.
const Names kCostsStart = {"transaction",
                           "transactiekosten",
                           "transaktionskosten",
                           "costes de transacción",
                           "costes",
                           "commissioni",
                           "frais",
                           "custos",
                           "comissões"};
const Names kAutoFxStart = {"autofx"};

// A heading a spreadsheet cut short ("Place boursiè") still names its column when this much
// of it is left.
constexpr size_t kCutHeadingBytes = 4;

// The column headed by one of names, else by one of them cut short.
std::optional<size_t> FindHeading(const Columns& c, Names names) {
    if (auto at = c.Find(names)) return at;
    for (size_t i = 0; i < c.Size(); ++i)
        for (std::string_view name : names)
            if (c.Key(i).size() >= kCutHeadingBytes && name.starts_with(c.Key(i))) return i;
    return std::nullopt;
}

constexpr const char* kNotDegiro = "line 1: not a DEGIRO Transactions.csv or Account.csv";

// Where a header holds each column the reader reads, found once.
struct Layout {
    std::vector<std::string> header;
    std::optional<size_t> date, time, product, isin, quantity, price, rate, orderId, description,
        fx, change, costs, autoFx;

    explicit Layout(const std::vector<std::string>& headings) : header(headings) {
        const Columns c(headings);
        const std::pair<std::optional<size_t> Layout::*, Names> named[] = {
            {&Layout::date, kDate},
            {&Layout::time, kTime},
            {&Layout::product, kProduct},
            {&Layout::isin, kIsin},
            {&Layout::quantity, kQuantity},
            {&Layout::price, kPrice},
            {&Layout::rate, kRate},
            {&Layout::orderId, kOrderId},
            {&Layout::description, kDescription},
            {&Layout::fx, kFx},
            {&Layout::change, kChange}};
        for (const auto& [column, names] : named) this->*column = FindHeading(c, names);
        if (!fx) fx = rate;  // some languages head the account's rate column as the trades'
        costs = c.FindStart(kCostsStart);
        autoFx = c.FindStart(kAutoFxStart);
    }
    bool IsTransactions() const {
        return date && isin && quantity && price && orderId && !description;
    }
    bool IsAccount() const { return date && isin && description && change && orderId; }
};

std::string_view Cell(const CsvRecord& r, std::optional<size_t> col) {
    if (!col || *col >= r.fields.size()) return {};
    return Trim(r.fields[*col]);
}

struct Amount {
    bool present = false;
    double value = 0;
    std::string currency;
};

// A named column and the unnamed one after it hold a number and its currency, in either
// order; without an unnamed neighbour the currency ends the heading ("Value EUR").
Amount ReadAmount(const Layout& c, const CsvRecord& r, std::optional<size_t> col,
                  std::string_view field) {
    Amount a;
    if (!col) return a;
    std::string_view number = Cell(r, col);
    size_t next = *col + 1;
    if (next < c.header.size() && Trim(c.header[next]).empty()) {
        std::string_view other = Cell(r, next);
        if (IsCurrencyCode(number)) std::swap(number, other);
        a.currency = std::string(other);
    } else {
        std::string_view heading = Trim(c.header[*col]);
        if (heading.size() > 3 && IsCurrencyCode(heading.substr(heading.size() - 3)))
            a.currency = std::string(heading.substr(heading.size() - 3));
    }
    if (number.empty()) return a;
    if (!ReadNumber(number, GroupedNumber(0), &a.value))
        ThrowRowError(r.line, field, number, "is not a number");
    a.present = true;
    return a;
}

void ReadMoment(const Layout& c, const CsvRecord& r, StatementRow* row) {
    std::string_view date = Cell(r, c.date);
    if (!ParseDateFormat(date, "DD-MM-YYYY", &row->date) &&
        !ParseDateFormat(date, "DD/MM/YYYY", &row->date) && !ParseDateText(date, &row->date))
        ThrowRowError(r.line, "date", date, "is not a date (dd-mm-yyyy)");
    std::string_view time = Cell(r, c.time);
    if (!time.empty() && !ParseTimeText(time, &row->time))
        ThrowRowError(r.line, "time", time, "is not a time of day");
    row->line = static_cast<size_t>(r.line);
    // The ISIN is the quote code too: product names are long and change with renames.
    row->security = row->code = std::string(Cell(r, c.isin));
    row->symbol = std::string(Cell(r, c.product));
}

// The one reading of a quantity (either file), exact: grouped by the other of point and comma
// when the decimal separator is known, else as GroupedNumber(0) tells; never 0.
Quantity TradeQuantity(std::string_view text, char decimal, int line) {
    const std::optional<Quantity> qty =
        ReadRowQuantity(static_cast<size_t>(line), "quantity", text, GroupedNumber(decimal));
    if (!qty || *qty == 0) ThrowRowError(line, "quantity", text, "is not a quantity");
    return *qty;
}

// Costs DEGIRO charged (written negative) in one currency as a commission in another: the
// rate is the price's currency per unit of the charged one.
double CommissionOf(double charged, double rate) { return Tidy((0 - charged) * rate); }

StatementRow ReadTrade(const Layout& c, const CsvRecord& r) {
    StatementRow row;
    ReadMoment(c, r, &row);
    const Quantity qty = TradeQuantity(Cell(r, c.quantity), 0, r.line);
    Amount price = ReadAmount(c, r, c.price, "price");
    if (!price.present || price.value < 0)
        ThrowRowError(r.line, "price", Cell(r, c.price), "is not a price");
    Amount costs = ReadAmount(c, r, c.costs, "transaction costs");
    Amount autoFx = ReadAmount(c, r, c.autoFx, "AutoFX fee");
    std::string chargedIn = costs.present ? costs.currency : autoFx.currency;
    double rate = 1;
    if (costs.value + autoFx.value != 0 && !chargedIn.empty() && chargedIn != price.currency) {
        std::string_view rateText = Cell(r, c.rate);
        if (!ReadNumber(rateText, GroupedNumber(0), &rate) || !(rate > 0))
            ThrowRowError(r.line, "exchange rate", rateText, "is needed for costs in " + chargedIn);
    }
    row.kind = RowKind::trade;
    row.buy = qty > 0;
    row.quantity = Magnitude(qty);
    row.price = price.value;
    row.currency = price.currency;
    row.commission = CommissionOf(costs.value + autoFx.value, rate);
    row.fxRate = AccountPerUnit(Cell(r, c.rate), r.line);
    row.id = std::string(Cell(r, c.orderId));
    row.description = row.symbol;
    return row;
}

// What Account.csv says of an order besides its fills: its costs and the rate of its currency
// exchange, the first fill taking the costs.
struct OrderCash {
    double costs = 0;
    std::string currency;
    double rate = 0;
    bool given = false;
    size_t line = 0;      // the order's first line
    bool filled = false;  // a fill of it was read
};

// Words of the costs lines of an order in the languages read.
const Names kCostWords = {"kosten", "fee",   "gebühr",  "frais", "commission",
                          "costes", "costi", "comissõ", "custos"};
// Lines that change holdings without a trade or cash of their own (splits, rights, stock
// dividends, product changes, the money-market fund's conversions): reported, to be entered
// by hand.
const Names kCorporateWords = {
    "stock dividend", "claimemissie", "split",       "splitsing",        "geldmarkt",
    "money market",   "monétaire",    "monetario",   "productwijziging", "product change",
    "isin change",    "rights",       "bezugsrecht", "spin-off",         "fusie",
    "merger",         "fusion"};

void Note(const StatementRow& row, std::string_view what, Statement* out) {
    out->notes.push_back({row.line, "\"" + row.description + "\"" +
                                        (row.symbol.empty() ? "" : " " + row.symbol) +
                                        std::string(what)});
}

// A holdings change that is not a trade: a corporate word, or a fill's text after a label
// ("STOCK SPLIT: Koop 40 @ 3,5 USD").
bool IsCorporate(std::string_view description) {
    const size_t colon = description.find(':');
    return HasAnyOf(LowerAscii(description), kCorporateWords) ||
           (colon != std::string_view::npos && ReadFillText(description.substr(colon + 1)));
}

// The row of a fill, its order's costs on the first fill as commission.
StatementRow ReadFill(const Layout& c, const CsvRecord& r, const FillText& f, OrderCash* order,
                      Statement* out) {
    StatementRow row;
    ReadMoment(c, r, &row);
    const Quantity qty = TradeQuantity(f.quantity, f.decimal, r.line);
    row.kind = RowKind::trade;
    row.buy = f.buy;
    row.quantity = Magnitude(qty);
    if (!ReadNumber(f.price, GroupedNumber(f.decimal), &row.price) || row.price < 0)
        ThrowRowError(r.line, "price", f.price, "is not a price");
    row.currency = std::string(f.currency);
    row.id = std::string(Cell(r, c.orderId));
    row.description = row.symbol;
    if (order && order->rate > 0 && order->currency != row.currency) row.fxRate = 1 / order->rate;
    if (order && !order->given && order->costs != 0) {
        order->given = true;
        const bool converted = order->currency.empty() || order->currency == row.currency;
        if (converted || order->rate > 0)
            row.commission = CommissionOf(order->costs, converted ? 1 : order->rate);
        if (!converted && order->rate > 0)
            out->rows.push_back(CostsExchange(row, order->costs, order->currency, order->rate));
        else if (!converted)
            out->notes.push_back({row.line, "costs of " + ExactNumberText(-order->costs) + " " +
                                                order->currency + " of order " + row.id +
                                                " left out: no exchange rate into " + row.currency +
                                                " (Transactions.csv has them)"});
    }
    return row;
}

// The cash row of an account line, or nullopt when it is no movement of its own.
std::optional<StatementRow> ReadCash(const Layout& c, const CsvRecord& r, Statement* out) {
    StatementRow row;
    ReadMoment(c, r, &row);
    row.description = std::string(Cell(r, c.description));
    if (IsCorporate(row.description)) {
        // A split is two lines, "STOCK SPLIT: Sell 10 …" out and "…: Buy 20 …" in.
        const size_t colon = row.description.find(':');
        const auto fill = colon == std::string::npos
                              ? std::nullopt
                              : ReadFillText(std::string_view(row.description).substr(colon + 1));
        if (fill && HasAnyOf(LowerAscii(row.description), {"split"})) {
            const Quantity q = Magnitude(TradeQuantity(fill->quantity, fill->decimal, r.line));
            row.kind = RowKind::action;
            row.action = kSplit;
            row.quantity = fill->buy ? q : -q;
            return row;
        }
        Note(row, " not applied: enter it by hand", out);
        return std::nullopt;
    }
    if (!Cell(r, c.orderId).empty() || !Cell(r, c.fx).empty()) return std::nullopt;
    Amount change = ReadAmount(c, r, c.change, "change");
    if (!change.present || change.value == 0) return std::nullopt;
    row.currency = change.currency;
    CashKind kind =
        Classify(row.description);  // before the product's name, which may say "Dividend"
    if (!row.symbol.empty()) row.description += " " + row.symbol;  // "Dividend Tax APPLE INC."
    double v = change.value;
    switch (kind) {
        case CashKind::dividend:
            row.kind = v > 0 ? RowKind::dividend : RowKind::expense;
            row.amount = std::fabs(v);  // DEGIRO gives no shares: the whole amount as one
            break;
        case CashKind::tax:
        case CashKind::fee:
            row.kind = RowKind::expense;
            row.amount = -v;  // a positive change gives tax back
            break;
        case CashKind::inout:
            row.kind = v > 0 ? RowKind::imposition : RowKind::refund;
            row.amount = std::fabs(v);
            break;
        case CashKind::interest:
            row.kind = v > 0 ? RowKind::income : RowKind::expense;
            row.amount = std::fabs(v);
            break;
        case CashKind::none:
            row.description = std::string(Cell(r, c.description));
            Note(row, " not imported", out);
            return std::nullopt;
    }
    return row;
}

// Each order's costs and exchange rate, from the lines that name it and are not its fills.
std::map<std::string, OrderCash, std::less<>> OrdersOf(const Layout& c,
                                                       const std::vector<CsvRecord>& records) {
    std::map<std::string, OrderCash, std::less<>> orders;
    for (const CsvRecord& r : records) {
        const std::string_view id = Cell(r, c.orderId), description = Cell(r, c.description);
        if (id.empty() || ReadFillText(description) || IsCorporate(description)) continue;
        OrderCash& order = orders[std::string(id)];
        if (order.line == 0) order.line = static_cast<size_t>(r.line);
        if (std::string_view fx = Cell(r, c.fx); !fx.empty()) {
            if (!ReadNumber(fx, GroupedNumber(0), &order.rate) || !(order.rate > 0))
                ThrowRowError(r.line, "FX", fx, "is not an exchange rate");
        } else if (HasAnyOf(LowerAscii(description), kCostWords)) {
            const Amount change = ReadAmount(c, r, c.change, "change");
            order.costs += change.value;
            order.currency = change.currency;
        }
    }
    return orders;
}

// The account's lines in file order: fills, cash and notes. An order none of whose lines
// reads as a fill (a trade text in a language not read) is said so, not left out unseen.
void ReadAccount(const Layout& c, const std::vector<CsvRecord>& records, Statement* out) {
    auto orders = OrdersOf(c, records);
    std::vector<ExchangeHalf> halves;
    for (const CsvRecord& r : records) {
        const size_t from = out->rows.size();
        if (IsExchangeHalf(Cell(r, c.description))) {
            ExchangeHalf& h = halves.emplace_back();
            ReadMoment(c, r, &h.at);
            h.at.id = std::string(Cell(r, c.orderId));
            h.at.description = std::string(Cell(r, c.description));
            const Amount change = ReadAmount(c, r, c.change, "change");
            h.change = change.value;
            h.currency = change.currency;
        } else if (auto fill = ReadFillText(Cell(r, c.description))) {
            auto order = orders.find(Cell(r, c.orderId));
            if (order != orders.end()) order->second.filled = true;
            out->rows.push_back(
                ReadFill(c, r, *fill, order == orders.end() ? nullptr : &order->second, out));
        } else if (auto cash = ReadCash(c, r, out)) {
            out->rows.push_back(std::move(*cash));
        }
        CheckRowTexts(*out, from);
    }
    const size_t from = out->rows.size();
    PairExchanges(halves, out);
    CheckRowTexts(*out, from);
    for (const auto& [id, order] : orders)
        if (!order.filled)
            out->notes.push_back({order.line, "order " + id +
                                                  ": no trade read from its lines; import "
                                                  "Transactions.csv for it"});
}

size_t FilledCells(const CsvRecord& r) {
    return static_cast<size_t>(std::count_if(
        r.fields.begin(), r.fields.end(), [](const std::string& f) { return !Trim(f).empty(); }));
}

bool RecognisesDegiro(std::string_view head) {
    const Layout c(HeaderOf(head, 0));
    return c.IsTransactions() || c.IsAccount();
}

// Reads either export into a Statement (format "degiro", idPrefix "DEGIRO:"), rows sorted
// by date and time. Trades carry the order id (the fills of one order numbered in file
// order, see NumberRepeatedIds, so that the two files of one period give each fill the same
// id), the ISIN as security, the price in its currency and the costs as commission,
// converted into the price's currency by the row's exchange rate (Account.csv: the rate of
// the order's currency exchange) when DEGIRO charged them in another, and the exchange
// rate as the account's currency per unit of the price's. A split's two account lines are
// one split. The two lines of a currency
// exchange are one exchange row, and costs charged in another currency than the fill's
// an exchange of their own (degiro_cash.h); an order's costs lines are no movements of
// their own; splits, rights, stock dividends and the money-market fund's
// conversions become notes, and so does a description not understood. Dates are
// dd-MM-yyyy, numbers in either decimal convention. A row that continues the order id of
// the one before (the only filled cell) is joined to it.
Statement ReadDegiro(std::istream& in, const ReadOptions&) {
    CsvRows reader(in, 0);
    CsvRecord record;
    if (!reader.Next(&record)) throw Error(ErrorKind::invalid_input, kNotDegiro);
    const Layout c(record.fields);
    if (!c.IsTransactions() && !c.IsAccount()) throw Error(ErrorKind::invalid_input, kNotDegiro);
    const bool trades = c.IsTransactions();
    const size_t idCol = *c.orderId;
    Statement out;
    out.format = "degiro";
    out.idPrefix = "DEGIRO:";
    std::vector<CsvRecord> account;  // read whole: an order's costs may follow its fills
    // Each row waits for the next, which may finish its id; one row is held at a time.
    std::optional<CsvRecord> held;
    auto take = [&] {
        if (!held) return;
        if (!trades) return account.push_back(std::move(*held));
        out.rows.push_back(ReadTrade(c, *held));
        CheckRowTexts(out, out.rows.size() - 1);
    };
    while (reader.Next(&record)) {
        const size_t filled = FilledCells(record);
        if (filled == 0) continue;
        if (filled == 1 && held && idCol < held->fields.size()) {
            auto part = std::find_if(record.fields.begin(), record.fields.end(),
                                     [](const std::string& f) { return !Trim(f).empty(); });
            std::string& id = held->fields[idCol];
            id += std::string(Trim(*part));
            CheckLength(static_cast<size_t>(record.line), "order id", id, kMaxCodeBytes);
            continue;
        }
        take();
        held = std::exchange(record, CsvRecord{});
    }
    take();
    ReadAccount(c, account, &out);
    NetSplitPairs(&out, "split");
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

}  // namespace

extern const FormatEntry kFormat_degiro{
    .name = "degiro",
    .description =
        "DEGIRO Transactions.csv or Account.csv (English, Dutch, German, Spanish, "
        "Portuguese, Italian, French; commas or semicolons)",
    .order = 30,
    .recognises = RecognisesDegiro,
    .read = ReadDegiro};

}  // namespace cartera::statements
