// Every committed fuzz input through its reader, with the normal compiler: the seed corpus
// and every statement format's samples must load cleanly, and no input that once failed may
// fail again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "statements/detect.h"

namespace cartera::fuzz {
namespace {

namespace fs = std::filesystem;

// Runs every file of folder through fuzz; how many there were.
int Replay(const fs::path& folder, const FuzzFunction& fuzz) {
    int replayed = 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        SCOPED_TRACE(file.path().string());
        std::ifstream in(file.path(), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), {}};
        fuzz(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    return replayed;
}

TEST(FuzzReplay, CorpusSamplesAndFormerCrashesRunCleanThroughTheirReaders) {
    int replayed = 0, corpusFolders = 0;
    for (const char* kind : {"corpus", "crashes"}) {
        fs::path root = fs::path(CARTERA_FUZZ_DIR) / kind;
        if (!fs::exists(root)) continue;
        for (const auto& folder : fs::directory_iterator(root)) {
            FuzzFunction fuzz = FuzzFunctionFor(folder.path().filename().string());
            ASSERT_TRUE(fuzz) << "no reader for " << folder.path();
            corpusFolders += kind == std::string("corpus");
            replayed += Replay(folder.path(), fuzz);
        }
    }
    EXPECT_EQ(corpusFolders, 13);
    EXPECT_GT(replayed, 5);
    // Each statement format brings its samples, the seeds of its fuzzing.
    for (const statements::FormatEntry& f : statements::Formats()) {
        const fs::path samples = fs::path(CARTERA_TESTDATA_DIR) / f.name;
        ASSERT_TRUE(fs::is_directory(samples)) << "no samples for " << f.name;
        EXPECT_GT(Replay(samples, FuzzFunctionFor(std::string(f.name))), 0) << f.name;
    }
    // Every samples folder is a format the build linked in, and the formats detection knew
    // before keep their order, Cartera's own CSV last.
    std::vector<std::string> names, folders, kept;
    for (const statements::FormatEntry& f : statements::Formats()) names.emplace_back(f.name);
    for (const auto& folder : fs::directory_iterator(CARTERA_TESTDATA_DIR))
        folders.push_back(folder.path().filename().string());
    const std::vector<std::string> before = {"ib-flex-xml", "ib-flex-csv", "degiro",
                                             "trading212",  "map",         "cartera"};
    std::copy_if(names.begin(), names.end(), std::back_inserter(kept), [&](const auto& name) {
        return std::find(before.begin(), before.end(), name) != before.end();
    });
    EXPECT_EQ(kept, before);
    EXPECT_EQ(names.back(), statements::kCarteraFormat);
    std::sort(names.begin(), names.end());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(names, folders);
}

}  // namespace
}  // namespace cartera::fuzz
