// Any broker's CSV read by a mapping: the mapping's columns found in the header, each row
// read as a trade or a cash movement by its type.
#include <cmath>
#include <map>
#include <optional>

#include "host/error.h"
#include "host/strings.h"
#include "statements/detect.h"
#include "statements/mapping.h"
#include "statements/reading.h"
#include "text/columns.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

// '*' stands for any text; both sides lowered.
bool Glob(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p, ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool Matches(const std::vector<std::string>& words, std::string_view cell) {
    std::string lowered = LowerAscii(Trim(cell));
    for (const std::string& w : words)
        if (Glob(w, lowered)) return true;
    return false;
}

enum class Kind { none, buy, sell, dividend, tax, fee, deposit, withdrawal, interest };

// The mapping's columns found in the header, and the row being read.
struct Reader {
    const Mapping& m;
    std::map<const ColumnRef*, size_t> columns;
    const CsvRecord* r = nullptr;

    Reader(const Mapping& mapping, const std::vector<std::string>& header) : m(mapping) {
        const Columns headings(header);
        for (const auto& [key, field] : kColumnKeys)
            if (IsSet(m.*field)) columns[&(m.*field)] = Find(m.*field, key, headings);
    }
    static size_t Find(const ColumnRef& ref, std::string_view key, const Columns& headings) {
        if (ref.place > 0) {
            if (ref.place > headings.Size())
                ThrowRowError(1, key, "column " + std::to_string(ref.place),
                              "is beyond the header");
            return ref.place - 1;
        }
        if (std::optional<size_t> at = headings.Find(HeadingKey(ref.heading))) return *at;
        ThrowRowError(1, key, ref.heading, "is not a column of the file");
    }
    size_t Line() const { return static_cast<size_t>(r->line); }
    std::string_view Text(const ColumnRef& ref) const {
        auto col = columns.find(&ref);
        if (col == columns.end() || col->second >= r->fields.size()) return {};
        return Trim(r->fields[col->second]);
    }
    std::optional<double> Number(const ColumnRef& ref, std::string_view key) const {
        std::string_view text = Text(ref);
        if (text.empty()) return std::nullopt;
        double v = 0;
        if (!ReadNumber(text, GroupedNumber(m.decimal), &v))
            ThrowRowError(Line(), key, text, "is not a number");
        return v;
    }
    // The quantity column, exactly; nullopt when the row leaves it empty.
    std::optional<Quantity> Shares() const {
        return ReadRowQuantity(Line(), "quantity", Text(m.quantity), GroupedNumber(m.decimal));
    }
    double Required(const ColumnRef& ref, std::string_view key) const {
        std::optional<double> v = Number(ref, key);
        if (!v) ThrowRowError(Line(), key, "", "is missing");
        return *v;
    }
    // An amount charged in currency `from` in the row's currency `to`: multiplied by the
    // row's exchange rate when they differ.
    double InCurrency(double amount, std::string_view from, const std::string& to) const {
        if (amount == 0 || from.empty() || to.empty() || from == to) return amount;
        std::optional<double> rate = Number(m.exchangeRate, "exchange rate");
        if (!rate || !(*rate > 0))
            ThrowRowError(Line(), "exchange rate", Text(m.exchangeRate),
                          "is needed for costs in " + std::string(from));
        return Tidy(amount * *rate);
    }
};

void ReadMoment(const Reader& rd, StatementRow* row) {
    const Mapping& m = rd.m;
    std::string_view date = rd.Text(m.date), time = rd.Text(m.time);
    size_t split = date.find_first_of(" ;");
    if (!IsSet(m.time) && split != std::string_view::npos &&
        m.dateFormat.find(date[split]) == std::string::npos) {
        time = Trim(date.substr(split + 1));
        date = date.substr(0, split);
    }
    if (!ParseDateFormat(date, m.dateFormat, &row->date))
        ThrowRowError(rd.Line(), "date", date, "is not a date in " + m.dateFormat);
    const TimeForm form = m.compactTime ? TimeForm::compact : TimeForm::colons;
    if (!time.empty() && !ReadTime(time.substr(0, time.find('.')), form, &row->time))
        ThrowRowError(rd.Line(), "time", time, "is not a time of day");
    row->line = rd.Line();
    row->security = std::string(rd.Text(m.code));
    row->symbol = std::string(rd.Text(m.symbol));
    if (row->symbol.empty()) row->symbol = row->security;
    row->code = std::string(rd.Text(m.quoteCode));  // empty: the symbol is the quote code
    row->id = std::string(rd.Text(m.id));
    row->account = std::string(rd.Text(m.account));
    row->currency = std::string(rd.Text(m.currency));
    row->description = row->symbol;
}

void ReadTrade(const Reader& rd, Kind kind, StatementRow* row) {
    const Mapping& m = rd.m;
    const std::optional<Quantity> shares = rd.Shares();
    if (!shares) ThrowRowError(rd.Line(), "quantity", "", "is missing");
    const Quantity qty = *shares;
    if (qty == 0) ThrowRowError(rd.Line(), "quantity", rd.Text(m.quantity), "is not a quantity");
    row->kind = RowKind::trade;
    row->buy = kind == Kind::none ? qty > 0 : kind == Kind::buy;
    row->quantity = Magnitude(qty);
    row->price = rd.Required(m.price, "price");
    if (row->price < 0) ThrowRowError(rd.Line(), "price", rd.Text(m.price), "is not a price");
    row->commission = rd.InCurrency(std::fabs(rd.Number(m.commission, "commission").value_or(0)),
                                    rd.Text(m.commissionCurrency), row->currency);
    row->multiplier = rd.Number(m.multiplier, "multiplier").value_or(1);
    if (!(row->multiplier > 0))
        ThrowRowError(rd.Line(), "multiplier", rd.Text(m.multiplier), "is not a multiplier");
}

// A dividend: its amount, or its quantity times its amount per share (the price column),
// made gross by the tax withheld, which becomes an expense of its own; one taken back (a
// negative amount) is an expense.
void ReadDividend(const Reader& rd, StatementRow row, std::vector<StatementRow>* rows) {
    const Mapping& m = rd.m;
    row.quantity = Magnitude(rd.Shares().value_or(0));
    double v = 0;
    if (std::optional<double> perShare = rd.Number(m.price, "price")) {
        v = row.quantity.ToDouble() * *perShare;
    } else {
        v = rd.Required(m.amount, "amount");
        if (!m.signedAmount) v = std::fabs(v);
        if (IsSet(m.amountCurrency)) row.currency = std::string(rd.Text(m.amountCurrency));
    }
    if (v < 0) {
        row.kind = RowKind::expense;
        row.amount = -v;
        rows->push_back(std::move(row));
        return;
    }
    const double withheld =
        Tidy(rd.InCurrency(std::fabs(rd.Number(m.withheld, "withheld").value_or(0)),
                           rd.Text(m.withheldCurrency), row.currency));
    row.kind = RowKind::dividend;
    row.amount = Tidy(v + withheld);
    row.rate = row.quantity > 0 ? Tidy(row.amount / row.quantity.ToDouble()) : 0;
    rows->push_back(row);
    if (withheld == 0) return;
    row.kind = RowKind::expense;
    row.amount = withheld;
    row.quantity = 0;
    row.rate = 0;
    row.description = "Withholding tax " + row.symbol;
    rows->push_back(std::move(row));
}

void ReadCash(const Reader& rd, Kind kind, StatementRow row, std::vector<StatementRow>* rows) {
    const Mapping& m = rd.m;
    if (IsSet(m.type)) {  // "Dividend Tax ACME": the type's words and the security
        const std::string words(rd.Text(m.type));
        row.description = row.symbol.empty() ? words : words + " " + row.symbol;
    }
    if (kind == Kind::dividend) return ReadDividend(rd, std::move(row), rows);
    double v = rd.Required(m.amount, "amount");
    if (IsSet(m.amountCurrency)) row.currency = std::string(rd.Text(m.amountCurrency));
    // Unsigned files give sizes: read each as the sign its kind has.
    if (!m.signedAmount) {
        v = std::fabs(v);
        if (kind == Kind::tax || kind == Kind::fee || kind == Kind::withdrawal) v = -v;
    }
    row.amount = std::fabs(v);
    switch (kind) {
        case Kind::tax:
        case Kind::fee:
            row.kind = RowKind::expense;
            row.amount = -v;
            break;
        case Kind::interest:
            row.kind = v >= 0 ? RowKind::income : RowKind::expense;
            break;
        default:
            row.kind = v >= 0 ? RowKind::imposition : RowKind::refund;
    }
    rows->push_back(std::move(row));
}

Kind KindOf(const Reader& rd) {
    const Mapping& m = rd.m;
    if (!IsSet(m.type) && !IsSet(m.side)) return Kind::none;
    std::string_view cell = rd.Text(IsSet(m.type) ? m.type : m.side);
    const std::pair<const std::vector<std::string>*, Kind> kinds[] = {
        {&m.buy, Kind::buy},
        {&m.sell, Kind::sell},
        {&m.dividend, Kind::dividend},
        {&m.tax, Kind::tax},
        {&m.fee, Kind::fee},
        {&m.deposit, Kind::deposit},
        {&m.withdrawal, Kind::withdrawal},
        {&m.interest, Kind::interest}};
    for (const auto& [words, kind] : kinds)
        if (Matches(*words, cell)) return kind;
    return Kind::none;
}

Statement ReadByMap(std::istream& in, const ReadOptions& options) {
    return ReadMapped(in, LoadMapping(options.env, options.map));
}

}  // namespace

