#pragma once
// The grids' columns that matter only once a portfolio holds movements in a currency other
// than its own: the currency, the rates and a trade's result in the portfolio's currency.
// They stay out of the way (hidden) while every row is in the portfolio's currency and show
// once one is not, unless the user showed or hid one by hand: that choice is kept.
#include <string>
#include <vector>

#include "host/grid/header_list.h"
#include "model/order.h"
#include "model/trade.h"
#include "model/trade_list.h"

class CSistemaCartera;

namespace cartera {

// Whether a movement of the ledger is in a currency other than the portfolio's.
bool HoldsOtherCurrency(const CSistemaCartera& ledger);
// Whether a trade of the list is.
bool HoldsOtherCurrency(const TradeList& trades, const std::string& portfolio);

// The movements grid's currency columns: the text a movement shows in one (false for other
// columns), and the number it sorts by (false for those and the currency).
bool MovementCurrencyText(int columnId, const COrderCartera& m, const std::string& portfolio,
                          std::string* text);
bool MovementCurrencyNumber(int columnId, const COrderCartera& m, double* value);
// The same for the trades grids; *debit is set for a result below 0.
bool TradeCurrencyText(int columnId, const CNegocioC& t, const std::string& portfolio,
                       std::string* text, bool* debit);
bool TradeCurrencyNumber(int columnId, const CNegocioC& t, double* value);

// Adds the movements grid's (the trade grids') currency columns, hidden, to header.
void AddMovementCurrencyColumns(CMultiHdrData& header);
void AddTradeCurrencyColumns(CMultiHdrData& header);

// Which of a grid's currency columns the grid shows or hides by itself.
class AutoColumns {
  public:
    AutoColumns() = default;
    // The columns, at their visibility in header (what the grid set up).
    AutoColumns(const std::vector<int>& ids, const CMultiHdrData& header);

    // Shows the columns (shown) or hides them, all but those the user set by hand; a column
    // whose visibility is not what this last gave it was set by hand since. True when a
    // column changed.
    bool Fit(CMultiHdrData& header, bool shown);
    // After a layout is read: the columns it says were set by hand, and its visibilities as
    // if this had given them.
    void Loaded(const CMultiHdrData& header, const std::vector<int>& byHand);
    // The columns set by hand, for the saved layout.
    const std::vector<int>& ByHand() const { return m_byHand; }

  private:
    struct Given {
        int id;
        int visible;
    };
    std::vector<Given> m_given;
    std::vector<int> m_byHand;
};

}  // namespace cartera
