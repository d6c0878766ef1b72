#include "host/crc32c.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace cartera {
namespace {

// Known check values, then both paths over every length and alignment around the 8-byte
// steps, each also continued from a split.
TEST(Crc32cTest, KnownValuesAndBothPathsAgree) {
    struct Case {
        std::string bytes;
        uint32_t crc;
    };
    for (const Case& c : {Case{"", 0}, Case{"123456789", 0xE3069283u}, Case{"a", 0xC1D04330u},
                          Case{std::string(32, '\0'), 0x8A9136AAu}}) {
        EXPECT_EQ(Crc32c(c.bytes), c.crc) << c.bytes;
        EXPECT_EQ(Crc32cPortable(0, c.bytes), c.crc) << c.bytes;
    }
    std::mt19937 random(7);
    std::string data(300, '\0');
    for (char& ch : data) ch = static_cast<char>(random());
    const std::string_view all(data);
    for (size_t from = 0; from < 9; ++from) {
        for (size_t n = 0; n + from <= 80; ++n) {
            const std::string_view s = all.substr(from, n);
            const uint32_t whole = Crc32cPortable(0, s);
            ASSERT_EQ(Crc32c(s), whole) << from << " " << n;
            ASSERT_EQ(Crc32c(Crc32c(s.substr(0, n / 3)), s.substr(n / 3)), whole);
        }
    }
}

}  // namespace
}  // namespace cartera
