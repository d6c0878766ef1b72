#include "rates/rates.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "host/dates.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "text/csv.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::rates {
namespace {

constexpr const char* kFileName = "rates.csv";
constexpr std::string_view kNotPublished = "N/A";

Status Refused(size_t line, std::string_view field, std::string_view text, std::string_view what) {
    std::string message = "line " + std::to_string(line);
    if (!field.empty()) message += ", " + std::string(field);
    message += ": ";
    if (!text.empty()) message += "\"" + std::string(text) + "\" ";
    return {ErrorKind::invalid_input, message + std::string(what)};
}

bool IsCurrency(std::string_view text) {
    return text.size() == 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// The single-day file's date: "06 December 2026", the month's English name in full.
bool ReadLongDate(std::string_view text, int32_t* date) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    const size_t first = text.find(' '), last = text.rfind(' ');
    if (first == std::string_view::npos || first == last) return false;
    std::string month(text.substr(first + 1, last - first - 1));
    for (char& c : month) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (std::find(kMonths.begin(), kMonths.end(), month) == kMonths.end()) return false;
    // The abbreviation ReadDate knows, which checks the day against the month.
    const std::string shortForm = std::string(text.substr(0, first)) + " " + month.substr(0, 3) +
                                  " " + std::string(text.substr(last + 1));
    return ReadDate(shortForm, "D MMM YYYY", date);
}

bool ReadRateDate(std::string_view text, int32_t* date) {
    return ReadDate(text, kIsoDateFormat, date) || ReadLongDate(text, date);
}

// The currencies of a header row, in column order; an error naming the column otherwise.
Status ReadHeader(const CsvRecord& header, std::vector<std::string>* currencies) {
    const size_t line = static_cast<size_t>(header.line);
    if (header.fields.empty() || Trim(header.fields[0]) != "Date")
        return Refused(line, "", "", "not an ECB rates file: its header starts with \"Date\"");
    std::set<std::string_view> seen;
    for (size_t i = 1; i < header.fields.size(); ++i) {
        const std::string_view code = Trim(header.fields[i]);
        // Every line of the ECB's files ends with a comma: an empty last column.
        if (code.empty() && i + 1 == header.fields.size()) break;
        if (!IsCurrency(code) || code == "EUR")
            return Refused(line, "column " + std::to_string(i + 1), code,
                           "is not a currency code of the euro's rates");
        if (!seen.insert(code).second)
            return Refused(line, "column " + std::to_string(i + 1), code, "comes twice");
        currencies->emplace_back(code);
    }
    return {};
}

Status ReadRow(const CsvRecord& r, const std::vector<std::string>& currencies, RatesTable* table) {
    const size_t line = static_cast<size_t>(r.line);
    if (r.fields.size() < currencies.size() + 1)
        return Refused(line, "", "",
                       std::to_string(r.fields.size()) + " fields where the header names " +
                           std::to_string(currencies.size() + 1));
    for (size_t i = currencies.size() + 1; i < r.fields.size(); ++i)
        if (!Trim(r.fields[i]).empty())
            return Refused(line, "column " + std::to_string(i + 1), Trim(r.fields[i]),
                           "stands beyond the header's currencies");
    int32_t date = 0;
    const std::string_view dateText = Trim(r.fields[0]);
    if (!ReadRateDate(dateText, &date))
        return Refused(line, "Date", dateText, "is not a date (YYYY-MM-DD or 06 December 2026)");
    for (size_t i = 0; i < currencies.size(); ++i) {
        const std::string_view text = Trim(r.fields[i + 1]);
        if (text.empty() || text == kNotPublished) continue;
        double perEuro = 0;
        if (!ReadNumber(text, kDecimalNumber, &perEuro) || !(perEuro > 0))
            return Refused(line, currencies[i], text, "is not a rate");
        table->Set(currencies[i], date, perEuro);
    }
    return {};
}

bool IsBlank(const CsvRecord& r) {
    return std::all_of(r.fields.begin(), r.fields.end(),
                       [](const std::string& f) { return Trim(f).empty(); });
}

Status ReadCsvRates(std::string_view text, RatesTable* table) {
    std::string copy(text);
    std::istringstream in(copy);
    CsvReader reader(in);
    CsvRecord record;
    CsvError error;
    std::vector<std::string> currencies;
    bool header = true;
    while (reader.Next(&record, &error)) {
        if (IsBlank(record)) continue;
        Status read = header ? ReadHeader(record, &currencies) : ReadRow(record, currencies, table);
        if (!read.ok()) return read;
        header = false;
    }
    if (!error.message.empty())
        return Refused(static_cast<size_t>(error.line), "column " + std::to_string(error.column),
                       "", error.message);
    if (header) return Refused(1, "", "", "not an ECB rates file: it is empty");
    return {};
}

std::string HomeFile(const Context& ctx) {
    return GetPMngFullPath(ctx, ORVO_PATH_SETTINGS) + kFileName;
}

}  // namespace

