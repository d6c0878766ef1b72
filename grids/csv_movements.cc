// Movements from and to CSV, through the entry pages' rules.
#include <algorithm>
#include <array>
#include <charconv>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>

#include "grids/column_ids.h"
#include "grids/csv.h"
#include "host/dates.h"
#include "host/memory.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/entry.h"
#include "model/sistema.h"

namespace cartera {
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
    kFieldCount,
    kIgnored = -1,
    kUnknown = -2
};

constexpr std::array<const char*, kFieldCount> kFieldNames = {
    "date",  "time",       "type",     "code",  "symbol",  "contracts",
    "price", "commission", "schedule", "group", "decimals"};

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
                                                      {"refund", kRefund}};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int FieldOfHeading(const std::string& heading) {
    std::string name = Lower(Trim(heading));
    for (int f = 0; f < kFieldCount; ++f)
        if (name == kFieldNames[f]) return f;
    for (const auto& [id, field] : kHeadingFields)
        if (name == Lower(::LS(id))) return field;
    return kUnknown;
}

// Whether text is word (lower case) in any case.
bool IsWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

std::optional<int32_t> TypeOf(const std::string& text) {
    for (const auto& [name, type] : kTypeWords)
        if (IsWord(Trim(text), name)) return type;
    std::string word = Lower(Trim(text));
    for (int32_t type = kBuy; type <= kSell; ++type)
        if (word == Lower(::LS(MovementTypeLetterId(type)))) return type;
    return std::nullopt;
}

// One data row being turned into a movement; Fail records the first error.
class RowReader {
  public:
    RowReader(const CsvRecord& record, const std::vector<int>& columnOf,
              const std::vector<std::string>& headings, std::string_view dateFormat)
        : m_record(record), m_columnOf(columnOf), m_headings(headings), m_dateFormat(dateFormat) {}

    std::string_view DateFormat() const { return m_dateFormat; }

    bool Has(int field) const { return !Get(field).empty(); }
    const std::string& Get(int field) const {
        static const std::string none;
        int col = m_columnOf[field];
        return col < 0 ? none : m_record.fields[col];
    }
    bool Fail(int field, const std::string& message, std::string* error) const {
        int col = m_columnOf[field];
        std::string name =
            col < 0 ? std::string(kFieldNames[field]) : std::string(Trim(m_headings[col]));
        *error = "line " + std::to_string(m_record.line) + ", column " + name + ": " + message;
        return false;
    }
    bool Number(int field, double* out, std::string* error) const {
        if (!ParsePlainNumber(Get(field), out))
            return Fail(field, "'" + Get(field) + "' is not a number", error);
        return true;
    }
    bool Whole(int field, int32_t min, int32_t* out, std::string* error) const {
        if (!ParseWholeNumber(Get(field), out) || *out < min)
            return Fail(
                field,
                "'" + Get(field) + "' is not a whole number of at least " + std::to_string(min),
                error);
        return true;
    }

  private:
    const CsvRecord& m_record;
    const std::vector<int>& m_columnOf;
    const std::vector<std::string>& m_headings;
    std::string_view m_dateFormat;
};

bool ReadWhen(const RowReader& r, std::time_t* when, std::string* error) {
    int32_t fn = 0, hn = 0;
    if (!ParseDateFormat(Trim(r.Get(kDate)), r.DateFormat(), &fn))
        return r.Fail(
            kDate, "'" + r.Get(kDate) + "' is not a date as " + std::string(r.DateFormat()), error);
    if (r.Has(kTime) && !ParseTimeText(Trim(r.Get(kTime)), &hn))
        return r.Fail(kTime, "'" + r.Get(kTime) + "' is not a time of day", error);
    *when = CTimeLong::GetTime(fn, hn);
    return true;
}

