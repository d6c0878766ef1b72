// Every committed fuzz input through its reader, with the normal compiler: the seed corpus
// must load cleanly and no input that once failed may fail again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/fuzz_targets.h"

namespace cartera::fuzz {
namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, CorpusAndFormerCrashesRunCleanThroughTheirReaders) {
    int replayed = 0, corpusFolders = 0;
    for (const char* kind : {"corpus", "crashes"}) {
        fs::path root = fs::path(CARTERA_FUZZ_DIR) / kind;
        if (!fs::exists(root)) continue;
        for (const auto& folder : fs::directory_iterator(root)) {
            FuzzFunction fuzz = FuzzFunctionFor(folder.path().filename().string());
            ASSERT_NE(fuzz, nullptr) << "no reader for " << folder.path();
            corpusFolders += kind == std::string("corpus");
            for (const auto& file : fs::directory_iterator(folder.path())) {
                SCOPED_TRACE(file.path().string());
                std::ifstream in(file.path(), std::ios::binary);
                std::string bytes{std::istreambuf_iterator<char>(in), {}};
                fuzz(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
                ++replayed;
            }
        }
    }
    EXPECT_EQ(corpusFolders, 12);
    EXPECT_GT(replayed, 5);
}

}  // namespace
}  // namespace cartera::fuzz
