// How a Flex record becomes statement rows: executions, cash transactions, corporate actions.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <unordered_map>

#include "host/dates.h"
#include "host/error.h"
#include "host/strings.h"
#include "model/exchange.h"
#include "statements/actions.h"
#include "statements/flex.h"
#include "statements/reading.h"
#include "text/date.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

constexpr std::pair<std::string_view, FlexField> kNames[] = {
    {"accountid", FlexField::account},
    {"clientaccountid", FlexField::account},
    {"currency", FlexField::currency},
    {"currencyprimary", FlexField::currency},
    {"fxratetobase", FlexField::fxRateToBase},
    {"conid", FlexField::conid},
    {"isin", FlexField::isin},
    {"assetcategory", FlexField::assetCategory},
    {"assetclass", FlexField::assetCategory},
    {"symbol", FlexField::symbol},
    {"description", FlexField::description},
    {"tradeid", FlexField::tradeId},
    {"origtradeid", FlexField::origTradeId},
    {"transactionid", FlexField::transactionId},
    {"tradedate", FlexField::tradeDate},
    {"tradetime", FlexField::tradeTime},
    {"datetime", FlexField::dateTime},
    {"date", FlexField::date},
    {"reportdate", FlexField::reportDate},
    {"settledate", FlexField::settleDate},
    {"quantity", FlexField::quantity},
    {"tradeprice", FlexField::tradePrice},
    {"ibcommission", FlexField::ibCommission},
    {"ibcommissioncurrency", FlexField::ibCommissionCurrency},
    {"multiplier", FlexField::multiplier},
    {"buysell", FlexField::buySell},
    {"transactiontype", FlexField::transactionType},
    {"levelofdetail", FlexField::levelOfDetail},
    {"fifopnlrealized", FlexField::fifoPnlRealized},
    {"amount", FlexField::amount},
    {"type", FlexField::type},
    {"actiondescription", FlexField::actionDescription},
    {"notes", FlexField::notes},
    {"notescodes", FlexField::notes},
};

// The CSV column heading or XML attribute name of a field, for messages.
std::string_view FieldName(FlexField f) {
    for (const auto& [name, field] : kNames)
        if (field == f) return name;
    return "field";
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           }) != text.end();
}

double Number(const FlexRecord& r, FlexField f, double absent) {
    std::string_view text = Trim(r.Get(f));
    if (text.empty()) return absent;
    double v = 0;
    if (!ReadNumber(text, kDecimalNumber, &v))
        FailRow(r.line, FieldName(f), "\"" + std::string(text) + "\" is not a number");
    return v;
}

double RequiredNumber(const FlexRecord& r, FlexField f) {
    if (Trim(r.Get(f)).empty()) FailRow(r.line, FieldName(f), "missing");
    return Number(r, f, 0);
}

// The row's date and time: the first of the fields given that holds one; a trade date
// takes its trade time.
void ReadWhen(const FlexRecord& r, std::initializer_list<FlexField> dates, StatementRow* row) {
    for (FlexField f : dates) {
        std::string_view text = Trim(r.Get(f));
        if (text.empty()) continue;
        if (!ParseFlexDateTime(text, &row->date, &row->time))
            FailRow(r.line, FieldName(f), "\"" + std::string(text) + "\" is not a date");
        std::string_view time = Trim(r.Get(FlexField::tradeTime));
        if (f == FlexField::tradeDate && !time.empty() &&
            !ReadTime(time, TimeForm::either, &row->time))
            FailRow(r.line, "tradetime", "\"" + std::string(time) + "\" is not a time");
        return;
    }
    FailRow(r.line, FieldName(*dates.begin()), "missing");
}

StatementRow CommonRow(const FlexRecord& r) {
    StatementRow row;
    row.line = r.line;
    row.account = Trim(r.Get(FlexField::account));
    row.currency = Trim(r.Get(FlexField::currency));
    row.fxRate = Number(r, FlexField::fxRateToBase, 0);
    if (row.fxRate < 0) FailRow(r.line, "fxratetobase", "a rate below 0");
    row.symbol = Trim(r.Get(FlexField::symbol));
    row.security = Trim(r.Get(FlexField::conid));
    if (row.security.empty()) row.security = Trim(r.Get(FlexField::isin));
    if (row.security.empty()) row.security = row.symbol;
    row.description = Trim(r.Get(FlexField::description));
    return row;
}

bool IsCancel(const FlexRecord& r) {
    if (ContainsNoCase(r.Get(FlexField::buySell), "(Ca.)")) return true;
    if (EqualsNoCase(Trim(r.Get(FlexField::transactionType)), "TradeCancel")) return true;
    std::string_view notes = r.Get(FlexField::notes);  // codes separated by ';'
    while (!notes.empty()) {
        size_t end = notes.find(';');
        if (EqualsNoCase(Trim(notes.substr(0, end)), "Ca")) return true;
        notes = end == std::string_view::npos ? std::string_view() : notes.substr(end + 1);
    }
    return false;
}

