#include "host/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "host/crc32c.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string FromBytes(const Bytes& b) { return std::string(b.begin(), b.end()); }

Bytes LengthPrefix(uint64_t length, bool wide = false) {
    std::string out;
    CArchive ar(&out);
    AfxWriteStringLength(ar, length, wide);
    return ToBytes(out);
}

CArchiveException::Cause CauseOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    ADD_FAILURE() << "no CArchiveException";
    return CArchiveException::badFormat;
}

TEST(ArchiveString, LengthPrefixWidthChangesAtEachBoundaryAndStringsReadBack) {
    EXPECT_EQ(LengthPrefix(0), (Bytes{0x00}));
    EXPECT_EQ(LengthPrefix(254), (Bytes{0xFE}));
    EXPECT_EQ(LengthPrefix(255), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(LengthPrefix(0x1234), (Bytes{0xFF, 0x34, 0x12}));
    EXPECT_EQ(LengthPrefix(0xFFFD), (Bytes{0xFF, 0xFD, 0xFF}));
    // 0xFFFE and 0xFFFF would be read as the wide marker and the 32-bit escape.
    EXPECT_EQ(LengthPrefix(0xFFFE), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(LengthPrefix(0xFFFF), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(LengthPrefix(0x12345678), (Bytes{0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(LengthPrefix(3, true), (Bytes{0xFF, 0xFE, 0xFF, 0x03}));

    // Every length reads back in both forms, and a string is its prefix, then its bytes.
    for (uint64_t length : {0ull, 1ull, 254ull, 255ull, 0xFFFDull, 0xFFFEull, 0xFFFFull, 0x10003ull,
                            0xFFFFFFFEull, 0xFFFFFFFFull, 0x123456789ull}) {
        for (bool wide : {false, true}) {
            std::string data = FromBytes(LengthPrefix(length, wide));
            CArchive in(std::string_view{data});
            bool readWide = !wide;
            EXPECT_EQ(AfxReadStringLength(in, &readWide), length) << length;
            EXPECT_TRUE(readWide == wide && in.AtEnd()) << length;
        }
        if (length > 0x10003) continue;
        std::string text(length, 'x'), out;
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        CArchive ar(&out);
        ar.WriteString(text);
        EXPECT_EQ(out, FromBytes(LengthPrefix(length)) + text) << length;
        CArchive in(std::string_view{out});
        EXPECT_EQ(in.ReadString(), text) << length;
        EXPECT_TRUE(in.AtEnd()) << length;
    }
}

std::string WideString(const std::vector<char16_t>& units) {
    std::string out;
    CArchive ar(&out);
    AfxWriteStringLength(ar, units.size(), true);
    for (char16_t u : units) ar.WriteU16(u);
    return out;
}

TEST(ArchiveString, WideFormIsConvertedToUtf8) {
    // "Aé€", U+1F600 as a surrogate pair, a lone high surrogate before "x", a lone low one,
    // and a high surrogate as the last unit, which has no partner either.
    std::string data =
        WideString({u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xD800, u'x', 0xDC00, u'z', 0xDBFF});
    ASSERT_EQ(ToBytes(data.substr(0, 4)), (Bytes{0xFF, 0xFE, 0xFF, 10}));
    CArchive in(std::string_view{data});
    EXPECT_EQ(in.ReadString(),
              "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBDx\xEF\xBF\xBDz\xEF\xBF\xBD");
    EXPECT_TRUE(in.AtEnd());

    std::string big = WideString(std::vector<char16_t>(300, u'\u00F1'));
    ASSERT_EQ(ToBytes(big.substr(0, 6)), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));
    CArchive in2(std::string_view{big});
    std::string expected;
    for (int i = 0; i < 300; ++i) expected += "\xC3\xB1";
    EXPECT_EQ(in2.ReadString(), expected);
    EXPECT_TRUE(in2.AtEnd());
}

// A small record as the file code writes them.
void WriteRecord(CArchive& ar) {
    ar << int32_t{7} << 2.5 << std::string("hello") << uint8_t{1} << std::string(300, 'q');
}

void ReadRecord(CArchive& ar) {
    int32_t i;
    double d;
    std::string s, t;
    uint8_t b;
    ar >> i >> d >> s >> b >> t;
}

TEST(ArchiveErrors, EveryCutPointAndHugeLengthThrowsEndOfFileAndAWrongDirectionThrows) {
    std::string full;
    CArchive ar(&full);
    WriteRecord(ar);
    {
        CArchive in(std::string_view{full});
        ASSERT_NO_THROW(ReadRecord(in));
        EXPECT_TRUE(in.AtEnd());
    }
    for (size_t cut = 0; cut < full.size(); ++cut) {
        std::string part = full.substr(0, cut);
        CArchive in(std::string_view{part});
        EXPECT_EQ(CauseOf([&] { ReadRecord(in); }), CArchiveException::endOfFile) << cut;
    }

    // Huge lengths throw before allocating: a 32-bit length 0xFFFFFFF0 with three bytes
    // behind it; the same in the wide form, where it would be 8 GB of zeroed buffer; a 64-bit
    // wide length whose byte count overflows to 2, which must not read the 2 bytes left.
    for (const Bytes& huge :
         {Bytes{0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'},
          Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 0},
          Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                0x01, 0,    0,    0,    0,    0,    0,    0x80, 'a',  0}}) {
        std::string data = FromBytes(huge);
        CArchive in(std::string_view{data});
        EXPECT_EQ(CauseOf([&] { in.ReadString(); }), CArchiveException::endOfFile) << data.size();
    }

    // Reading from the storing archive or writing to a loading one throws, and a failed
    // write does not move the reading position.
    EXPECT_EQ(CauseOf([&] { ar.ReadString(); }), CArchiveException::writeOnly);
    CArchive loading(std::string_view{full});
    EXPECT_EQ(CauseOf([&] { loading.WriteString("x"); }), CArchiveException::readOnly);
    EXPECT_EQ(CauseOf([&] { loading << 1.5; }), CArchiveException::readOnly);
    EXPECT_EQ(loading.Position(), 0u);
    EXPECT_EQ(loading.ReadU8(), 7);
}

// The checksum archives keep: known check values, then both paths over every length and
// alignment around the 8-byte steps, each also continued from a split.
TEST(Crc32cTest, KnownValuesAndBothPathsAgree) {
    using Case = std::pair<std::string, uint32_t>;
    for (const auto& [bytes, crc] :
         {Case{"", 0}, Case{"123456789", 0xE3069283u}, Case{"a", 0xC1D04330u},
          Case{std::string(32, '\0'), 0x8A9136AAu}})
        EXPECT_TRUE(cartera::Crc32c(bytes) == crc && cartera::Crc32cPortable(0, bytes) == crc)
            << bytes;
    std::mt19937 random(7);
    std::string data(300, '\0');
    for (char& ch : data) ch = static_cast<char>(random());
    const std::string_view all(data);
    for (size_t from = 0; from < 9; ++from) {
        for (size_t n = 0; n + from <= 80; ++n) {
            const std::string_view s = all.substr(from, n);
            const uint32_t whole = cartera::Crc32cPortable(0, s);
            ASSERT_EQ(cartera::Crc32c(s), whole) << from << " " << n;
            ASSERT_EQ(cartera::Crc32c(cartera::Crc32c(s.substr(0, n / 3)), s.substr(n / 3)), whole);
        }
    }
}

}  // namespace
