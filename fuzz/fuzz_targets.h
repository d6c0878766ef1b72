#pragma once
// The fuzzed readers, one function per file format. Each takes arbitrary bytes, must never
// crash, leak or hit undefined behaviour, and aborts when a file that loaded does not load
// back the same after a save. The libFuzzer harnesses call them, and fuzz_replay_tests
// replays the committed corpus and every input that once failed through them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace cartera::fuzz {

// A portfolio file: load, save, load the saved bytes again and save once more; the two
// saves must be the same bytes.
void FuzzPortfolio(const uint8_t* data, size_t size);
// A portfolio body: the bytes are wrapped in the envelope with their right checksum, so
// every input reaches the body reader; then the same check as FuzzPortfolio.
void FuzzPortfolioBody(const uint8_t* data, size_t size);
// The commission file body: load, then the same save-load-save check.
void FuzzCommissions(const uint8_t* data, size_t size);
// The layouts of the movements, closed and open grids as the portfolio body ends with
// them: load into the three grids, then the same save-load-save check.
void FuzzGridLayout(const uint8_t* data, size_t size);
// CSV: ParseCsv, then the records written back must parse to the same fields; and the same
// bytes as Cartera's own movements CSV (FuzzStatement).
void FuzzCsv(const uint8_t* data, size_t size);
// A tick file for the replay feed: load it and replay it to the end.
void FuzzTicks(const uint8_t* data, size_t size);

// An ECB rates file (CSV, or a zip of one): what reads must read back the same from the
// table the home would keep, and give no rate above 0 from a later date.
void FuzzRates(const uint8_t* data, size_t size);

// A statement of the named format (statements::Formats()), read as the command line reads
// a file, then planned against an empty ledger and against one that holds its trades; a
// refusal must name its line, and nothing planned may exceed the entry bounds.
void FuzzStatement(const std::string& format, const uint8_t* data, size_t size);
// A mapping file, a line "--", then the CSV it reads: a refused mapping must say so, the
// rest as FuzzStatement. Without that line, the whole input is read by each shipped mapping:
// the fuzzing of the "map" format.
void FuzzMapping(const uint8_t* data, size_t size);

// A portfolio's change log: what reads whole must encode back to the same bytes; then the
// bytes cut into records of a sound log, replayed onto an empty ledger.
void FuzzChangeLog(const uint8_t* data, size_t size);

// The function for a corpus folder's name: portfolio, portfolio_body, commissions,
// grid_layout, csv, ticks, rates, mapping, change_log, or a statement format's name; empty for
// another name.
using FuzzFunction = std::function<void(const uint8_t*, size_t)>;
FuzzFunction FuzzFunctionFor(const std::string& name);

}  // namespace cartera::fuzz