Status ReadRates(std::string_view bytes, RatesTable* table) {
    if (bytes.starts_with("PK\x03\x04")) {
        std::string csv;
        Status unzipped = UnzipFirstCsv(bytes, &csv);
        if (!unzipped.ok()) return unzipped;
        return ReadCsvRates(csv, table);
    }
    return ReadCsvRates(bytes, table);
}

void RatesTable::Set(std::string_view currency, int32_t date, double perEuro) {
    auto it = m_rates.find(currency);
    if (it == m_rates.end()) it = m_rates.emplace(std::string(currency), Series{}).first;
    it->second[date] = perEuro;
}

void RatesTable::Merge(const RatesTable& other) {
    for (const auto& [currency, series] : other.m_rates)
        for (const auto& [date, perEuro] : series) Set(currency, date, perEuro);
}

size_t RatesTable::DateCount() const {
    std::set<int32_t> dates;
    for (const auto& [currency, series] : m_rates)
        for (const auto& [date, perEuro] : series) dates.insert(date);
    return dates.size();
}

std::optional<DatedRate> RatesTable::PerEuro(std::string_view currency, int32_t date) const {
    auto it = m_rates.find(currency);
    if (it == m_rates.end()) return std::nullopt;
    auto after = it->second.upper_bound(date);
    if (after == it->second.begin()) return std::nullopt;
    --after;
    return DatedRate{after->second, after->first};
}

std::optional<DatedRate> RatesTable::Lookup(std::string_view from, std::string_view to,
                                            int32_t date) const {
    if (from == to) return DatedRate{1, date};
    // The euro is one euro on every date: the other currency's date is the one used.
    const DatedRate euro{1, date};
    const std::optional<DatedRate> f = from == "EUR" ? euro : PerEuro(from, date);
    const std::optional<DatedRate> t = to == "EUR" ? euro : PerEuro(to, date);
    if (!f || !t) return std::nullopt;
    return DatedRate{t->rate / f->rate, std::min(f->date, t->date)};
}

std::optional<double> RatesTable::Rate(std::string_view from, std::string_view to,
                                       int32_t date) const {
    const std::optional<DatedRate> r = Lookup(from, to, date);
    return r ? std::optional<double>(r->rate) : std::nullopt;
}

std::string RatesTable::Text() const {
    std::set<int32_t, std::greater<>> dates;
    std::string out = "Date,";
    for (const auto& [currency, series] : m_rates) {
        out += currency + ",";
        for (const auto& [date, perEuro] : series) dates.insert(date);
    }
    out += "\n";
    for (int32_t date : dates) {
        out += IsoDate(date) + ",";
        for (const auto& [currency, series] : m_rates) {
            auto it = series.find(date);
            out += it == series.end() ? std::string(kNotPublished) : FullNumberText(it->second);
            out += ",";
        }
        out += "\n";
    }
    return out;
}

Status RatesTable::Load(const Context& ctx) {
    m_rates.clear();
    const std::string path = HomeFile(ctx);
    std::string bytes;
    Status read = ctx.env->ReadFile(path, &bytes);
    if (read.IsNotFound()) return {};
    if (!read.ok())
        return {read.kind(), "cannot read the rates table " + path + ": " + read.message()};
    RatesTable loaded;
    Status parsed = ReadCsvRates(bytes, &loaded);
    if (!parsed.ok())
        return {ErrorKind::damaged, "damaged rates table " + path + ": " + parsed.message()};
    m_rates = std::move(loaded.m_rates);
    return {};
}

Status RatesTable::Import(const Context& ctx, const std::string& path, ImportSummary* summary) {
    std::string bytes;
    Status read = ctx.env->ReadFile(path, &bytes);
    if (!read.ok()) return {read.kind(), "cannot read " + path + ": " + read.message()};
    RatesTable file;
    if (Status parsed = ReadRates(bytes, &file); !parsed.ok())
        return {parsed.kind(), path + ": " + parsed.message()};
    const std::string home = HomeFile(ctx);
    std::unique_ptr<FileLock> lock;
    if (Status locked = ctx.env->LockFile(home, kLockWaitMs, &lock); !locked.ok()) return locked;
    if (Status loaded = Load(ctx); !loaded.ok()) return loaded;
    Merge(file);
    if (Status written = ctx.env->WriteFileAtomic(home, Text()); !written.ok())
        return {written.kind(), "cannot write the rates table " + home + ": " + written.message()};
    if (summary) *summary = {file.DateCount(), file.CurrencyCount(), DateCount(), CurrencyCount()};
    return {};
}

}  // namespace cartera::rates