Statement ReadMapped(std::istream& in, const Mapping& m) {
    CsvRows csv(in);
    CsvRecord record;
    if (!csv.Next(&record)) throw Error(ErrorKind::invalid_input, "line 1: the file is empty");
    Reader rd(m, record.fields);
    Statement out;
    out.format = m.name;
    out.idPrefix = m.idPrefix;
    std::map<std::string, std::pair<size_t, size_t>> others;  // type -> first line, count
    while (csv.Next(&record)) {
        if (IsBlank(record)) continue;
        rd.r = &record;
        if (IsSet(m.only) && !Matches(m.onlyWords, rd.Text(m.only))) continue;
        Kind kind = KindOf(rd);
        if (kind == Kind::none && (IsSet(m.type) || IsSet(m.side))) {
            auto& [line, count] = others[std::string(rd.Text(IsSet(m.type) ? m.type : m.side))];
            if (count++ == 0) line = rd.Line();
            continue;
        }
        const size_t from = out.rows.size();
        StatementRow row;
        ReadMoment(rd, &row);
        if (kind == Kind::none || kind == Kind::buy || kind == Kind::sell) {
            ReadTrade(rd, kind, &row);
            out.rows.push_back(std::move(row));
        } else {
            ReadCash(rd, kind, std::move(row), &out.rows);
        }
        CheckRowTexts(out, from);
    }
    for (const auto& [type, where] : others)
        out.notes.push_back({where.first, std::to_string(where.second) + " rows of type \"" + type +
                                              "\" left out"});
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

extern const FormatEntry kFormat_mapped{.name = "map",
                                        .description = "any CSV with one header row, read by --map",
                                        .order = 50,
                                        .recognises = nullptr,
                                        .read = ReadByMap};

}  // namespace cartera::statements
