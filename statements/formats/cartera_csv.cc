// Movements from and to CSV, through the entry pages' rules.
#include "statements/cartera_csv.h"

#include <algorithm>
#include <array>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>

#include "grids/column_ids.h"
#include "host/dates.h"
#include "host/error.h"
#include "host/memory.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/action.h"
#include "model/currency_entry.h"
#include "model/entry.h"
#include "model/exchange.h"
#include "model/sistema.h"
#include "statements/detect.h"
#include "statements/reading.h"
#include "text/columns.h"
#include "text/csv.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

enum Field {
    kDate,
    kTime,
    kType,
    kCode,
    kSymbol,
    kContracts,
    kPrice,
    kCommission,
    kSchedule,
    kGroup,
    kDecimals,
    kCurrency,
    kRate,
    kTerms,
    kFieldCount,
    kIgnored = -1,
    kUnknown = -2
};

constexpr std::array<const char*, kFieldCount> kFieldNames = {
    "date",       "time",     "type",  "code",     "symbol",   "contracts", "price",
    "commission", "schedule", "group", "decimals", "currency", "rate",      "terms"};

// The movements grid's headings and the column each names; 0 = a derived column.
constexpr std::pair<int, int> kHeadingFields[] = {{column::kDate, kDate},
                                                  {column::kTime, kTime},
                                                  {column::kType, kType},
                                                  {column::kSymbol, kSymbol},
                                                  {column::kContracts, kContracts},
                                                  {column::kPrice, kPrice},
                                                  {column::kCommissions, kCommission},
                                                  {column::kGroup, kGroup},
                                                  {column::kTotal, kIgnored},
                                                  {column::kGuarantee, kIgnored},
                                                  {column::kPointValue, kIgnored},
                                                  {column::kBalance, kIgnored}};

const std::pair<const char*, int32_t> kTypeWords[] = {{"buy", kBuy},
                                                      {"sell", kSell},
                                                      {"dividend", kDividend},
                                                      {"expense", kExpense},
                                                      {"imposition", kImposition},
                                                      {"deposit", kDeposit},
                                                      {"refund", kRefund},
                                                      {"exchange", kExchange},
                                                      {"split", kSplit},
                                                      {"rename", kRename},
                                                      {"stock dividend", kStockDividend},
                                                      {"spin-off", kSpinOff},
                                                      {"merger", kMerger}};

int FieldOfHeading(const std::string& key) {
    for (int f = 0; f < kFieldCount; ++f)
        if (key == kFieldNames[f]) return f;
    for (const auto& [id, field] : kHeadingFields)
        if (key == HeadingKey(::LS(id))) return field;
    return kUnknown;
}

std::optional<int32_t> TypeOf(std::string_view text) {
    const std::string word = HeadingKey(text);
    for (const auto& [name, type] : kTypeWords)
        if (word == name) return type;
    for (int32_t type = kBuy; type <= kSell; ++type)
        if (word == HeadingKey(::LS(MovementTypeLetterId(type)))) return type;
    return std::nullopt;
}

// One data row being turned into a movement; Fail throws naming its line and column.
class RowReader {
  public:
    RowReader(const CsvRecord& record, const std::vector<int>& columnOf, const Columns& headings,
              std::string_view dateFormat)
        : m_record(record), m_columnOf(columnOf), m_headings(headings), m_dateFormat(dateFormat) {}

    std::string_view DateFormat() const { return m_dateFormat; }

    bool Has(int field) const { return !Get(field).empty(); }
    const std::string& Get(int field) const {
        static const std::string none;
        int col = m_columnOf[field];
        return col < 0 ? none : m_record.fields[col];
    }
    [[noreturn]] void Fail(int field, const std::string& message) const {
        int col = m_columnOf[field];
        std::string name =
            col < 0 ? std::string(kFieldNames[field]) : std::string(Trim(m_headings.Heading(col)));
        FailRow(static_cast<size_t>(m_record.line), "column " + name, message);
    }
    double Number(int field) const {
        double v = 0;
        if (!ReadNumber(Get(field), kPlainNumber, &v))
            Fail(field, "'" + Get(field) + "' is not a number");
        return v;
    }
    int32_t Whole(int field, int32_t min) const {
        int32_t v = 0;
        if (!ParseWholeNumber(Get(field), &v) || v < min)
            Fail(field,
                 "'" + Get(field) + "' is not a whole number of at least " + std::to_string(min));
        return v;
    }
    // A quantity, exactly: above 0 for a buy or sell, at least 0 for a dividend's shares.
    Quantity Count(int field, bool positive) const {
        Quantity q;
        if (!ReadQuantity(Get(field), kPlainNumber, &q) || q < 0 || (positive && q == 0))
            Fail(field, "'" + Get(field) + "' is not a number of at most 10 decimals " +
                            (positive ? "above 0" : "of at least 0"));
        return q;
    }
    int32_t Decimals() const {
        const int32_t decimals = Has(kDecimals) ? Whole(kDecimals, 0) : 2;
        if (decimals > 15) Fail(kDecimals, "decimals go from 0 to 15");
        return decimals;
    }

