#include "bench/synthetic_journal.h"

#include <random>

#include "host/archive.h"

namespace cartera::bench {

std::string BodyOf(const std::vector<BodyMovement>& movements) {
    std::string out;
    CArchive ar(&out);
    auto n = static_cast<int32_t>(movements.size());
    ar.WriteU32(static_cast<uint32_t>(n));
    ar.WriteI32(-1);
    ar.WriteI32(n);
    ar.WriteString("");  // the portfolio's currency: none named
    for (int32_t i = 0; i < n; ++i) {
        const BodyMovement& m = movements[static_cast<size_t>(i)];
        ar.WriteU32(0);
        ar.WriteU32(0);
        ar.WriteI32(m.contracts);
        ar.WriteU32(0);
        ar.WriteF64(m.price);
        ar.WriteString("");
        ar.WriteI32(i + 1);
        ar.WriteF64(m.commission);
        ar.WriteF64(1.0);
        ar.WriteString(m.code);
        ar.WriteI32(m.date);
        ar.WriteI32(m.time);
        ar.WriteI32(m.type);
        ar.WriteString(m.group);
        ar.WriteF64(0.0);
        ar.WriteString(m.code);
    }
    ar.WriteI32(-1);
    for (const BodyMovement& m : movements) {
        ar.WriteString(m.schedule);
        ar.WriteU32(0);
        ar.WriteU8(0);  // no extra fields: in the portfolio's currency
    }
    return out;
}

std::string MakeBody(int n) {
    std::mt19937 rng(42);
    std::vector<BodyMovement> movements(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        BodyMovement& m = movements[static_cast<size_t>(i)];
        int roll = static_cast<int>(rng() % 100);
        m.type = roll < 60 ? 0 : roll < 95 ? 6 : 1 + static_cast<int32_t>(rng() % 5);
        m.code = "SEC" + std::to_string(rng() % 100);
        if (rng() % 2) m.code[0] = 's';  // mixed case, as typed by users
        m.contracts = 1 + static_cast<int32_t>(rng() % 100);
        m.price = 10.0 + static_cast<double>(rng() % 10000) / 100.0;
        m.commission = static_cast<double>(rng() % 10) / 100.0;
        m.date = 20000 + i / 50;
        m.time = 36000;
        m.group = "G1";
        m.schedule = i % 3 == 0 ? "Broker" : "";
    }
    return BodyOf(movements);
}

}  // namespace cartera::bench
