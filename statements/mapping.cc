#include "statements/mapping.h"

#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "host/dates.h"
#include "host/env.h"
#include "host/error.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "statements/columns.h"
#include "statements/text.h"

namespace cartera::resources {
std::string_view MapDegiro();
std::string_view MapTrading212();
std::string_view MapIb();
}  // namespace cartera::resources

namespace cartera::statements {

namespace {

[[noreturn]] void Refuse(size_t line, const std::string& what) {
    throw Error(ErrorKind::invalid_input, "mapping line " + std::to_string(line) + ": " + what);
}

bool IsSet(const ColumnRef& c) { return !c.heading.empty() || c.place > 0; }

ColumnRef ParseColumn(std::string_view value, size_t line) {
    ColumnRef ref;
    std::string lowered = LowerAscii(value);
    if (lowered.rfind("column ", 0) == 0) {
        if (!ParseWholeNumber(std::string_view(lowered).substr(7), &ref.place) || ref.place == 0)
            Refuse(line, "\"" + std::string(value) + "\" is not a column's place");
        return ref;
    }
    ref.heading = std::string(value);
    return ref;
}

std::vector<std::string> ParseWords(std::string_view value) {
    std::vector<std::string> words;
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view word = Trim(value.substr(0, comma));
        if (!word.empty()) words.push_back(LowerAscii(word));
        value = comma == std::string_view::npos ? "" : value.substr(comma + 1);
    }
    return words;
}

bool ParseYesNo(std::string_view value, size_t line) {
    std::string v = LowerAscii(value);
    if (v == "yes" || v == "true") return true;
    if (v == "no" || v == "false") return false;
    Refuse(line, "\"" + std::string(value) + "\" is neither yes nor no");
}

// Sets one key; false when the key is unknown.
bool SetKey(Mapping* m, const std::string& key, std::string_view value, size_t line) {
    const std::map<std::string, ColumnRef*> columns = {{"date", &m->date},
                                                       {"time", &m->time},
                                                       {"quantity", &m->quantity},
                                                       {"price", &m->price},
                                                       {"commission", &m->commission},
                                                       {"amount", &m->amount},
                                                       {"amount_currency", &m->amountCurrency},
                                                       {"code", &m->code},
                                                       {"symbol", &m->symbol},
                                                       {"currency", &m->currency},
                                                       {"id", &m->id},
                                                       {"account", &m->account},
                                                       {"multiplier", &m->multiplier},
                                                       {"type", &m->type},
                                                       {"side", &m->side}};
    const std::map<std::string, std::vector<std::string>*> words = {{"buy", &m->buy},
                                                                    {"sell", &m->sell},
                                                                    {"dividend", &m->dividend},
                                                                    {"tax", &m->tax},
                                                                    {"fee", &m->fee},
                                                                    {"deposit", &m->deposit},
                                                                    {"withdrawal", &m->withdrawal},
                                                                    {"interest", &m->interest}};
    if (auto c = columns.find(key); c != columns.end()) {
        *c->second = ParseColumn(value, line);
    } else if (auto w = words.find(key); w != words.end()) {
        *w->second = ParseWords(value);
    } else if (key == "date_format") {
        if (!ValidDateFormat(value))
            Refuse(line, "\"" + std::string(value) + "\" is not a date format");
        m->dateFormat = std::string(value);
    } else if (key == "time_format") {
        if (value != "HH:MM:SS" && value != "HH:MM" && value != "HHMMSS")
            Refuse(line, "time_format is HH:MM:SS, HH:MM or HHMMSS");
        m->compactTime = value == "HHMMSS";
    } else if (key == "decimal") {
        if (value != "." && value != ",") Refuse(line, "decimal is . or ,");
        m->decimal = value[0];
    } else if (key == "signed_quantity") {
        m->signedQuantity = ParseYesNo(value, line);
    } else if (key == "signed_amount") {
        m->signedAmount = ParseYesNo(value, line);
    } else if (key == "only") {
        size_t colon = value.find(':');
        if (colon == std::string_view::npos) Refuse(line, "only is COLUMN: WORD,WORD");
        m->only = ParseColumn(Trim(value.substr(0, colon)), line);
        m->onlyWords = ParseWords(value.substr(colon + 1));
    } else if (key == "id_prefix") {
        m->idPrefix = std::string(value);
    } else if (key == "name") {
        m->name = std::string(value);
    } else {
        return false;
    }
    return true;
}

void CheckComplete(const Mapping& m) {
    auto missing = [](const char* what) {
        throw Error(ErrorKind::invalid_input, std::string("mapping: ") + what);
    };
    if (!IsSet(m.date)) missing("date is missing");
    if (!IsSet(m.quantity) || !IsSet(m.price)) missing("quantity and price are both needed");
    bool sides = !m.buy.empty() && !m.sell.empty();
    if (!(IsSet(m.type) || (IsSet(m.side) && sides) || m.signedQuantity))
        missing("needs type, side with buy and sell, or signed_quantity = yes");
    bool cash = !m.dividend.empty() || !m.tax.empty() || !m.fee.empty() || !m.deposit.empty() ||
                !m.withdrawal.empty() || !m.interest.empty();
    if (cash && !IsSet(m.amount)) missing("cash words need an amount column");
}

}  // namespace

