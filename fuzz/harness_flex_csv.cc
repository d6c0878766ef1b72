// libFuzzer entry for the Interactive Brokers Flex csv reader; the work is in fuzz_targets.cc.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzFlexCsv(data, size);
    return 0;
}