// A currency bought with another: asset category CASH ("Forex" in the Activity Statement),
// or without a category a symbol of two currency codes ("EUR.USD").
bool IsCurrencyExchange(const FlexRecord& r) {
    const std::string_view category = Trim(r.Get(FlexField::assetCategory));
    const std::string_view symbol = Trim(r.Get(FlexField::symbol));
    if (!category.empty()) return EqualsNoCase(category, "CASH") || EqualsNoCase(category, "Forex");
    return symbol.size() == 7 && symbol[3] == '.' && IsCurrencyCode(symbol.substr(0, 3)) &&
           IsCurrencyCode(symbol.substr(4));
}

// A trade of a currency pair "EUR.USD": buying 1000 at 1.09 is 1000 EUR bought with 1090
// USD, selling them the other way round; its commission, which IB charges in the account's
// base currency unless it names another, an expense. A pair not written so, or a cancelled
// trade, stays a note.
void AddForex(const FlexRecord& r, Statement* s) {
    const std::string_view symbol = Trim(r.Get(FlexField::symbol));
    const bool pair = symbol.size() == 7 && symbol[3] == '.' &&
                      IsCurrencyCode(symbol.substr(0, 3)) && IsCurrencyCode(symbol.substr(4));
    if (!pair || IsCancel(r)) {
        s->notes.push_back({r.line, "currency exchange " + std::string(symbol) + " of " +
                                        std::string(Trim(r.Get(FlexField::quantity))) + " at " +
                                        std::string(Trim(r.Get(FlexField::tradePrice))) +
                                        " not imported: not a currency pair bought or sold"});
        return;
    }
    StatementRow row = CommonRow(r);
    ReadWhen(r, {FlexField::tradeDate, FlexField::dateTime, FlexField::date}, &row);
    row.id = Trim(r.Get(FlexField::tradeId));
    if (row.id.empty()) row.id = Trim(r.Get(FlexField::transactionId));
    const double quantity = RequiredNumber(r, FlexField::quantity);
    const double price = RequiredNumber(r, FlexField::tradePrice);
    if (quantity == 0 || !(price > 0)) FailRow(r.line, "quantity", "not a currency exchange");
    // The rate to base is the quote currency's: the base currency's is it times the price.
    const CurrencyAmount base{std::string(symbol.substr(0, 3)), std::fabs(quantity)},
        quote{std::string(symbol.substr(4)), Tidy(std::fabs(quantity) * price)};
    const bool buy = quantity > 0;
    row.kind = RowKind::exchange;
    row.currency = buy ? base.currency : quote.currency;
    row.amount = buy ? base.amount : quote.amount;
    row.soldCurrency = buy ? quote.currency : base.currency;
    row.soldAmount = buy ? quote.amount : base.amount;
    if (buy) row.fxRate *= price;
    const double commission = 0 - Number(r, FlexField::ibCommission, 0);
    s->rows.push_back(row);
    if (commission == 0) return;
    row.kind = RowKind::expense;
    row.amount = commission;
    row.currency = Trim(r.Get(FlexField::ibCommissionCurrency));
    row.fxRate = 0;
    row.soldCurrency.clear();
    row.soldAmount = 0;
    row.description = "Commission " + std::string(symbol);
    if (!row.id.empty()) row.id += "/commission";
    s->rows.push_back(std::move(row));
}

