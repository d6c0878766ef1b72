#pragma once
// How the entry pages turn what the user typed into one movement, in one place the
// dialogs and the command line share.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "model/order.h"

class CAdmComisiones;
class CSistemaCartera;

namespace cartera {

// "%.<decimals>lf" of the value: how the pages write prices and amounts.
std::string FormatFixed(double value, int decimals);

// The schedule names the buy/sell page lists (first record of each kind-4 name, sorted as
// the list shows them).
std::vector<std::string> ScheduleListItems(const CAdmComisiones& adm);
// The first item that begins with name, ignoring case; an empty name selects the first
// item. nullopt when no item begins with it (or the list is empty).
std::optional<std::string> SelectByPrefix(const std::vector<std::string>& items,
                                          const std::string& name);
// The item the page selects at start: the default kind-4 schedule by prefix, else the
// first item; nullopt with an empty list.
std::optional<std::string> DefaultScheduleItem(const CAdmComisiones& adm);

// What the buy/sell page holds when OK is pressed.
struct BuySellPage {
    bool buy = true;
    int pageDecimals = 2;                 // decimals the page writes amounts with
    std::string code;                     // the symbol box's chosen quote code
    std::string symbol;                   // ... its symbol name
    int symbolDecimals = 0;               // ... its decimals
    std::string contractsText;            // the contracts box
    std::string priceText;                // the price box
    std::optional<std::string> schedule;  // the selected schedule item, if any
    std::string commissionText;           // the commission box (used when no schedule is selected)
    // The commission box as OK finds it, when the user could type into it after the summary
    // was computed (the dialog page); unset: the commission as UpdateAmounts writes it.
    std::optional<std::string> commissionBox;
    std::string group;
    std::time_t when = 0;  // the date picker
    uint64_t modifyingId = kNoId;
    // The movement being modified, as it was: what the re-pricing rule compares with.
    std::optional<COrderCartera> before;
};

// The page opened on a movement to modify: its contracts, its full price (never rounded to
// its decimals), its schedule selected by name (none when it has none or the list no longer
// holds it) and, in the commission box, its own commission.
BuySellPage ModifyPage(const CAdmComisiones& adm, const COrderCartera& m);
// Whether Modify prices the commission again from the selected schedule: only when one is
// selected and the contracts, the price or the schedule differ from the movement's. A
// movement modified without re-pricing keeps its commission, and its schedule name.
bool RepricesCommission(const BuySellPage& page);

// The summary boxes the page shows for its inputs.
struct BuySellAmounts {
    std::string gross, commission, total;
};
BuySellAmounts UpdateAmounts(const CAdmComisiones& adm, const BuySellPage& page);

// The movement OK records, or nullopt when the contracts are not a number above 0 and up to
// kMaxEntryContracts (nothing recorded). The commission per contract is the commission box's text
// (as UpdateAmounts writes it) divided by the contracts, or the modified movement's own when the
// box still holds its commission for the same contracts; the balance comes from the ledger.
std::optional<COrderCartera> BuildBuySell(const CSistemaCartera& ledger, const BuySellPage& page);

// A page of the other-operations sheet for expenses, impositions, deposits and refunds.
COrderCartera BuildCashMovement(int32_t type, const std::string& description, double amount,
                                std::time_t when, uint64_t modifyingId = kNoId);
// The dividends page.
COrderCartera BuildDividend(const std::string& symbol, const std::string& code, int decimals,
                            Quantity contracts, double perShare, const std::string& group,
                            std::time_t when, uint64_t modifyingId = kNoId);

// Why the movement cannot be recorded: a price, commission or amount that is not a finite
// number or overflows (prices times contracts beyond the range of doubles), negative
// contracts, or no contracts for a buy, sell or dividend. Empty when it can be.
std::string UnpriceableReason(const COrderCartera& m);

// The largest contracts (fractions of them allowed), and the largest price, commission or amount,
// that entry and import accept: beyond any real order, and small enough that no total of a journal
// can overflow.
inline constexpr int32_t kMaxEntryContracts = 2147483647;
inline constexpr double kMaxEntryAmount = 1e12;

// The field of a movement that entry or import refuses.
enum class EntryField { none, contracts, price, commission, amount, currency, rate };
struct EntryRefusal {
    EntryField field = EntryField::none;
    std::string message;  // English, naming the field; empty when nothing is refused
    explicit operator bool() const { return field != EntryField::none; }
};
// What UnpriceableReason refuses, and any price, commission, amount or total of the movement
// above kMaxEntryAmount, with the field it concerns. Loading does not apply these bounds.
EntryRefusal CheckEntryBounds(const COrderCartera& m);

// The first of the ledger's totals, or of its trades' results and percentages, that is not
// a finite number (a sum that overflowed), named in English; empty when all are. Only files
// written before entry was bounded can get there.
std::string OverflowedTotal(const CSistemaCartera& ledger);

// An order larger than the open position it meets: a sell of more long contracts than are
// held (none held counts), or a buy of more than an open short. The rest opens a position
// of the order's own side.
struct PositionOvershoot {
    Quantity ordered;  // the order's contracts
    Quantity held;     // the open contracts of the other side
    Quantity opened;   // ordered - held
};
// For an order of contracts (buy or sell) in code, against the ledger's open trades of that
// code (compared without regard to case). nullopt when the order stays within the position,
// adds to one of its own side, or has no contracts.
std::optional<PositionOvershoot> FindOvershoot(const CSistemaCartera& ledger,
                                               const std::string& code, bool buy,
                                               Quantity contracts);

// Reads the contracts box: a quantity in the interface language's form (see
// ParseQuantityInLanguage), exactly; nullopt for any other text and for more than ten
// decimals (never a rounded value).
std::optional<Quantity> ReadContracts(const std::string& text);

}  // namespace cartera