bool BuildExecution(const RowReader& r, const CSistemaCartera& ledger, int32_t type,
                    std::time_t when, COrderCartera* out, std::string* error) {
    const CAdmComisiones& adm = *ledger.GetAdmComisiones();
    BuySellPage p;
    p.buy = type == kBuy;
    p.pageDecimals = 2;
    p.code = r.Has(kCode) ? r.Get(kCode) : r.Get(kSymbol);
    p.symbol = r.Has(kSymbol) ? r.Get(kSymbol) : p.code;
    int32_t contracts = 0, decimals = 2;
    double price = 0, commission = 0;
    if (p.code.empty()) return r.Fail(kCode, "a buy or sell needs a code", error);
    if (!r.Whole(kContracts, 1, &contracts, error) || !r.Number(kPrice, &price, error))
        return false;
    if (r.Has(kDecimals) && (!r.Whole(kDecimals, 0, &decimals, error) || decimals > 15))
        return r.Fail(kDecimals, "decimals go from 0 to 15", error);
    p.symbolDecimals = decimals;
    p.contractsText = std::to_string(contracts);
    p.priceText = FullNumberText(price);
    if (r.Has(kCommission) && r.Has(kSchedule))
        return r.Fail(kSchedule, "give a commission or a schedule, not both", error);
    if (r.Has(kCommission)) {
        if (!r.Number(kCommission, &commission, error)) return false;
        p.schedule.reset();
        p.commissionText = FullNumberText(commission);
    } else if (r.Has(kSchedule)) {
        p.schedule = SelectByPrefix(ScheduleListItems(adm), r.Get(kSchedule));
        if (!p.schedule)
            return r.Fail(kSchedule, "no schedule begins with '" + r.Get(kSchedule) + "'", error);
    } else {
        p.schedule = DefaultScheduleItem(adm);
    }
    p.group = r.Get(kGroup);
    p.when = when;
    std::optional<COrderCartera> m = BuildBuySell(ledger, p);
    if (!m) return r.Fail(kContracts, "contracts must be at least 1", error);
    *out = *m;
    return true;
}

bool BuildMovement(const RowReader& r, const CSistemaCartera& ledger, COrderCartera* out,
                   std::string* error) {
    std::optional<int32_t> type = TypeOf(r.Get(kType));
    if (!type) return r.Fail(kType, "'" + r.Get(kType) + "' is not a movement type", error);
    std::time_t when = 0;
    if (!ReadWhen(r, &when, error)) return false;
    if (*type == kBuy || *type == kSell) return BuildExecution(r, ledger, *type, when, out, error);
    double price = 0;
    if (!r.Number(kPrice, &price, error)) return false;
    if (*type != kDividend) {
        std::string description = r.Has(kSymbol) ? r.Get(kSymbol) : r.Get(kCode);
        *out = BuildCashMovement(*type, description, price, when);
        return true;
    }
    int32_t shares = 0, decimals = 2;
    if (!r.Whole(kContracts, 0, &shares, error)) return false;
    if (r.Has(kDecimals) && (!r.Whole(kDecimals, 0, &decimals, error) || decimals > 15))
        return r.Fail(kDecimals, "decimals go from 0 to 15", error);
    std::string code = r.Has(kCode) ? r.Get(kCode) : r.Get(kSymbol);
    std::string symbol = r.Has(kSymbol) ? r.Get(kSymbol) : code;
    *out = BuildDividend(symbol, code, decimals, shares, price, r.Get(kGroup), when);
    return true;
}

// The row's movement, within the bounds entry keeps to.
bool BuildRow(const RowReader& r, const CSistemaCartera& ledger, COrderCartera* out,
              std::string* error) {
    if (!BuildMovement(r, ledger, out, error)) return false;
    const EntryRefusal refusal = CheckEntryBounds(*out);
    switch (refusal.field) {
        case EntryField::none:
            return true;
        case EntryField::contracts:
            return r.Fail(kContracts, refusal.message, error);
        case EntryField::commission:
            return r.Fail(kCommission, refusal.message, error);
        case EntryField::price:
        case EntryField::amount:
            break;
    }
    return r.Fail(kPrice, refusal.message, error);
}

