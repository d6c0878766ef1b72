#pragma once
// Cartera's own movements CSV both ways: the journal written as `export PATH journal`
// writes it, and read back as one more statement format ("cartera", in detect.h's list).
//
// The reader takes a header record naming the columns (any order, names ignoring case)
// date, type, code, contracts and price, and optionally time, symbol, commission,
// schedule, group, decimals, currency, rate and terms; the movements grid's headings in the
// interface language name the same columns, its derived columns (Total, Guarantee, Point Value,
// Balance) are ignored, and without a code column the symbol is the code. Types are buy, sell,
// dividend, expense, imposition, deposit and refund, or the grid's type letters, and exchange,
// split, rename, stock dividend, spin-off and merger, whose terms are the journal's
// (model/exchange.h, model/action.h). A currency other than the portfolio's needs its rate. Each
// row becomes the movement the entry page would record (Statement::movements): buys and sells with
// page decimals 2 and a typed commission, a schedule chosen by name prefix, or else the default
// schedule of ReadOptions::ledger; cash movements with the symbol (or code) as description
// and the price as amount; dividends with the contracts as shares and the price per share.
// Dates are read in ReadOptions::dateFormat; a movement beyond the entry bounds
// (CheckEntryBounds) is refused. Blank lines are skipped. A bad row throws cartera::Error
// (invalid_input) "line N, column NAME: WHAT".
#include <iosfwd>

class CSistemaCartera;

namespace cartera::statements {

// The ledger's journal in the form the reader reads, one record per movement in journal
// order: date (YYYY-MM-DD), time, type word, code, symbol, contracts, price, commission
// (the typed amount of a buy or sell, the whole movement's), group, decimals, currency and
// rate (empty in the portfolio's currency), terms. A cash movement or an exchange is written as
// one unit of its total.
void ExportMovementsCsv(const CSistemaCartera& ledger, std::ostream& out);

}  // namespace cartera::statements
