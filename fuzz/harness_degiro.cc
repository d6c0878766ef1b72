// libFuzzer entry for the DEGIRO reader; the work is in fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzDegiro(data, size);
    return 0;
}