// Maps the header's columns to fields; false with *error on an unknown, repeated or
// missing column.
bool ReadHeader(const CsvRecord& header, std::vector<int>* columnOf, std::string* error) {
    columnOf->assign(kFieldCount, -1);
    auto at = [&](size_t col) {
        return "line " + std::to_string(header.line) + ", column " + std::to_string(col + 1);
    };
    for (size_t col = 0; col < header.fields.size(); ++col) {
        int field = FieldOfHeading(header.fields[col]);
        if (field == kIgnored) continue;
        if (field == kUnknown) {
            *error = at(col) + ": unknown column '" + header.fields[col] + "'";
            return false;
        }
        if ((*columnOf)[field] >= 0) {
            *error = at(col) + ": column '" + header.fields[col] + "' given twice";
            return false;
        }
        (*columnOf)[field] = static_cast<int>(col);
    }
    for (int field : {kDate, kType, kContracts, kPrice}) {
        if ((*columnOf)[field] < 0) {
            *error = "line " + std::to_string(header.line) + ", column " + kFieldNames[field] +
                     ": missing from the header";
            return false;
        }
    }
    if ((*columnOf)[kCode] < 0 && (*columnOf)[kSymbol] < 0) {
        *error = "line " + std::to_string(header.line) + ", column code: missing from the header";
        return false;
    }
    return true;
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

bool IsBlank(const CsvRecord& record) {
    return record.fields.size() == 1 && Trim(record.fields[0]).empty();
}

bool ReadMovements(std::istream& in, const CSistemaCartera& ledger, std::vector<COrderCartera>* out,
                   std::string* error, std::string_view dateFormat, size_t maxRecordBytes) {
    LocalDayCache days;  // the rows' dates repeat: each day's start is asked for once
    const size_t rows = RowsAtMost(in);
    CsvReader reader(in, maxRecordBytes);
    CsvError csvError;
    CsvRecord record;
    auto next = [&] {  // the next record that is not blank
        while (reader.Next(&record, &csvError))
            if (!IsBlank(record)) return true;
        return false;
    };
    auto failed = [&] {
        if (csvError.message.empty()) return false;
        *error = "line " + std::to_string(csvError.line) + ", column " +
                 std::to_string(csvError.column) + ": " + csvError.message;
        return true;
    };
    if (!ValidDateFormat(dateFormat)) {
        *error = "'" + std::string(dateFormat) + "' is not a date format";
        return false;
    }
    if (!next()) {
        if (!failed()) *error = "line 1: no header";
        return false;
    }
    std::vector<int> columnOf;
    if (!ReadHeader(record, &columnOf, error)) return false;
    const std::vector<std::string> headings = record.fields;

    std::vector<COrderCartera> movements;
    movements.reserve(rows);
    AdviseLargePages(movements);
    while (next()) {
        if (record.fields.size() != headings.size()) {
            *error = "line " + std::to_string(record.line) + ", column " +
                     std::to_string(std::min(record.fields.size(), headings.size()) + 1) + ": " +
                     std::to_string(record.fields.size()) + " fields where the header has " +
                     std::to_string(headings.size());
            return false;
        }
        COrderCartera m;
        if (!BuildRow(RowReader(record, columnOf, headings, dateFormat), ledger, &m, error))
            return false;
        if (movements.size() == movements.capacity()) {  // large pages for a large import
            movements.reserve(std::max<size_t>(1024, 2 * movements.size()));
            AdviseLargePages(movements);
        }
        movements.push_back(m);
    }
    if (failed()) return false;
    if (out->empty())
        out->swap(movements);
    else
        out->insert(out->end(), std::make_move_iterator(movements.begin()),
                    std::make_move_iterator(movements.end()));
    return true;
}

}  // namespace

Status ParseMovementsCsv(std::istream& in, const CSistemaCartera& ledger,
                         std::vector<COrderCartera>* out, std::string_view dateFormat,
                         size_t maxRecordBytes) {
    std::string error;
    if (ReadMovements(in, ledger, out, &error, dateFormat, maxRecordBytes)) return {};
    return Status(ErrorKind::invalid_input, error);
}

namespace {
// A buy's or sell's whole commission in its shortest form that the import, dividing it by the
// contracts, reads back as the stored commission a contract ("7", not 7.000000000000001).
std::string WholeCommission(const COrderCartera& m) {
    const double total = m.commission * m.contracts;
    std::string text = DecimalText(total);
    double read = 0;
    return ParsePlainNumber(text, &read) && read / m.contracts == m.commission
               ? text
               : FullNumberText(total);
}
}  // namespace

void ExportMovementsCsv(const CSistemaCartera& ledger, std::ostream& out) {
    WriteCsvRecord(out, {"date", "time", "type", "code", "symbol", "contracts", "price",
                         "commission", "group", "decimals"});
    for (const COrderCartera& m : ledger.GetOrders()) {
        std::string type = std::to_string(m.type);
        for (const auto& [name, t] : kTypeWords)
            if (t == m.type) type = name;
        bool execution = m.IsExecution();
        bool cash = !execution && m.type != kDividend;
        std::string contracts = cash ? "1" : std::to_string(m.contracts);
        double price = cash ? MovementTotal(m) : m.price;
        std::string commission = execution ? WholeCommission(m) : "";
        WriteCsvRecord(out,
                       {IsoDate(m.date), HnToHc(m.time), type, m.quoteCode, m.symbol, contracts,
                        FullNumberText(price), commission, m.group, std::to_string(m.decimals)});
    }
}

}  // namespace cartera
