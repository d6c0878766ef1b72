#pragma once
// Synthetic journals for the benchmarks and the memory tool.
#include <string>

namespace cartera::bench {

// A portfolio file body of n movements over 100 securities: 60 % buys, 35 % sells, 5 % cash
// movements; every code sees both sides, with varied sizes and mixed case, so matching does
// real work and leaves open positions. A third of the movements name a schedule "Broker".
std::string MakeBody(int n);

}  // namespace cartera::bench
