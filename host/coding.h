#pragma once
// Little-endian put/get helpers shared by every binary format of the system.
#include <cstdint>
#include <cstring>
#include <string>

namespace cartera {

inline void PutFixed16(std::string* dst, uint16_t v) {
    char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
    dst->append(b, 2);
}

inline void PutFixed32(std::string* dst, uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xff);
    dst->append(b, 4);
}

inline void PutFixed64(std::string* dst, uint64_t v) {
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xff);
    dst->append(b, 8);
}

inline void PutDouble(std::string* dst, double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    PutFixed64(dst, v);
}

inline uint16_t DecodeFixed16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(u[0] | (u[1] << 8));
}

inline uint32_t DecodeFixed32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
           (static_cast<uint32_t>(u[2]) << 16) | (static_cast<uint32_t>(u[3]) << 24);
}

inline uint64_t DecodeFixed64(const char* p) {
    return static_cast<uint64_t>(DecodeFixed32(p)) |
           (static_cast<uint64_t>(DecodeFixed32(p + 4)) << 32);
}

inline double DecodeDouble(const char* p) {
    uint64_t v = DecodeFixed64(p);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

// Appends the UTF-8 form of UTF-16 units; unpaired surrogates become U+FFFD.
void AppendUtf16AsUtf8(std::string* dst, const char16_t* units, size_t count);

}  // namespace cartera
