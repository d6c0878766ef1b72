// Mapping files: their keys read and checked, the shipped ones, and a --map argument.
#include "statements/mapping.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "host/env.h"
#include "host/error.h"
#include "host/strings.h"
#include "text/columns.h"
#include "text/date.h"
#include "text/number.h"

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
    const std::map<std::string, std::vector<std::string>*> words = {{"buy", &m->buy},
                                                                    {"sell", &m->sell},
                                                                    {"dividend", &m->dividend},
                                                                    {"tax", &m->tax},
                                                                    {"fee", &m->fee},
                                                                    {"deposit", &m->deposit},
                                                                    {"withdrawal", &m->withdrawal},
                                                                    {"interest", &m->interest}};
    const auto column = std::find_if(std::begin(kColumnKeys), std::end(kColumnKeys),
                                     [&](const auto& k) { return k.first == key; });
    if (column != std::end(kColumnKeys) && key != "only") {
        m->*column->second = ParseColumn(value, line);
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
    if ((IsSet(m.commissionCurrency) || IsSet(m.withheldCurrency)) && !IsSet(m.exchangeRate))
        missing("a commission or withheld currency needs exchange_rate");
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

Mapping LoadMapping(Env* env, const std::string& map) {
    if (map.empty())
        throw Error(ErrorKind::invalid_input,
                    "a mapping is needed: a file, or degiro, trading212 or ib");
    std::string_view shipped = ShippedMapping(map);
    if (!shipped.empty()) return ParseMapping(shipped);
    std::string text;
    const Status read = env ? env->ReadFile(map, &text)
                            : Status(ErrorKind::not_found, "no file system to read it from");
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

}  // namespace cartera::statements
