#include "host/crc32c.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace cartera {
namespace {

constexpr uint32_t kPoly = 0x82F63B78u;  // the reflected Castagnoli polynomial

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (kPoly & (0u - (c & 1u)));
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}
constexpr auto kTables = MakeTables();

uint32_t Update(uint32_t c, const unsigned char* p, size_t n) {
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);  // little-endian hosts only, as the file formats
        std::memcpy(&hi, p + 4, 4);
        lo ^= c;
        c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
            kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
            kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) c = (c >> 8) ^ kTables[0][(c ^ *p) & 0xFF];
    return c;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t UpdateHardware(uint32_t c, const unsigned char* p,
                                                          size_t n) {
    uint64_t c64 = c;
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        c64 = _mm_crc32_u64(c64, v);
    }
    c = static_cast<uint32_t>(c64);
    for (; n > 0; --n, ++p) c = _mm_crc32_u8(c, *p);
    return c;
}

bool HasHardware() {
    static const bool has = __builtin_cpu_supports("sse4.2");
    return has;
}
#endif

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

}  // namespace

uint32_t Crc32cPortable(uint32_t crc, std::string_view bytes) {
    return ~Update(~crc, Bytes(bytes), bytes.size());
}

uint32_t Crc32c(uint32_t crc, std::string_view bytes) {
#if defined(__x86_64__)
    if (HasHardware()) return ~UpdateHardware(~crc, Bytes(bytes), bytes.size());
#endif
    return Crc32cPortable(crc, bytes);
}

}  // namespace cartera
