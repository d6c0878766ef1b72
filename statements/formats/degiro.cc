// DEGIRO's two exports: Transactions.csv (the trades) and Account.csv (the cash: dividends
// and their tax, deposits, withdrawals, fees, interest). Their headings come in the
// language of the user's DEGIRO site; English, Dutch, German and Spanish are read.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <optional>
#include <utility>

#include "host/dates.h"
#include "host/error.h"
#include "host/strings.h"
#include "statements/detect.h"
#include "statements/reading.h"
#include "text/columns.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {

namespace {

using Names = std::initializer_list<std::string_view>;

// Each column's heading in English, Dutch, German and Spanish, lowered.
const Names kDate = {"date", "datum", "fecha"};
const Names kTime = {"time", "tijd", "uhrzeit", "hora"};
const Names kProduct = {"product", "produkt", "producto"};
const Names kIsin = {"isin"};
const Names kQuantity = {"quantity", "aantal", "anzahl", "número", "numero", "cantidad"};
const Names kPrice = {"price", "koers", "kurs", "precio"};
const Names kRate = {"exchange rate", "wisselkoers", "wechselkurs", "tipo de cambio"};
const Names kOrderId = {"order id", "order-id", "orderid", "id orden", "id de orden"};
const Names kDescription = {"description", "omschrijving", "beschreibung", "descripción"};
const Names kFx = {"fx", "tipo"};
const Names kChange = {"change", "mutatie", "änderung", "variación"};
// The costs' heading is long and varies ("Transaction and/or third party fees EUR"): its
// start is enough.
const Names kCostsStart = {"transaction", "transactiekosten", "transaktionskosten",
                           "costes de transacción", "costes"};
const Names kAutoFxStart = {"autofx"};

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
        for (const auto& [column, names] : named) this->*column = c.Find(names);
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

StatementRow ReadTrade(const Layout& c, const CsvRecord& r) {
    StatementRow row;
    ReadMoment(c, r, &row);
    std::string_view qtyText = Cell(r, c.quantity);
    double qty = 0;
    if (!ReadNumber(qtyText, GroupedNumber(0), &qty) || qty == 0)
        ThrowRowError(r.line, "quantity", qtyText, "is not a quantity");
    Amount price = ReadAmount(c, r, c.price, "price");
    if (!price.present || price.value < 0)
        ThrowRowError(r.line, "price", Cell(r, c.price), "is not a price");
    Amount costs = ReadAmount(c, r, c.costs, "transaction costs");
    Amount autoFx = ReadAmount(c, r, c.autoFx, "AutoFX fee");
    double charged = 0 - (costs.value + autoFx.value);  // DEGIRO writes charges negative
    std::string chargedIn = costs.present ? costs.currency : autoFx.currency;
    if (charged != 0 && !chargedIn.empty() && chargedIn != price.currency) {
        std::string_view rateText = Cell(r, c.rate);
        double rate = 0;
        if (!ReadNumber(rateText, GroupedNumber(0), &rate) || !(rate > 0))
            ThrowRowError(r.line, "exchange rate", rateText, "is needed for costs in " + chargedIn);
        charged = Tidy(charged * rate);  // the rate: the price's currency per unit of the account's
    }
    row.kind = RowKind::trade;
    row.buy = qty > 0;
    row.quantity = std::fabs(qty);
    row.price = price.value;
    row.currency = price.currency;
    row.commission = charged;
    row.id = std::string(Cell(r, c.orderId));
    row.description = row.symbol;
    return row;
}

bool Has(std::string_view text, Names words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return text.find(w) != std::string_view::npos; });
}

enum class CashKind { none, dividend, tax, inout, interest, fee };

// What an account description is, from its words in the four languages. Order matters:
// "Dividend Tax" before "Dividend", "Terugstorting" (a withdrawal) before "Storting".
CashKind Classify(std::string_view description) {
    std::string d = LowerAscii(description);
    if (Has(d, {"dividend tax", "dividendbelasting", "dividendensteuer", "retención"}))
        return CashKind::tax;
    if (Has(d, {"dividend"})) return CashKind::dividend;
    if (Has(d, {"withdrawal", "terugstorting", "opname", "auszahlung", "retirada", "deposit",
                "storting", "einzahlung", "ingreso", "depósito"}))
        return CashKind::inout;
    if (Has(d, {"interest", "rente", "zinsen", "interés"})) return CashKind::interest;
    if (Has(d, {"fee", "kosten", "gebühr", "comisión", "costes"})) return CashKind::fee;
    return CashKind::none;
}

// The cash row of an account line, or nullopt when it is no movement of its own.
std::optional<StatementRow> ReadCash(const Layout& c, const CsvRecord& r, Statement* out) {
    if (!Cell(r, c.orderId).empty() || !Cell(r, c.fx).empty()) return std::nullopt;
    Amount change = ReadAmount(c, r, c.change, "change");
    if (!change.present || change.value == 0) return std::nullopt;
    StatementRow row;
    ReadMoment(c, r, &row);
    row.currency = change.currency;
    row.description = std::string(Cell(r, c.description));
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
            out->notes.push_back({row.line, "\"" + row.description + "\" not imported"});
            return std::nullopt;
    }
    return row;
}

size_t FilledCells(const CsvRecord& r) {
    return static_cast<size_t>(std::count_if(
        r.fields.begin(), r.fields.end(), [](const std::string& f) { return !Trim(f).empty(); }));
}

bool RecognisesDegiro(std::string_view head) {
    const Layout c(HeaderOf(head));
    return c.IsTransactions() || c.IsAccount();
}

// Reads either export into a Statement (format "degiro", idPrefix "DEGIRO:"), rows sorted
// by date and time. Trades carry the order id (the fills of one order numbered, see
// NumberRepeatedIds), the ISIN as security, the price in its currency and the costs as
// commission, converted into the price's currency by the row's exchange rate when DEGIRO
// charged them in another. Account rows that belong to a trade (those with an order id)
// and currency exchanges are left out, being in Transactions.csv or not movements; a
// description not understood becomes a note. Dates are dd-MM-yyyy, numbers in either
// decimal convention. A row that continues the order id of the one before (the only
// filled cell) is joined to it.
Statement ReadDegiro(std::istream& in, const ReadOptions&) {
    CsvRows reader(in);
    CsvRecord record;
    if (!reader.Next(&record)) throw Error(ErrorKind::invalid_input, kNotDegiro);
    const Layout c(record.fields);
    if (!c.IsTransactions() && !c.IsAccount()) throw Error(ErrorKind::invalid_input, kNotDegiro);
    const bool trades = c.IsTransactions();
    const size_t idCol = *c.orderId;
    Statement out;
    out.format = "degiro";
    out.idPrefix = "DEGIRO:";
    // Each row waits for the next, which may finish its id; one row is held at a time.
    std::optional<CsvRecord> held;
    auto take = [&] {
        if (!held) return;
        const size_t from = out.rows.size();
        if (trades) {
            out.rows.push_back(ReadTrade(c, *held));
        } else if (auto cash = ReadCash(c, *held, &out)) {
            out.rows.push_back(std::move(*cash));
        }
        CheckRowTexts(out, from);
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
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

}  // namespace

extern const FormatEntry kFormat_degiro{
    .name = "degiro",
    .description = "DEGIRO Transactions.csv or Account.csv, in English, Dutch, German or Spanish",
    .order = 30,
    .recognises = RecognisesDegiro,
    .read = ReadDegiro};

}  // namespace cartera::statements
