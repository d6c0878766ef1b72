// libFuzzer entry for the portfolio's change log reader and replay; the work is in
// fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzChangeLog(data, size);
    return 0;
}