Mapping ParseMapping(std::string_view text) {
    Mapping m;
    std::set<std::string> seen;
    size_t line = 0;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);  // the byte-order mark editors write
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? "" : text.substr(end + 1);
        ++line;
        std::string_view t = Trim(raw);
        if (!t.empty() && t.back() == '\r') t = Trim(t.substr(0, t.size() - 1));
        if (t.empty() || t.front() == '#') continue;
        size_t eq = t.find('=');
        if (eq == std::string_view::npos) Refuse(line, "expected key = value");
        std::string key = LowerAscii(Trim(t.substr(0, eq)));
        std::string_view value = Trim(t.substr(eq + 1));
        if (value.empty()) Refuse(line, key + " has no value");
        if (!seen.insert(key).second) Refuse(line, key + " given twice");
        if (!SetKey(&m, key, value, line)) Refuse(line, "unknown key \"" + key + "\"");
    }
    CheckComplete(m);
    return m;
}

Mapping LoadMapping(const std::string& map) {
    if (map.empty())
        throw Error(ErrorKind::invalid_input,
                    "a mapping is needed: a file, or degiro, trading212 or ib");
    std::string_view shipped = ShippedMapping(map);
    if (!shipped.empty()) return ParseMapping(shipped);
    std::string text;
    const Status read = CurrentEnv()->ReadFile(map, &text);
    if (read.IsNotFound())
        throw Error(ErrorKind::not_found,
                    "no mapping file \"" + map + "\" (shipped mappings: degiro, trading212, ib)");
    if (!read.ok()) throw Error(read.kind(), "mapping: " + read.message());  // a folder: invalid
    return ParseMapping(text);
}

std::string_view ShippedMapping(std::string_view name) {
    if (name == "degiro") return resources::MapDegiro();
    if (name == "trading212") return resources::MapTrading212();
    if (name == "ib") return resources::MapIb();
    return {};
}

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

// The mapping's columns found in the header.
struct Reader {
    const Mapping& m;
    std::map<const ColumnRef*, size_t> columns;
    const Record* r = nullptr;

    Reader(const Mapping& mapping, const std::vector<std::string>& header) : m(mapping) {
        const std::pair<const ColumnRef*, const char*> keys[] = {
            {&m.date, "date"},
            {&m.time, "time"},
            {&m.quantity, "quantity"},
            {&m.price, "price"},
            {&m.commission, "commission"},
            {&m.amount, "amount"},
            {&m.amountCurrency, "amount_currency"},
            {&m.code, "code"},
            {&m.symbol, "symbol"},
            {&m.currency, "currency"},
            {&m.id, "id"},
            {&m.account, "account"},
            {&m.multiplier, "multiplier"},
            {&m.type, "type"},
            {&m.side, "side"},
            {&m.only, "only"}};
        for (const auto& [ref, key] : keys)
            if (IsSet(*ref)) columns[ref] = Find(*ref, key, header);
    }
    static size_t Find(const ColumnRef& ref, std::string_view key,
                       const std::vector<std::string>& header) {
        if (ref.place > 0) {
            if (ref.place > header.size())
                ThrowRowError(1, key, "column " + std::to_string(ref.place),
                              "is beyond the header");
            return ref.place - 1;
        }
        std::string wanted = LowerAscii(ref.heading);
        for (size_t i = 0; i < header.size(); ++i)
            if (LowerAscii(Trim(header[i])) == wanted) return i;
        ThrowRowError(1, key, ref.heading, "is not a column of the file");
    }
    std::string_view Text(const ColumnRef& ref) const {
        auto col = columns.find(&ref);
        if (col == columns.end() || col->second >= r->fields.size()) return {};
        return Trim(r->fields[col->second]);
    }
    std::optional<double> Number(const ColumnRef& ref, std::string_view key) const {
        std::string_view text = Text(ref);
        if (text.empty()) return std::nullopt;
        double v = 0;
        if (!ParseBrokerNumber(text, m.decimal, &v))
            ThrowRowError(r->line, key, text, "is not a number");
        return v;
    }
    double Required(const ColumnRef& ref, std::string_view key) const {
        std::optional<double> v = Number(ref, key);
        if (!v) ThrowRowError(r->line, key, "", "is missing");
        return *v;
    }
};

