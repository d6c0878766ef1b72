#pragma once
// Live valuation: the open trades valued at the last prices the market-data feed gives, their
// rows queued and drawn once when the workstation is idle; and what the journal tells the
// feed (the codes to register, reference prices, its own securities).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/market.h"
#include "model/links.h"
#include "model/pooled_text.h"
#include "model/trade_book.h"

namespace cartera {

// How many executions (and actions moving lots to a code) name each code text, in order of
// first appearance (model/action.h, QuotedCode): registering them
// code by code costs a look-up per distinct code, not per movement.
std::vector<std::pair<PooledText, int>> ExecutionCodes(const CArrayOrders& journal);
// The price of the journal's latest buy or sell of code (by date and time, then journal
// order); false when there is none with a positive price.
bool LatestPrice(const CArrayOrders& journal, std::string_view code, double* price);
// The securities of the journal's buys, sells and dividends, each code once (its first
// movement's name and decimals), in journal order.
std::vector<MarketSymbol> JournalSymbols(const CArrayOrders& journal);

// The code whose quote gives a currency's live rate to the portfolio's: the pair as the markets
// write it, the portfolio's currency first ("EURUSD": dollars one euro buys). Empty when
// either code is empty or they are the same.
std::string RateCode(std::string_view portfolio, std::string_view currency);
// How many executions in each currency other than the portfolio's name it, as RateCode's
// codes, in order of first appearance.
std::vector<std::pair<std::string, int>> RateCodes(const CArrayOrders& journal,
                                                   std::string_view portfolio);

class LiveValuation {
  public:
    // book is not owned and must outlive this.
    explicit LiveValuation(TradeBook& book) : m_book(book) {}

    // Values the open trades of code at the message's last price and queues their rows; a
    // rate code (RateCode) gives the live rate of its currency's open trades instead. False
    // (nothing changed) when the message holds no last price, or no rate above 0.
    bool OnTicks(std::string_view code, const CMensajePelvo& message);
    // Draws each queued row once in every view, then has the views repaint; nothing when
    // no tick came since the last time.
    void Idle(const std::vector<ILedgerView*>& views);
    size_t QueueSize() const { return m_refresh.size(); }

  private:
    TradeBook& m_book;
    std::vector<int32_t> m_refresh;  // indexes of open trades to draw again
};

}  // namespace cartera
