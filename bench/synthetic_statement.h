#pragma once
// A synthetic Interactive Brokers Flex statement for the import benchmark.
#include <string>

namespace cartera::bench {

// A Flex XML statement of one account in USD with n executions over 200 stocks, each with
// the forty-odd attributes a full Trades section carries (about 1 KB a row): per stock
// buys and sells taking turns, so matching closes trades, plus one order row for every
// tenth execution (to be ignored) and a dividend for every hundredth.
std::string MakeFlexXml(int n);

}  // namespace cartera::bench
