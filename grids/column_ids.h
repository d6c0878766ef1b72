#pragma once
// The columns of the portfolio grids, named by the string id of their heading: a column's id
// is its heading's id, and saved layouts store it.
namespace cartera::column {

// The movements grid.
constexpr int kType = 3381;
constexpr int kDate = 3382;
constexpr int kTime = 3383;
constexpr int kSymbol = 3384;
constexpr int kContracts = 3385;
constexpr int kPrice = 3386;
constexpr int kCommissions = 3387;
constexpr int kGuarantee = 3388;
constexpr int kPointValue = 3389;
constexpr int kGroup = 3390;
constexpr int kTotal = 3395;
constexpr int kBalance = 3401;

// The open and closed trades grids (which show kType too).
constexpr int kEntryDate = 3424;
constexpr int kExitDate = 3425;
constexpr int kEntryTime = 3426;
constexpr int kExitTime = 3427;
constexpr int kTradeSymbol = 3428;
constexpr int kTradeContracts = 3429;
constexpr int kEntryPrice = 3430;
constexpr int kExitPrice = 3431;
constexpr int kTradeCommission = 3432;
constexpr int kEntryTotal = 3433;
constexpr int kExitTotal = 3434;
constexpr int kProfit = 3435;
constexpr int kPercentage = 3436;
constexpr int kWarranty = 3437;
constexpr int kTradePointValue = 3438;
constexpr int kTradeGroup = 3439;

// Every grid's currency columns, shown once a row is in a currency other than the
// portfolio's: the movement's or trade's currency, a movement's rate, a trade's rates at entry
// and exit and its result in the portfolio's currency with the result's two parts.
constexpr int kCurrency = 45000;
constexpr int kRate = 45001;
constexpr int kEntryRate = 45002;
constexpr int kExitRate = 45003;
constexpr int kBaseProfit = 45004;
constexpr int kPricePart = 45005;
constexpr int kExchangePart = 45006;

}  // namespace cartera::column