  private:
    const CsvRecord& m_record;
    const std::vector<int>& m_columnOf;
    const Columns& m_headings;
    std::string_view m_dateFormat;
};

std::time_t ReadWhen(const RowReader& r) {
    int32_t fn = 0, hn = 0;
    if (!ParseDateFormat(Trim(r.Get(kDate)), r.DateFormat(), &fn))
        r.Fail(kDate, "'" + r.Get(kDate) + "' is not a date as " + std::string(r.DateFormat()));
    if (r.Has(kTime) && !ParseTimeText(Trim(r.Get(kTime)), &hn))
        r.Fail(kTime, "'" + r.Get(kTime) + "' is not a time of day");
    return CTimeLong::GetTime(fn, hn);
}

COrderCartera BuildExecution(const RowReader& r, const CSistemaCartera& ledger, int32_t type,
                             std::time_t when) {
    const CAdmComisiones& adm = *ledger.GetAdmComisiones();
    BuySellPage p;
    p.buy = type == kBuy;
    p.pageDecimals = 2;
    p.code = r.Has(kCode) ? r.Get(kCode) : r.Get(kSymbol);
    p.symbol = r.Has(kSymbol) ? r.Get(kSymbol) : p.code;
    if (p.code.empty()) r.Fail(kCode, "a buy or sell needs a code");
    p.contractsText = EditQuantityText(r.Count(kContracts, true));
    p.priceText = FullNumberText(r.Number(kPrice));
    p.symbolDecimals = r.Decimals();
    if (r.Has(kCommission) && r.Has(kSchedule))
        r.Fail(kSchedule, "give a commission or a schedule, not both");
    if (r.Has(kCommission)) {
        p.commissionText = FullNumberText(r.Number(kCommission));
        p.schedule.reset();
    } else if (r.Has(kSchedule)) {
        p.schedule = SelectByPrefix(ScheduleListItems(adm), r.Get(kSchedule));
        if (!p.schedule) r.Fail(kSchedule, "no schedule begins with '" + r.Get(kSchedule) + "'");
    } else {
        p.schedule = DefaultScheduleItem(adm);
    }
    p.group = r.Get(kGroup);
    p.when = when;
    std::optional<COrderCartera> m = BuildBuySell(ledger, p);
    if (!m) r.Fail(kContracts, "contracts must be more than 0 and at most 2147483647");
    return *m;
}

COrderCartera BuildTypedMovement(const RowReader& r, const CSistemaCartera& ledger, int32_t type,
                                 std::time_t when) {
    if (type == kBuy || type == kSell) return BuildExecution(r, ledger, type, when);
    const double price = r.Number(kPrice);
    if (type != kDividend) {
        std::string description = r.Has(kSymbol) ? r.Get(kSymbol) : r.Get(kCode);
        return BuildCashMovement(type, description, price, when);
    }
    const Quantity shares = r.Count(kContracts, false);
    const int32_t decimals = r.Decimals();
    std::string code = r.Has(kCode) ? r.Get(kCode) : r.Get(kSymbol);
    std::string symbol = r.Has(kSymbol) ? r.Get(kSymbol) : code;
    return BuildDividend(symbol, code, decimals, shares, price, r.Get(kGroup), when);
}

// An action: its terms as the journal writes them; a fraction paid in cash keeps its price.
COrderCartera BuildActionRow(const RowReader& r, int32_t type, std::time_t when) {
    ActionTerms terms;
    std::string why;
    if (!ParseTerms(r.Get(kTerms), &terms, &why)) r.Fail(kTerms, why);
    if (TakesRatio(type) && !r.Has(kTerms)) r.Fail(kTerms, "a ratio such as 4:1 is needed");
    if (TakesNewCode(type) && terms.newCode.empty()) r.Fail(kTerms, "the code after it is needed");
    const std::string code = r.Has(kCode) ? r.Get(kCode) : r.Get(kSymbol);
    if (code.empty()) r.Fail(kCode, "an action needs the code it applies to");
    const Quantity contracts = r.Count(kContracts, false);
    COrderCartera m = BuildAction(type, code, r.Get(kSymbol), terms, when, contracts, 0);
    if (contracts > 0) m.price = r.Number(kPrice);
    return m;
}

