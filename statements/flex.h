#pragma once
// Interactive Brokers Flex statements: the XML and the CSV layouts share the fields (an
// XML attribute "buySell" is the CSV column "Buy/Sell") and how a record becomes rows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "statements/detect.h"
#include "statements/statement.h"
#include "text/columns.h"

namespace cartera::statements {

// The Flex fields the import reads; every other is ignored.
enum class FlexField : uint8_t {
    account,
    currency,
    fxRateToBase,
    conid,
    isin,
    assetCategory,
    symbol,
    description,
    tradeId,
    origTradeId,
    transactionId,
    tradeDate,
    tradeTime,
    dateTime,
    date,
    reportDate,
    settleDate,
    quantity,
    tradePrice,
    ibCommission,
    ibCommissionCurrency,
    multiplier,
    buySell,
    transactionType,
    levelOfDetail,
    fifoPnlRealized,
    amount,
    type,
    actionDescription,
    notes,
    count,
};

// The field an XML attribute or a CSV column stands for (names compared by their letters
// and digits, without case: "ClientAccountID" and "accountId" are both the account);
// nullopt for fields the import does not read.
std::optional<FlexField> FlexFieldOf(std::string_view name);

enum class FlexSection { trades, cash, corporate, other };

// One row of a Flex section, its values as the file writes them (views valid while the
// record is handled).
struct FlexRecord {
    FlexSection section = FlexSection::other;
    size_t line = 0;
    std::array<std::string_view, static_cast<size_t>(FlexField::count)> values{};
    std::string_view Get(FlexField f) const { return values[static_cast<size_t>(f)]; }
    void Set(FlexField f, std::string_view v) { values[static_cast<size_t>(f)] = v; }
};

// Adds what the record holds to the statement: an execution as a trade or a cancellation
// (order and summary rows are left out), a cash transaction as its kind of row, a
// corporate action as a note. Throws cartera::Error (invalid_input) naming the line and
// field of a value that cannot be read.
void AddFlexRecord(const FlexRecord& record, Statement* statement);
// Gives every security its quote code once all rows are read: the symbol when no other
// security of the statement shares it, else the symbol and the conid ("ABC@1234").
void AssignFlexCodes(Statement* statement);

// Finishes a statement of Flex records once all are read: refuses one whose file held
// sections of holdings (open positions, funds, net asset value; holdingsLine: the first
// line of them, 0 for none) and nothing the import reads, throwing cartera::Error
// (invalid_input) "line N: WHAT with open positions only, no trades: HOW"; else gives
// every security its quote code (AssignFlexCodes).
void FinishFlexStatement(Statement* statement, size_t holdingsLine, std::string_view what,
                         std::string_view how);

// A date as the Flex settings may write it: yyyyMMdd, yyyy-MM-dd, MM/dd/yyyy, MM/dd/yy,
// dd-MMM-yy or dd-MMM-yyyy, with an optional time after ';', ',' or a blank (HHmmss,
// HH:mm:ss or HH:mm). False for anything else, dd/MM dates included (they cannot be told
// from MM/dd).
bool ParseFlexDateTime(std::string_view text, int32_t* date, int32_t* time);

// The column of a field in a CSV header row (headings compared by their letters and digits),
// under any of its names; nullopt when the header has none.
std::optional<size_t> FlexColumn(const Columns& header, FlexField f);

}  // namespace cartera::statements
