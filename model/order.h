#pragma once
// The movement record: one line of a portfolio's journal. A plain copyable value.
#include <cstdint>
#include <string>
#include <vector>

#include "host/quantity.h"
#include "model/pooled_text.h"

class CArchive;

// Movement types.
enum MovementType : int32_t {
    kBuy = 0,
    kDividend = 1,
    kExpense = 2,
    kImposition = 3,
    kDeposit = 4,
    kRefund = 5,
    kSell = 6,
    kExchange = 7,  // cash from one currency into another (model/exchange.h)
    // Corporate actions (model/action.h) from 8 on.
    kSplit = 8,           // split or reverse split of the security
    kRename = 9,          // symbol or ISIN change: the position goes on under the new code
    kStockDividend = 10,  // new shares at no cost, dated the action's
    kSpinOff = 11,        // a new security's lots split off the parent's, with a share of cost
    kMerger = 12,         // the old lots become the new security's by the ratio
};

inline constexpr uint64_t kNoId = ~uint64_t{0};

// The order record movements and trades share. The portfolio keeps only the fields it
// reads or stores; the order record's other fields play no part in it. Fields are grouped
// by size and there is no virtual table, so a movement stays small (a journal holds
// millions) and is copied as plain bytes.
class COrderC {
  public:
    COrderC() = default;
    COrderC(const COrderC&) = default;
    COrderC(COrderC&&) noexcept = default;
    COrderC& operator=(const COrderC&) = default;
    COrderC& operator=(COrderC&&) noexcept = default;
    ~COrderC() = default;

    uint64_t id = kNoId;      // identity inside the portfolio
    double price = 0.0;       // per share; for cash movements the amount per unit
    double pointValue = 0.0;  // value of one price point per share
    double guarantee = 0.0;
    double balance = 0.0;         // capital after the movement (buy/sell page only); not stored
    cartera::Quantity contracts;  // shares, exact; for cash movements the multiplier of the price
    int32_t orderType = 0;        // not interpreted; stored
    int32_t storedWord = 0;   // not interpreted; stored (the entry pages set 0), copied into trades
    int32_t carriedWord = 0;  // not interpreted; stored, copied into trades
    int32_t date = 0;         // date number
    int32_t time = 0;         // time number
    int32_t type = -1;        // MovementType
    PooledText orderText;     // not interpreted; stored, copied into trades
    PooledText quoteCode;     // market-data code; key of matching and registration
    PooledText group;
    PooledText symbol;      // display name
    uint8_t closing = 0;    // 1 from every entry page and every load
    uint8_t buy = 0;        // 1 for a buy: decides the side in matching
    uint8_t decimals = 2;   // decimals for showing amounts
    char instrument = 'V';  // instrument letter; copied into trades
};

class COrderCartera : public COrderC {
  public:
    // A corporate action's terms as canonical text (model/action.h), an exchange's sold side
    // (model/exchange.h); empty for every other movement. First, so it takes the base's tail
    // padding and the record does not grow.
    PooledText terms;
    double commission = 0.0;  // commission per contract
    int32_t reserved = -1;    // carried and stored, never interpreted
    PooledText schedule;      // commission schedule the movement was priced with
    PooledText currency;      // ISO 4217 code; empty: the portfolio's currency
    double rate = 1.0;        // portfolio currency per unit of `currency` on the movement's date

    // 1 for buys and sells (types 0 and 6), the movements that make trades.
    int IsExecution() const { return type == kBuy || type == kSell; }
    // 1 for a corporate action (types 8 to 12): it changes the lots open before it.
    int IsAction() const { return type >= kSplit && type <= kMerger; }
    // Whether the movement keeps terms, stored where a schedule is: an action and an exchange.
    int HasTerms() const { return IsAction() || type == kExchange; }
    // 1 for a dividend on no shares or a negative number of them: entry refuses it, a file
    // may hold one from before; its amount counts as 0.
    int IsSharelessDividend() const { return type == kDividend && contracts <= 0; }

    // The short record of the legacy extension block: id low 32 bits, reserved,
    // commission per contract, schedule. Loading sets the id's high half to 0.
    void Serialize(CArchive& ar);
};

using CArrayOrders = std::vector<COrderCartera>;

namespace cartera {
// The file version from which a movement's quantity is stored exactly: a whole quantity the
// main record's 32-bit count holds is stored there alone; any other is marked there and its
// 1e-10 units follow its extension record (zigzag, 7 bits a byte). Earlier versions hold
// whole counts only.
inline constexpr int kExactQuantitySchema = 4;
// Whether ar's records are of that version or later.
bool HoldsExactQuantities(const CArchive& ar);

// Reads one main movement record of the portfolio file body; the two flags are set as
// loading sets them (closing 1, buy 1 exactly for type 0) and the id is sign-extended.
COrderCartera ReadMovementRecord(CArchive& ar);
// Writes the main record and, apart, the extension record (schedule, reserved and an exact
// quantity the main record marks) of the body.
void WriteMovementRecord(CArchive& ar, const COrderCartera& m);
void WriteExtensionRecord(CArchive& ar, const COrderCartera& m);
// Reads m's extension record (after its main record was read into m).
void ReadExtensionRecord(CArchive& ar, COrderCartera& m);
// One movement whole, its main record then its extension record, as changes store it.
void WriteWholeMovement(CArchive& ar, const COrderCartera& m);
COrderCartera ReadWholeMovement(CArchive& ar);
}  // namespace cartera

// String id of the letter shown for a movement type; 0 for codes that have none.
int MovementTypeLetterId(int32_t type);
// The cash total shown for a movement: (price + commission) x contracts for a buy,
// (price - commission) x contracts for a sell, contracts x price otherwise.
double MovementTotal(const COrderCartera& m);