bool ParseClock(std::string_view text, bool compact, int32_t* out) {
    text = text.substr(0, text.find('.'));  // fractions of a second
    if (!compact) return ParseTimeText(text, out);
    int h = 0, mi = 0, s = 0;
    if (text.size() != 6 && text.size() != 4) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    h = (text[0] - '0') * 10 + (text[1] - '0');
    mi = (text[2] - '0') * 10 + (text[3] - '0');
    if (text.size() == 6) s = (text[4] - '0') * 10 + (text[5] - '0');
    if (h > 23 || mi > 59 || s > 59) return false;
    *out = TimeNumber(h, mi, s);
    return true;
}

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
        ThrowRowError(rd.r->line, "date", date, "is not a date in " + m.dateFormat);
    if (!time.empty() && !ParseClock(time, m.compactTime, &row->time))
        ThrowRowError(rd.r->line, "time", time, "is not a time of day");
    row->line = static_cast<size_t>(rd.r->line);
    row->security = std::string(rd.Text(m.code));
    row->symbol = std::string(rd.Text(m.symbol));
    if (row->symbol.empty()) row->symbol = row->security;  // the quote code is the symbol
    row->id = std::string(rd.Text(m.id));
    row->account = std::string(rd.Text(m.account));
    row->currency = std::string(rd.Text(m.currency));
    row->description = row->symbol;
}

void ReadTrade(const Reader& rd, Kind kind, StatementRow* row) {
    const Mapping& m = rd.m;
    double qty = rd.Required(m.quantity, "quantity");
    if (qty == 0) ThrowRowError(rd.r->line, "quantity", rd.Text(m.quantity), "is not a quantity");
    row->kind = RowKind::trade;
    row->buy = kind == Kind::none ? qty > 0 : kind == Kind::buy;
    row->quantity = std::fabs(qty);
    row->price = rd.Required(m.price, "price");
    if (row->price < 0) ThrowRowError(rd.r->line, "price", rd.Text(m.price), "is not a price");
    row->commission = std::fabs(rd.Number(m.commission, "commission").value_or(0));
    row->multiplier = rd.Number(m.multiplier, "multiplier").value_or(1);
    if (!(row->multiplier > 0))
        ThrowRowError(rd.r->line, "multiplier", rd.Text(m.multiplier), "is not a multiplier");
}

void ReadCash(const Reader& rd, Kind kind, StatementRow* row) {
    const Mapping& m = rd.m;
    double v = rd.Required(m.amount, "amount");
    if (IsSet(m.amountCurrency)) row->currency = std::string(rd.Text(m.amountCurrency));
    // Unsigned files give sizes: read each as the sign its kind has.
    if (!m.signedAmount) {
        v = std::fabs(v);
        if (kind == Kind::tax || kind == Kind::fee || kind == Kind::withdrawal) v = -v;
    }
    row->amount = std::fabs(v);
    switch (kind) {
        case Kind::dividend:
            row->kind = v >= 0 ? RowKind::dividend : RowKind::expense;
            row->quantity = std::fabs(rd.Number(m.quantity, "quantity").value_or(0));
            if (row->kind == RowKind::dividend && row->quantity > 0)
                row->rate = Tidy(v / row->quantity);
            break;
        case Kind::tax:
        case Kind::fee:
            row->kind = RowKind::expense;
            row->amount = -v;
            break;
        case Kind::interest:
            row->kind = v >= 0 ? RowKind::income : RowKind::expense;
            break;
        default:
            row->kind = v >= 0 ? RowKind::imposition : RowKind::refund;
    }
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

}  // namespace

Statement ReadMapped(std::istream& in, const Mapping& m) {
    CsvLines csv(in);
    Record record;
    if (!csv.Next(&record.fields, &record.line))
        throw Error(ErrorKind::invalid_input, "line 1: the file is empty");
    Reader rd(m, record.fields);
    Statement out;
    out.format = m.name;
    out.idPrefix = m.idPrefix;
    std::map<std::string, std::pair<size_t, size_t>> others;  // type -> first line, count
    while (csv.Next(&record.fields, &record.line)) {
        if (IsBlank(record)) continue;
        rd.r = &record;
        if (IsSet(m.only) && !Matches(m.onlyWords, rd.Text(m.only))) continue;
        Kind kind = KindOf(rd);
        if (kind == Kind::none && (IsSet(m.type) || IsSet(m.side))) {
            auto& [line, count] = others[std::string(rd.Text(IsSet(m.type) ? m.type : m.side))];
            if (count++ == 0) line = record.line;
            continue;
        }
        StatementRow row;
        ReadMoment(rd, &row);
        if (kind == Kind::none || kind == Kind::buy || kind == Kind::sell) {
            ReadTrade(rd, kind, &row);
        } else {
            ReadCash(rd, kind, &row);
        }
        out.rows.push_back(std::move(row));
        CheckRowTexts(out, out.rows.size() - 1);
    }
    for (const auto& [type, where] : others)
        out.notes.push_back({where.first, std::to_string(where.second) + " rows of type \"" + type +
                                              "\" left out"});
    NumberRepeatedIds(&out.rows);
    SortByTime(&out.rows);
    return out;
}

}  // namespace cartera::statements
