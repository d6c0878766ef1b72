#include "statements/degiro.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <optional>
#include <utility>

#include "host/dates.h"
#include "host/error.h"
#include "host/strings.h"
#include "statements/columns.h"
#include "statements/text.h"

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

struct Columns {
    std::vector<std::string> lowered;
    std::vector<std::string> header;
    // Each search's answer, so a row costs no pass over a header of a million columns.
    mutable std::map<std::pair<const std::string_view*, bool>, std::optional<size_t>> found;

    std::optional<size_t> Find(Names names, bool prefix = false) const {
        auto [known, added] = found.try_emplace({names.begin(), prefix});
        if (!added) return known->second;
        for (size_t i = 0; i < lowered.size(); ++i)
            for (std::string_view name : names)
                if (prefix ? lowered[i].rfind(name, 0) == 0 : lowered[i] == name)
                    return known->second = i;
        return std::nullopt;
    }
};

Columns MakeColumns(const std::vector<std::string>& header) {
    Columns c;
    c.header = header;
    for (const std::string& h : header) c.lowered.push_back(LowerAscii(Trim(h)));
    return c;
}

bool IsTransactions(const Columns& c) {
    return c.Find(kDate) && c.Find(kIsin) && c.Find(kQuantity) && c.Find(kPrice) &&
           c.Find(kOrderId) && !c.Find(kDescription);
}

bool IsAccount(const Columns& c) {
    return c.Find(kDate) && c.Find(kIsin) && c.Find(kDescription) && c.Find(kChange) &&
           c.Find(kOrderId);
}

std::string_view Cell(const Record& r, std::optional<size_t> col) {
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
Amount ReadAmount(const Columns& c, const Record& r, std::optional<size_t> col,
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
    if (!ParseBrokerNumber(number, 0, &a.value))
        ThrowRowError(r.line, field, number, "is not a number");
    a.present = true;
    return a;
}

void ReadMoment(const Columns& c, const Record& r, StatementRow* row) {
    std::string_view date = Cell(r, c.Find(kDate));
    if (!ParseDateFormat(date, "DD-MM-YYYY", &row->date) &&
        !ParseDateFormat(date, "DD/MM/YYYY", &row->date) && !ParseDateText(date, &row->date))
        ThrowRowError(r.line, "date", date, "is not a date (dd-mm-yyyy)");
    std::string_view time = Cell(r, c.Find(kTime));
    if (!time.empty() && !ParseTimeText(time, &row->time))
        ThrowRowError(r.line, "time", time, "is not a time of day");
    row->line = r.line;
    // The ISIN is the quote code too: product names are long and change with renames.
    row->security = row->code = std::string(Cell(r, c.Find(kIsin)));
    row->symbol = std::string(Cell(r, c.Find(kProduct)));
}

StatementRow ReadTrade(const Columns& c, const Record& r) {
    StatementRow row;
    ReadMoment(c, r, &row);
    std::string_view qtyText = Cell(r, c.Find(kQuantity));
    double qty = 0;
    if (!ParseBrokerNumber(qtyText, 0, &qty) || qty == 0)
        ThrowRowError(r.line, "quantity", qtyText, "is not a quantity");
    Amount price = ReadAmount(c, r, c.Find(kPrice), "price");
    if (!price.present || price.value < 0)
        ThrowRowError(r.line, "price", Cell(r, c.Find(kPrice)), "is not a price");
    Amount costs = ReadAmount(c, r, c.Find(kCostsStart, true), "transaction costs");
    Amount autoFx = ReadAmount(c, r, c.Find(kAutoFxStart, true), "AutoFX fee");
    double charged = 0 - (costs.value + autoFx.value);  // DEGIRO writes charges negative
    std::string chargedIn = costs.present ? costs.currency : autoFx.currency;
    if (charged != 0 && !chargedIn.empty() && chargedIn != price.currency) {
        std::string_view rateText = Cell(r, c.Find(kRate));
        double rate = 0;
        if (!ParseBrokerNumber(rateText, 0, &rate) || !(rate > 0))
            ThrowRowError(r.line, "exchange rate", rateText, "is needed for costs in " + chargedIn);
        charged = Tidy(charged * rate);  // the rate: the price's currency per unit of the account's
    }
    row.kind = RowKind::trade;
    row.buy = qty > 0;
    row.quantity = std::fabs(qty);
    row.price = price.value;
    row.currency = price.currency;
    row.commission = charged;
    row.id = std::string(Cell(r, c.Find(kOrderId)));
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
std::optional<StatementRow> ReadCash(const Columns& c, const Record& r, Statement* out) {
    if (!Cell(r, c.Find(kOrderId)).empty() || !Cell(r, c.Find(kFx)).empty()) return std::nullopt;
    Amount change = ReadAmount(c, r, c.Find(kChange), "change");
    if (!change.present || change.value == 0) return std::nullopt;
    StatementRow row;
    ReadMoment(c, r, &row);
    row.currency = change.currency;
    row.description = std::string(Cell(r, c.Find(kDescription)));
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

size_t FilledCells(const Record& r) {
    return static_cast<size_t>(std::count_if(
        r.fields.begin(), r.fields.end(), [](const std::string& f) { return !Trim(f).empty(); }));
}

}  // namespace

bool IsDegiroHeader(const std::vector<std::string>& header) {
    Columns c = MakeColumns(header);
    return IsTransactions(c) || IsAccount(c);
}

bool RecognisesDegiro(std::string_view head) { return IsDegiroHeader(HeaderOf(head)); }

Statement ReadDegiro(std::istream& in) {
    CsvLines reader(in);
    Record record;
    if (!reader.Next(&record.fields, &record.line) || !IsDegiroHeader(record.fields))
        throw Error(ErrorKind::invalid_input,
                    "line 1: not a DEGIRO Transactions.csv or Account.csv");
    Columns c = MakeColumns(record.fields);
    const bool trades = IsTransactions(c);
    const size_t idCol = *c.Find(kOrderId);
    Statement out;
    out.format = "degiro";
    out.idPrefix = "DEGIRO:";
    // Each row waits for the next, which may finish its id; one row is held at a time.
    std::optional<Record> held;
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
    while (reader.Next(&record.fields, &record.line)) {
        const size_t filled = FilledCells(record);
        if (filled == 0) continue;
        if (filled == 1 && held && idCol < held->fields.size()) {
            auto part = std::find_if(record.fields.begin(), record.fields.end(),
                                     [](const std::string& f) { return !Trim(f).empty(); });
            std::string& id = held->fields[idCol];
            id += std::string(Trim(*part));
            CheckLength(record.line, "order id", id, kMaxCodeBytes);
            continue;
        }
        take();
        held = std::exchange(record, Record{});
    }
    take();
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

}  // namespace cartera::statements
