#pragma once
// The archive: the byte stream every file of the system is written to and read from.
// Integers and doubles are little-endian without padding; texts use the archive string
// (a 1-, 3- or 7-byte length prefix, then the UTF-8 bytes, no terminator).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/crc32c.h"
#include "host/error.h"

// A stream that ends early or holds what no writer wrote is damaged data; reading from a
// storing archive (or writing to a loading one) is a bug of the caller.
class CArchiveException : public cartera::Error {
  public:
    enum Cause { endOfFile, badFormat, writeOnly, readOnly };
    CArchiveException(Cause cause, const std::string& what)
        : cartera::Error(cause == endOfFile || cause == badFormat ? cartera::ErrorKind::damaged
                                                                  : cartera::ErrorKind::bug,
                         what),
          m_cause(cause) {}
    Cause m_cause;
};

namespace cartera {
// FNV-1a, the checksum of files written before CRC-32C (host/crc32c.h); read only. Continues
// from sum h over bytes; start from kFnv1aStart.
inline constexpr uint32_t kFnv1aStart = 2166136261u;
inline uint32_t Fnv1a(uint32_t h, std::string_view bytes) {
    for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
    return h;
}
}  // namespace cartera

class CArchive {
  public:
    enum Mode { store = 0, load = 1 };

    // A storing archive appending to *out (not owned; must outlive the archive).
    explicit CArchive(std::string* out);
    // A loading archive over data (not owned; must outlive the archive).
    explicit CArchive(std::string_view data);

    bool IsStoring() const { return m_out != nullptr; }
    bool IsLoading() const { return m_out == nullptr; }

    // Writing; each throws CArchiveException(readOnly) on a loading archive.
    void WriteU8(uint8_t v);
    void WriteU16(uint16_t v);
    void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
    void WriteU32(uint32_t v);
    void WriteU64(uint64_t v);
    void WriteF64(double v);
    void WriteBytes(const void* data, size_t n);
    void WriteString(std::string_view s);  // archive string, 8-bit form

    // Reading; each throws CArchiveException(endOfFile) when the data ends first and
    // CArchiveException(writeOnly) on a storing archive.
    uint8_t ReadU8();
    uint16_t ReadU16();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    uint32_t ReadU32();
    uint64_t ReadU64();
    double ReadF64();
    void ReadBytes(void* data, size_t n);
    std::string_view ReadView(size_t n);  // the next n bytes, valid while the data lives
    std::string ReadString();             // archive string; the wide form is converted to UTF-8
    // The same, without a copy: a view of the data for the 8-bit form, or of *scratch,
    // which receives the wide form converted to UTF-8. Valid while both live unchanged.
    std::string_view ReadStringView(std::string* scratch);

    // Storing only: room for n more bytes at once; the bytes written from position from
    // on; and a 32-bit value rewritten in place at position at (a checksum known last).
    void Reserve(size_t n);
    std::string_view Written(size_t from) const;
    void PatchU32(size_t at, uint32_t v);
    // Storing only: a running CRC-32C of the bytes written from position from on.
    // UpdateSum takes in what was written since; called every few kilobytes, it reads the
    // bytes while they are still in the cache. Sum brings it up to date and returns it.
    void StartSum(size_t from);
    void UpdateSum() {
        if (m_summing) m_sum = cartera::Crc32c(m_sum, std::string_view(*m_out).substr(m_summed));
        m_summed = m_out ? m_out->size() : 0;
    }
    uint32_t Sum();

    // Loading only: bytes left, and whether none are.
    size_t Remaining() const { return m_data.size() - m_pos; }
    bool AtEnd() const { return IsLoading() && m_pos >= m_data.size(); }
    size_t Position() const { return IsStoring() ? m_out->size() : m_pos; }

    // Stream operators, so record code reads like the layouts it follows.
    CArchive& operator<<(int32_t v) {
        WriteI32(v);
        return *this;
    }
    CArchive& operator<<(uint32_t v) {
        WriteU32(v);
        return *this;
    }
    CArchive& operator<<(double v) {
        WriteF64(v);
        return *this;
    }
    CArchive& operator<<(uint8_t v) {
        WriteU8(v);
        return *this;
    }
    CArchive& operator<<(std::string_view s) {
        WriteString(s);
        return *this;
    }
    CArchive& operator<<(const std::string& s) {
        WriteString(s);
        return *this;
    }
    CArchive& operator>>(int32_t& v) {
        v = ReadI32();
        return *this;
    }
    CArchive& operator>>(uint32_t& v) {
        v = ReadU32();
        return *this;
    }
    CArchive& operator>>(double& v) {
        v = ReadF64();
        return *this;
    }
    CArchive& operator>>(uint8_t& v) {
        v = ReadU8();
        return *this;
    }
    CArchive& operator>>(std::string& s) {
        s = ReadString();
        return *this;
    }

    // The version of the records the bytes hold, for records whose layout changed: set by
    // the reader of a file's version before its records are read; -1, the default, is the
    // newest (what every storing archive writes).
    void SetObjectSchema(int schema) { m_schema = schema; }
    int GetObjectSchema() const { return m_schema; }

  private:
    const char* Take(size_t n);
    void RequireStoring();

    std::string* m_out = nullptr;
    std::string_view m_data;
    size_t m_pos = 0;
    bool m_summing = false;
    uint32_t m_sum = 0;
    size_t m_summed = 0;  // bytes m_sum has taken in
    int m_schema = -1;
};

// The archive string's length prefix. Writes 1 byte below 255, FF + 16 bits below 0xFFFE,
// else FF FFFF + 32 bits. Reading also accepts the wide marker FF FEFF and then sets
// *wide to true (the characters are then UTF-16 units).
void AfxWriteStringLength(CArchive& ar, uint64_t length, bool wide = false);
uint64_t AfxReadStringLength(CArchive& ar, bool* wide);
