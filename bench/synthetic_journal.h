#pragma once
// Synthetic journals for the benchmarks and the memory tool.
#include <cstdint>
#include <string>
#include <vector>

namespace cartera::bench {

// One movement of a synthetic journal, in the fields the benchmarks vary.
struct BodyMovement {
    int32_t type = 0;
    int32_t contracts = 0;
    double price = 0.0;
    double commission = 0.0;  // per contract
    std::string code;         // also the symbol
    int32_t date = 0, time = 0;
    std::string group, schedule;
};

// A portfolio file body in the current layout (no currency named) holding movements in order,
// with ids 1, 2, ...
std::string BodyOf(const std::vector<BodyMovement>& movements);

// A portfolio file body of n movements over 100 securities: 60 % buys, 35 % sells, 5 % cash
// movements; every code sees both sides, with varied sizes and mixed case, so matching does
// real work and leaves open positions. A third of the movements name a schedule "Broker".
std::string MakeBody(int n);

}  // namespace cartera::bench
