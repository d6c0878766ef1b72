// libFuzzer entry for the portfolio body reader behind a valid envelope; the work is in
// fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzPortfolioBody(data, size);
    return 0;
}
