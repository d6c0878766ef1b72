#pragma once
// Exchange rates between currencies by date, for portfolios that hold more than one: the
// European Central Bank's euro reference rates, imported from its files and kept in the home
// folder. Headless; reads and writes only through the context's file system.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/context.h"
#include "host/error.h"

namespace cartera::rates {

// A rate and the date it was published for: the day asked about, or the last earlier day
// with a rate when that one has none.
struct DatedRate {
    double rate = 0;
    int32_t date = 0;  // date number
};

// What an import read and what the table holds after it.
struct ImportSummary {
    size_t datesRead = 0, currenciesRead = 0;
    size_t dates = 0, currencies = 0;  // in the table once merged
};

// Euro reference rates: for each currency, how many units of it one euro bought on each
// date the ECB published one.
class RatesTable {
  public:
    // The table kept in ctx's home folder ("rates.csv"). Replaces what this table held. Ok and
    // empty when the home has none; an error naming the file when it cannot be read, and
    // ErrorKind::damaged with its line when it does not read as rates (nothing is then held).
    Status Load(const Context& ctx);
    // Reads the ECB's rates file at path (through ctx's file system) and merges it into the
    // home's table, under that file's lock: loads the home's table into this one, takes the
    // file's rates over it (a rate of the file replaces the table's for the same currency and
    // date), and writes it back atomically. Takes eurofxref-hist.csv (header "Date,USD,...",
    // ISO dates), eurofxref.csv (header "Date, USD, ...", dates as "06 December 2026"), "N/A"
    // or nothing for a rate not published, and either zipped (the first .csv in the zip).
    // ErrorKind::invalid_input naming the line (or the zip's byte) of what cannot be read: a
    // date, a rate that is no number above 0, a field too many, a damaged zip; the home's
    // table is then left as it was. *summary, when given, says what was read and held.
    Status Import(const Context& ctx, const std::string& path, ImportSummary* summary = nullptr);

    // How many `to` one `from` buys on date (a date number): the euro is the base, any other
    // pair crosses through it (USD to GBP is GBP per euro / USD per euro). A currency without
    // a rate on date (a weekend, a holiday, "N/A") takes its last earlier one; rate.date is
    // then the earlier of the two currencies' dates used. 1 for the same currency (on any
    // date); nullopt for a currency the table does not hold or a date before its first rate.
    std::optional<DatedRate> Lookup(std::string_view from, std::string_view to, int32_t date) const;
    // Lookup's rate alone.
    std::optional<double> Rate(std::string_view from, std::string_view to, int32_t date) const;

    // Sets the units of currency one euro bought on date.
    void Set(std::string_view currency, int32_t date, double perEuro);
    // Every rate of other, each replacing this table's for the same currency and date.
    void Merge(const RatesTable& other);
    // The distinct dates with at least one rate, and the currencies with at least one.
    size_t DateCount() const;
    size_t CurrencyCount() const { return m_rates.size(); }
    bool operator==(const RatesTable&) const = default;

    // The table as the home keeps it: the ECB's history layout, the newest date first,
    // currencies in alphabetical order, "N/A" where a currency has no rate that day.
    std::string Text() const;

  private:
    // Units of the currency per euro, by date number.
    using Series = std::map<int32_t, double>;
    // The rate of currency (per euro) in effect on date, and the date it was set.
    std::optional<DatedRate> PerEuro(std::string_view currency, int32_t date) const;

    std::map<std::string, Series, std::less<>> m_rates;
};

// Reads a rates file's bytes (CSV or a zip holding one) into *table, adding to what it
// holds. ErrorKind::invalid_input naming the line and column, or the zip's byte, of what
// cannot be read; *table may then hold part of the file.
Status ReadRates(std::string_view bytes, RatesTable* table);

// The bytes of the first .csv entry of a zip (else its first entry): stored or deflated,
// checked against its CRC-32 and size; at most 64 MiB. ErrorKind::invalid_input "zip: WHAT
// at byte N" for anything else.
Status UnzipFirstCsv(std::string_view zip, std::string* out);

}  // namespace cartera::rates