// An exchange: the amount bought as its price, the side sold as its terms.
COrderCartera BuildExchangeRow(const RowReader& r, const CSistemaCartera& ledger,
                               std::time_t when) {
    CurrencyAmount sold;
    if (!ParseExchangeTerms(r.Get(kTerms), &sold))
        r.Fail(kTerms, "'" + r.Get(kTerms) + "' is not a currency and an amount sold (EUR 100)");
    std::optional<double> rate;
    if (r.Has(kRate)) rate = r.Number(kRate);
    COrderCartera m = BuildCashMovement(kExchange, "", 0, when);
    if (EntryRefusal refusal = SetExchange(ledger.GetCurrency(), sold,
                                           {r.Get(kCurrency), r.Number(kPrice)}, rate, {}, m))
        r.Fail(refusal.field == EntryField::rate ? kRate : kCurrency, refusal.message);
    return m;
}

// A movement's own currency and rate, when the row names one.
void SetRowCurrency(const RowReader& r, const CSistemaCartera& ledger, COrderCartera& m) {
    if (!r.Has(kCurrency) && !r.Has(kRate)) return;
    std::optional<double> rate;
    if (r.Has(kRate)) rate = r.Number(kRate);
    if (EntryRefusal refusal =
            SetMovementCurrency(ledger.GetCurrency(), r.Get(kCurrency), rate, {}, m))
        r.Fail(refusal.field == EntryField::rate ? kRate : kCurrency, refusal.message);
}

COrderCartera BuildMovement(const RowReader& r, const CSistemaCartera& ledger) {
    std::optional<int32_t> type = TypeOf(r.Get(kType));
    if (!type) r.Fail(kType, "'" + r.Get(kType) + "' is not a movement type");
    const std::time_t when = ReadWhen(r);
    if (*type == kExchange) return BuildExchangeRow(r, ledger, when);
    if (*type >= kSplit && *type <= kMerger) return BuildActionRow(r, *type, when);
    COrderCartera m = BuildTypedMovement(r, ledger, *type, when);
    SetRowCurrency(r, ledger, m);
    return m;
}

// The row's movement, within the bounds entry keeps to.
COrderCartera BuildRow(const RowReader& r, const CSistemaCartera& ledger) {
    COrderCartera m = BuildMovement(r, ledger);
    const EntryRefusal refusal = CheckEntryBounds(m);
    switch (refusal.field) {
        case EntryField::none:
            return m;
        case EntryField::contracts:
            r.Fail(kContracts, refusal.message);
        case EntryField::commission:
            r.Fail(kCommission, refusal.message);
        case EntryField::price:
        case EntryField::amount:
        case EntryField::currency:
        case EntryField::rate:
            break;
    }
    r.Fail(kPrice, refusal.message);
}

// The field each of the header's columns names; refuses an unknown, repeated or missing
// column.
std::vector<int> ReadHeader(const CsvRecord& header, const Columns& headings) {
    std::vector<int> columnOf(kFieldCount, -1);
    const size_t line = static_cast<size_t>(header.line);
    for (size_t col = 0; col < headings.Size(); ++col) {
        const int field = FieldOfHeading(headings.Key(col));
        const std::string at = "column " + std::to_string(col + 1);
        if (field == kIgnored) continue;
        if (field == kUnknown) FailRow(line, at, "unknown column '" + headings.Heading(col) + "'");
        if (columnOf[field] >= 0)
            FailRow(line, at, "column '" + headings.Heading(col) + "' given twice");
        columnOf[field] = static_cast<int>(col);
    }
    for (int field : {kDate, kType, kContracts, kPrice})
        if (columnOf[field] < 0)
            FailRow(line, "column " + std::string(kFieldNames[field]), "missing from the header");
    if (columnOf[kCode] < 0 && columnOf[kSymbol] < 0)
        FailRow(line, "column code", "missing from the header");
    return columnOf;
}

// Room enough for the rows left in a seekable input at 40 bytes a row (growing the list
// would copy every record), at most 4 million; 0 when the input cannot tell its size.
size_t RowsAtMost(std::istream& in) {
    std::streambuf* buffer = in.rdbuf();
    const auto here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1)) return 0;
    const auto end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
    if (buffer->pubseekpos(here, std::ios::in) != here || end == std::streampos(-1)) return 0;
    return std::min(static_cast<size_t>(end - here) / 40, size_t{1} << 22);
}

