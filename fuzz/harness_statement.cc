// libFuzzer entry for the statement readers, one format a run: CARTERA_FUZZ_FORMAT names it
// (statements::Formats(); scripts/fuzz.sh sets it). The work is in fuzz_targets.cc.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_targets.h"
#include "statements/detect.h"

namespace {
std::string g_format;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* format = std::getenv("CARTERA_FUZZ_FORMAT");
    if (format && cartera::statements::FindFormat(format)) {
        g_format = format;
        return 0;
    }
    std::fprintf(stderr, "CARTERA_FUZZ_FORMAT must name a statement format:");
    for (const auto& f : cartera::statements::Formats())
        std::fprintf(stderr, " %.*s", static_cast<int>(f.name.size()), f.name.data());
    std::fprintf(stderr, "\n");
    std::exit(2);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::fuzz::FuzzStatement(g_format, data, size);
    return 0;
}