void AddTrade(const FlexRecord& r, Statement* s) {
    std::string_view detail = Trim(r.Get(FlexField::levelOfDetail));
    if (!detail.empty() && !EqualsNoCase(detail, "EXECUTION")) return;
    if (IsCurrencyExchange(r)) return AddForex(r, s);
    StatementRow row = CommonRow(r);
    if (row.security.empty()) FailRow(r.line, "symbol", "missing");
    if (Trim(r.Get(FlexField::quantity)).empty()) FailRow(r.line, "quantity", "missing");
    const Quantity quantity =
        *ReadRowQuantity(r.line, "quantity", r.Get(FlexField::quantity), kDecimalNumber);
    if (quantity == 0) FailRow(r.line, "quantity", "0 is not a trade");
    row.price = RequiredNumber(r, FlexField::tradePrice);
    row.commission = 0 - Number(r, FlexField::ibCommission, 0);  // +0 for none
    row.multiplier = Number(r, FlexField::multiplier, 1);
    if (row.multiplier <= 0) FailRow(r.line, "multiplier", "must be above 0");
    row.realized = Number(r, FlexField::fifoPnlRealized, 0);
    ReadWhen(r, {FlexField::tradeDate, FlexField::dateTime, FlexField::date}, &row);
    row.quantity = Magnitude(quantity);
    row.id = Trim(r.Get(FlexField::tradeId));
    if (row.id.empty()) row.id = Trim(r.Get(FlexField::transactionId));
    std::string_view side = Trim(r.Get(FlexField::buySell));
    if (IsCancel(r)) {
        row.kind = RowKind::cancel;
        row.cancels = Trim(r.Get(FlexField::origTradeId));
        // "BUY (Ca.)" cancels a buy; without the side, a cancellation reverses the sign.
        row.buy = side.empty() ? quantity < 0 : EqualsNoCase(side.substr(0, 3), "BUY");
    } else {
        row.buy = quantity > 0;
        if ((EqualsNoCase(side, "BUY") && !row.buy) || (EqualsNoCase(side, "SELL") && row.buy))
            FailRow(r.line, "quantity", "its sign does not match " + std::string(side));
    }
    s->rows.push_back(std::move(row));
}

// The per-share rate in a dividend's description: "... USD 0.24 PER SHARE ...".
double DividendRate(std::string_view text) {
    size_t at = 0;
    for (std::string_view key : {" PER SHARE", " per share", " per Share"}) {
        at = text.find(key);
        if (at != std::string_view::npos) break;
    }
    if (at == std::string_view::npos || at == 0) return 0;
    size_t start = text.rfind(' ', at - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    double rate = 0;
    return ReadNumber(text.substr(start, at - start), kDecimalNumber, &rate) && rate > 0 ? rate : 0;
}

void AddDividend(StatementRow row, double amount, Statement* s) {
    if (amount < 0) {  // a reversal takes the dividend back
        row.kind = RowKind::expense;
        row.amount = -amount;
        s->rows.push_back(std::move(row));
        return;
    }
    row.kind = RowKind::dividend;
    row.amount = amount;
    const double rate = DividendRate(row.description);
    const double shares = rate > 0 ? std::round(amount / rate) : 0;
    // The rate stands only when shares x rate gives the amount back to the cent; below 2^53
    // the count of shares is exact.
    if (shares >= 1 && shares < 0x1p53 && std::fabs(shares * rate - amount) < 0.005) {
        row.rate = rate;
        row.quantity = static_cast<int64_t>(shares);
    }
    s->rows.push_back(std::move(row));
}

void AddCash(const FlexRecord& r, Statement* s) {
    std::string_view detail = Trim(r.Get(FlexField::levelOfDetail));
    if (EqualsNoCase(detail, "SUMMARY")) return;
    StatementRow row = CommonRow(r);
    const double amount = RequiredNumber(r, FlexField::amount);
    ReadWhen(r,
             {FlexField::dateTime, FlexField::date, FlexField::reportDate, FlexField::settleDate},
             &row);
    row.id = Trim(r.Get(FlexField::transactionId));
    const std::string type(Trim(r.Get(FlexField::type)));
    if (ContainsNoCase(type, "Dividend")) return AddDividend(std::move(row), amount, s);
    if (row.description.empty()) row.description = type;
    if (EqualsNoCase(type, "Deposits/Withdrawals") ||
        EqualsNoCase(type, "Deposits & Withdrawals")) {
        row.kind = amount >= 0 ? RowKind::imposition : RowKind::refund;
        row.amount = std::fabs(amount);
    } else if (ContainsNoCase(type, "Interest") && amount > 0) {
        row.kind = RowKind::income;
        row.amount = amount;
    } else if (ContainsNoCase(type, "Withholding") || ContainsNoCase(type, "Fees") ||
               ContainsNoCase(type, "Commission Adjustment") || ContainsNoCase(type, "Interest")) {
        row.kind = RowKind::expense;  // charged below 0; a refund (above 0) reduces it
        row.amount = -amount;
    } else {
        s->notes.push_back({r.line, "cash transaction \"" + type + "\" of " +
                                        std::string(Trim(r.Get(FlexField::amount))) +
                                        " not imported: enter it by hand"});
        return;
    }
    s->rows.push_back(std::move(row));
}

void AddCorporateAction(const FlexRecord& r, Statement* s) {
    std::string_view detail = Trim(r.Get(FlexField::levelOfDetail));
    if (!detail.empty() && !EqualsNoCase(detail, "DETAIL")) return;
    StatementRow row = CommonRow(r);
    std::string when = "undated";
    try {
        ReadWhen(r, {FlexField::dateTime, FlexField::reportDate, FlexField::date}, &row);
        when = IsoDate(row.date);
    } catch (const std::exception&) {  // an unreadable date is still worth reporting
    }
    std::string what(Trim(r.Get(FlexField::actionDescription)));
    if (what.empty()) what = row.description;
    std::string type(Trim(r.Get(FlexField::type)));
    if (row.date == 0) {
        s->notes.push_back({r.line, when + " " + row.symbol + ": corporate action " +
                                        (type.empty() ? "" : type + " ") + "(" + what +
                                        ") not applied: enter it by hand"});
        return;
    }
    for (std::string_view codes = r.Get(FlexField::notes); !codes.empty();) {
        const size_t end = std::min(codes.find(';'), codes.size());
        if (Trim(codes.substr(0, end)) == "Ca") return;  // cancelled
        codes.remove_prefix(std::min(end + 1, codes.size()));
    }
    // Read as it stands; the rows of one action are netted once all are read.
    row.kind = RowKind::action;
    row.actionCode = type;
    row.description = what;
    if (auto q = ReadRowQuantity(r.line, "quantity", r.Get(FlexField::quantity), kDecimalNumber))
        row.quantity = *q;
    row.amount = Number(r, FlexField::amount, 0);
    row.realized = Number(r, FlexField::fifoPnlRealized, 0);
    s->rows.push_back(std::move(row));
}

// The date forms the Flex settings offer; dd/MM cannot be told from MM/dd and is not one.
bool ParseFlexDate(std::string_view text, int32_t* date) {
    for (std::string_view pattern :
         {"YYYYMMDD", "YYYY-MM-DD", "M/D/YYYY", "M/D/YY", "D-MMM-YY", "D-MMM-YYYY"})
        if (ReadDate(text, pattern, date)) return true;
    return false;
}

}  // namespace

