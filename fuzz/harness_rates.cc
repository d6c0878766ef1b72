// libFuzzer entry for the exchange-rates reader (CSV and zip); the work is in fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzRates(data, size);
    return 0;
}
