// rates: the exchange-rates table of the home, imported from the ECB's files.
#include <cmath>
#include <memory>

#include "app/cli/commands.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "rates/rates.h"

namespace cartera::cli {
namespace {

struct RatesArgs {
    std::string file, pair, date;
};

void Import(Output io, const RatesArgs& a) {
    rates::RatesTable table;
    rates::ImportSummary s;
    if (Status imported = table.Import(io.context, a.file, &s); !imported.ok())
        Fail(imported.kind(), imported.message());
    NoteChangeSaved();
    io.out << "read " << s.datesRead << " dates of " << s.currenciesRead << " currencies; the "
           << "table holds " << s.dates << " dates of " << s.currencies << " currencies\n";
}

void Show(Output io, const RatesArgs& a) {
    auto letters = [](std::string_view code) {
        return code.size() == 3 &&
               code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos;
    };
    const std::string_view pair = a.pair;
    if (pair.size() != 6 || !letters(pair.substr(0, 3)) || !letters(pair.substr(3)))
        FailUsage("PAIR must be two currency codes, as EURUSD, not '" + a.pair + "'");
    const int32_t date = ReadDate("DATE", a.date);
    rates::RatesTable table;
    if (Status loaded = table.Load(io.context); !loaded.ok()) Fail(loaded.kind(), loaded.message());
    const auto rate = table.Lookup(pair.substr(0, 3), pair.substr(3), date);
    if (!rate)
        Fail(ErrorKind::not_found, "no rate of " + a.pair + " on " + IsoDate(date) +
                                       " (import the ECB's rates: cartera-cli rates import FILE)");
    // To 10 decimals: a cross rate's binary noise (0.84 / 1.05 is 0.7999999999999999) not shown.
    const double shown = std::round(rate->rate * 1e10) / 1e10;
    io.out << a.pair << ' ' << IsoDate(date) << ": " << FullNumberText(shown) << " (the rates of "
           << IsoDate(rate->date) << ")\n";
}

}  // namespace

void AddRatesCommands(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<RatesArgs>();
    CLI::App* group = app.add_subcommand("rates", "Exchange rates of the home (the ECB's)");
    group->require_subcommand(1);
    CLI::App* sub = group->add_subcommand(
        "import", "Merge an ECB rates file (eurofxref-hist or eurofxref, .csv or .zip)");
    sub->add_option("FILE", a->file, "the file")->required();
    commands.push_back({sub, [io, a] { Import(io, *a); }});
    sub = group->add_subcommand("show", "How many of the second currency one of the first buys");
    sub->add_option("PAIR", a->pair, "two currency codes, as EURUSD")->required();
    sub->add_option("DATE", a->date, "the date, YYYY-MM-DD")->required();
    commands.push_back({sub, [io, a] { Show(io, *a); }});
}

}  // namespace cartera::cli