bool ParseFlexDateTime(std::string_view text, int32_t* date, int32_t* time) {
    text = Trim(text);
    size_t cut = text.find_first_of(";, ");
    int32_t t = 0;
    if (cut != std::string_view::npos) {
        std::string_view rest = Trim(text.substr(cut + 1));
        if (!rest.empty() && (rest.front() == ',' || rest.front() == ';'))
            rest = Trim(rest.substr(1));
        if (!ReadTime(rest, TimeForm::either, &t)) return false;
        text = text.substr(0, cut);
    }
    if (!ParseFlexDate(text, date)) return false;
    *time = t;
    return true;
}

std::optional<FlexField> FlexFieldOf(std::string_view name) {
    const std::string key = HeadingKey(name, HeadingMatch::lettersAndDigits);
    for (const auto& [n, field] : kNames)
        if (n == key) return field;
    return std::nullopt;
}

std::optional<size_t> FlexColumn(const Columns& header, FlexField f) {
    std::optional<size_t> first;
    for (const auto& [name, field] : kNames) {
        if (field != f) continue;
        const std::optional<size_t> at = header.Find(name);
        if (at && (!first || *at < *first)) first = at;
    }
    return first;
}

void AddFlexRecord(const FlexRecord& record, Statement* statement) {
    const size_t from = statement->rows.size();
    switch (record.section) {
        case FlexSection::trades:
            AddTrade(record, statement);
            break;
        case FlexSection::cash:
            AddCash(record, statement);
            break;
        case FlexSection::corporate:
            AddCorporateAction(record, statement);
            break;
        case FlexSection::other:
            break;
    }
    CheckRowTexts(*statement, from);
}

void FinishFlexStatement(Statement* statement, size_t holdingsLine, std::string_view what,
                         std::string_view how) {
    if (holdingsLine > 0 && statement->rows.empty() && statement->notes.empty())
        throw Error(ErrorKind::invalid_input,
                    "line " + std::to_string(holdingsLine) + ": " + std::string(what) +
                        " with open positions only, no trades: " + std::string(how));
    NetFlexActions(statement);
    AssignFlexCodes(statement);
}

void AssignFlexCodes(Statement* statement) {
    std::unordered_map<std::string, std::set<std::string>> securitiesOf;
    for (const StatementRow& row : statement->rows) {
        if (!row.symbol.empty()) securitiesOf[row.symbol].insert(row.security);
        if (!row.newSymbol.empty()) securitiesOf[row.newSymbol].insert(row.newSecurity);
    }
    auto code = [&](const std::string& symbol, const std::string& security) {
        return securitiesOf[symbol].size() > 1 ? symbol + "@" + security : symbol;
    };
    for (StatementRow& row : statement->rows) {
        if (!row.symbol.empty()) row.code = code(row.symbol, row.security);
        if (!row.newSymbol.empty()) row.newCode = code(row.newSymbol, row.newSecurity);
    }
}

}  // namespace cartera::statements
