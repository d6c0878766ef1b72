#pragma once
// The fuzzed readers, one function per file format. Each takes arbitrary bytes, must never
// crash, leak or hit undefined behaviour, and aborts when a file that loaded does not load
// back the same after a save. The libFuzzer harnesses call them, and fuzz_replay_tests
// replays the committed corpus and every input that once failed through them.
#include <cstddef>
#include <cstdint>
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
// CSV: ParseCsv, then the records written back must parse to the same fields; and the
// movements import against an empty ledger.
void FuzzCsv(const uint8_t* data, size_t size);
// A tick file for the replay feed: load it and replay it to the end.
void FuzzTicks(const uint8_t* data, size_t size);

// An Interactive Brokers Flex statement, XML or CSV: read, then planned against an empty
// ledger; a refusal must name its line, and nothing planned may exceed the entry bounds.
void FuzzFlexXml(const uint8_t* data, size_t size);
void FuzzFlexCsv(const uint8_t* data, size_t size);
// DEGIRO's Transactions.csv or Account.csv, and Trading 212's history: the same.
void FuzzDegiro(const uint8_t* data, size_t size);
void FuzzTrading212(const uint8_t* data, size_t size);
// A mapping file, a line "--", then the CSV it reads: a refused mapping must say so, the
// rest as above. Without that line, the whole input is read by each shipped mapping.
void FuzzMapping(const uint8_t* data, size_t size);

// A portfolio's change log: what reads whole must encode back to the same bytes; then the
// bytes cut into records of a sound log, replayed onto an empty ledger.
void FuzzChangeLog(const uint8_t* data, size_t size);

// The function for a corpus folder's name (portfolio, portfolio_body, commissions,
// grid_layout, csv, ticks, flex_xml, flex_csv, degiro, trading212, mapping, change_log);
// nullptr for another name.
using FuzzFunction = void (*)(const uint8_t*, size_t);
FuzzFunction FuzzFunctionFor(const std::string& name);

}  // namespace cartera::fuzz