// The next record that is not blank; false at the end. A record CsvReader refuses is
// named by its line and column.
bool NextRow(CsvReader& reader, CsvRecord* record) {
    CsvError error;
    while (reader.Next(record, &error))
        if (!(record->fields.size() == 1 && Trim(record->fields[0]).empty())) return true;
    if (!error.message.empty())
        FailRow(static_cast<size_t>(error.line), "column " + std::to_string(error.column),
                error.message);
    return false;
}

// A ledger for a reading given none: no schedules, dated by the system clock.
std::unique_ptr<CSistemaCartera> LedgerOf(const ReadOptions& options) {
    const Context ctx{options.env, {}, {}, CurrentLanguage()};
    return std::make_unique<CSistemaCartera>(std::make_unique<CAdmComisiones>(ctx), ctx);
}

Statement ReadCarteraCsv(std::istream& in, const ReadOptions& options) {
    if (!ValidDateFormat(options.dateFormat))
        throw Error(ErrorKind::invalid_input, "'" + options.dateFormat + "' is not a date format");
    std::unique_ptr<CSistemaCartera> own;
    const CSistemaCartera& ledger = options.ledger ? *options.ledger : *(own = LedgerOf(options));
    LocalDayCache days;  // the rows' dates repeat: each day's start is asked for once
    Statement out;
    out.format = std::string(kCarteraFormat);
    std::vector<COrderCartera>& movements = out.movements;
    movements.reserve(RowsAtMost(in));
    AdviseLargePages(movements);
    CsvReader reader(in);
    CsvRecord record;
    if (!NextRow(reader, &record)) throw Error(ErrorKind::invalid_input, "line 1: no header");
    const Columns headings(record.fields);
    const std::vector<int> columnOf = ReadHeader(record, headings);
    while (NextRow(reader, &record)) {
        if (record.fields.size() != headings.Size())
            FailRow(static_cast<size_t>(record.line),
                    "column " + std::to_string(std::min(record.fields.size(), headings.Size()) + 1),
                    std::to_string(record.fields.size()) + " fields where the header has " +
                        std::to_string(headings.Size()));
        if (movements.size() == movements.capacity()) {  // large pages for a large import
            movements.reserve(std::max<size_t>(1024, 2 * movements.size()));
            AdviseLargePages(movements);
        }
        movements.push_back(
            BuildRow(RowReader(record, columnOf, headings, options.dateFormat), ledger));
        out.movementLines.push_back(static_cast<size_t>(record.line));
    }
    return out;
}

// A buy's or sell's whole commission in its shortest form that the import, dividing it by the
// contracts, reads back as the stored commission a contract ("7", not 7.000000000000001).
std::string WholeCommission(const COrderCartera& m) {
    const double contracts = m.contracts.ToDouble(), total = m.commission * contracts;
    std::string text = DecimalText(total);
    double read = 0;
    return ReadNumber(text, kPlainNumber, &read) && read / contracts == m.commission
               ? text
               : FullNumberText(total);
}
}  // namespace

void ExportMovementsCsv(const CSistemaCartera& ledger, std::ostream& out) {
    WriteCsvRecord(out, {"date", "time", "type", "code", "symbol", "contracts", "price",
                         "commission", "group", "decimals", "currency", "rate", "terms"});
    for (const COrderCartera& m : ledger.GetOrders()) {
        std::string type = std::to_string(m.type);
        for (const auto& [name, t] : kTypeWords)
            if (t == m.type) type = name;
        bool execution = m.IsExecution();
        bool cash = !execution && m.type != kDividend && !m.IsAction();
        std::string contracts = cash ? "1" : m.contracts.Text();
        double price = cash ? MovementTotal(m) : m.price;
        std::string commission = execution ? WholeCommission(m) : "";
        // A movement in the portfolio's currency leaves currency and rate empty.
        const std::string rate = m.currency.empty() ? "" : FullNumberText(m.rate);
        WriteCsvRecord(out, {IsoDate(m.date), HnToHc(m.time), type, m.quoteCode, m.symbol,
                             contracts, FullNumberText(price), commission, m.group,
                             std::to_string(m.decimals), m.currency, rate, m.terms});
    }
}

extern const FormatEntry kFormat_cartera_csv{
    .name = kCarteraFormat,
    .description = "Cartera's own movements CSV (export PATH journal)",
    .order = 1000,
    .recognises = [](std::string_view) { return true; },
    .read = ReadCarteraCsv};

}  // namespace cartera::statements
