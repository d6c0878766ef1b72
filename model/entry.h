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
};

// The summary boxes the page shows for its inputs.
struct BuySellAmounts {
    std::string gross, commission, total;
};
BuySellAmounts UpdateAmounts(const CAdmComisiones& adm, const BuySellPage& page);

// The movement OK records, or nullopt when the contracts are below 1 (nothing recorded).
// The commission per contract is the commission box's text (as UpdateAmounts writes it)
// divided by the contracts; the balance comes from the ledger.
std::optional<COrderCartera> BuildBuySell(const CSistemaCartera& ledger, const BuySellPage& page);

// A page of the other-operations sheet for expenses, impositions, deposits and refunds.
COrderCartera BuildCashMovement(int32_t type, const std::string& description, double amount,
                                std::time_t when, uint64_t modifyingId = kNoId);
// The dividends page.
COrderCartera BuildDividend(const std::string& symbol, const std::string& code, int decimals,
                            int32_t contracts, double perShare, const std::string& group,
                            std::time_t when, uint64_t modifyingId = kNoId);

// Why the movement cannot be recorded: a price, commission or amount that is not a finite
// number or overflows (prices times contracts beyond the range of doubles), negative
// contracts, or no contracts for a buy, sell or dividend. Empty when it can be.
std::string UnpriceableReason(const COrderCartera& m);

// The largest contracts, and the largest price, commission or amount, that entry and import
// accept: beyond any real order, and small enough that no total of a journal can overflow.
inline constexpr int32_t kMaxEntryContracts = 2147483647;
inline constexpr double kMaxEntryAmount = 1e12;

// The field of a movement that entry or import refuses.
enum class EntryField { none, contracts, price, commission, amount };
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

// Reads a whole number as the contracts box does: text that is not a number counts as 0.
int32_t ReadContracts(const std::string& text);
// Reads a number as the price and amount boxes do: text that is not a number counts as 0.
double ReadAmount(const std::string& text);

}  // namespace cartera
