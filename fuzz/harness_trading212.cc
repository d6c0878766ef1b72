// libFuzzer entry for the Trading 212 reader; the work is in fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzTrading212(data, size);
    return 0;
}
