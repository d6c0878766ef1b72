// libFuzzer entry for the grid layout reader; the work is in fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzGridLayout(data, size);
    return 0;
}
