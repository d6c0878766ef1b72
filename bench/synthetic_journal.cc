#include "bench/synthetic_journal.h"

#include <random>

#include "host/archive.h"

namespace cartera::bench {

std::string MakeBody(int n) {
    std::mt19937 rng(42);
    std::string out;
    CArchive ar(&out);
    ar.WriteU32(static_cast<uint32_t>(n));
    ar.WriteI32(-1);
    ar.WriteI32(n);
    for (int i = 0; i < n; ++i) {
        int roll = static_cast<int>(rng() % 100);
        int32_t type = roll < 60 ? 0 : roll < 95 ? 6 : 1 + static_cast<int32_t>(rng() % 5);
        std::string code = "SEC" + std::to_string(rng() % 100);
        if (rng() % 2) code[0] = 's';  // mixed case, as typed by users
        ar.WriteU32(0);
        ar.WriteU32(0);
        ar.WriteI32(1 + static_cast<int32_t>(rng() % 100));
        ar.WriteU32(0);
        ar.WriteF64(10.0 + static_cast<double>(rng() % 10000) / 100.0);
        ar.WriteString("");
        ar.WriteI32(i + 1);
        ar.WriteF64(static_cast<double>(rng() % 10) / 100.0);
        ar.WriteF64(1.0);
        ar.WriteString(code);
        ar.WriteI32(20000 + i / 50);
        ar.WriteI32(36000);
        ar.WriteI32(type);
        ar.WriteString("G1");
        ar.WriteF64(0.0);
        ar.WriteString(code);
    }
    ar.WriteI32(-1);
    for (int i = 0; i < n; ++i) {
        ar.WriteString(i % 3 == 0 ? "Broker" : "");
        ar.WriteU32(0);
    }
    return out;
}

}  // namespace cartera::bench
