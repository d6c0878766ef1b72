#include "host/archive.h"

#include <vector>

#include "host/coding.h"
#include "host/memory.h"

namespace cartera {

void AppendUtf16AsUtf8(std::string* dst, const char16_t* units, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            dst->push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            dst->push_back(static_cast<char>(0xC0 | (cp >> 6)));
            dst->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            dst->push_back(static_cast<char>(0xE0 | (cp >> 12)));
            dst->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            dst->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            dst->push_back(static_cast<char>(0xF0 | (cp >> 18)));
            dst->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            dst->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            dst->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

}  // namespace cartera

using cartera::DecodeDouble;
using cartera::DecodeFixed16;
using cartera::DecodeFixed32;
using cartera::DecodeFixed64;

CArchive::CArchive(std::string* out) : m_out(out) {}
CArchive::CArchive(std::string_view data) : m_data(data) {}

void CArchive::RequireStoring() {
    if (!m_out) throw CArchiveException(CArchiveException::readOnly, "archive is for reading");
}

void CArchive::WriteU8(uint8_t v) {
    RequireStoring();
    m_out->push_back(static_cast<char>(v));
}
void CArchive::WriteU16(uint16_t v) {
    RequireStoring();
    cartera::PutFixed16(m_out, v);
}
void CArchive::WriteU32(uint32_t v) {
    RequireStoring();
    cartera::PutFixed32(m_out, v);
}
void CArchive::WriteU64(uint64_t v) {
    RequireStoring();
    cartera::PutFixed64(m_out, v);
}
void CArchive::WriteF64(double v) {
    RequireStoring();
    cartera::PutDouble(m_out, v);
}
void CArchive::WriteBytes(const void* data, size_t n) {
    RequireStoring();
    m_out->append(static_cast<const char*>(data), n);
}
void CArchive::WriteString(std::string_view s) {
    AfxWriteStringLength(*this, s.size());
    WriteBytes(s.data(), s.size());
}

const char* CArchive::Take(size_t n) {
    if (m_out) throw CArchiveException(CArchiveException::writeOnly, "archive is for writing");
    if (n > m_data.size() - m_pos)
        throw CArchiveException(CArchiveException::endOfFile, "unexpected end of file");
    const char* p = m_data.data() + m_pos;
    m_pos += n;
    return p;
}

uint8_t CArchive::ReadU8() { return static_cast<uint8_t>(*Take(1)); }
uint16_t CArchive::ReadU16() { return DecodeFixed16(Take(2)); }
uint32_t CArchive::ReadU32() { return DecodeFixed32(Take(4)); }
uint64_t CArchive::ReadU64() { return DecodeFixed64(Take(8)); }
double CArchive::ReadF64() { return DecodeDouble(Take(8)); }
void CArchive::ReadBytes(void* data, size_t n) {
    if (n) std::memcpy(data, Take(n), n);
}
std::string_view CArchive::ReadView(size_t n) { return {Take(n), n}; }

std::string CArchive::ReadString() {
    std::string scratch;
    std::string_view text = ReadStringView(&scratch);
    return text.data() == scratch.data() ? std::move(scratch) : std::string(text);
}

std::string_view CArchive::ReadStringView(std::string* scratch) {
    bool wide = false;
    uint64_t len = AfxReadStringLength(*this, &wide);
    // Check the length against what is left before allocating, so a crafted length
    // cannot ask for more memory than the file holds.
    uint64_t bytes = wide ? len * 2 : len;
    if (wide && len > Remaining() / 2) bytes = UINT64_MAX;
    if (bytes > Remaining())
        throw CArchiveException(CArchiveException::endOfFile, "string runs past end of file");
    const char* p = Take(static_cast<size_t>(bytes));
    if (!wide) return {p, static_cast<size_t>(len)};
    std::vector<char16_t> units(static_cast<size_t>(len));
    for (size_t i = 0; i < units.size(); ++i) units[i] = DecodeFixed16(p + 2 * i);
    scratch->clear();
    scratch->reserve(units.size());
    cartera::AppendUtf16AsUtf8(scratch, units.data(), units.size());
    return *scratch;
}

void CArchive::Reserve(size_t n) {
    RequireStoring();
    const size_t need = m_out->size() + n;
    if (need <= m_out->capacity()) return;
    // Some room beyond what was asked, so a buffer reused for a slightly longer write
    // (the same journal with a few more movements) is not reallocated every time.
    m_out->reserve(need + need / 32 + 4096);
    cartera::AdviseLargePages(m_out->data(), m_out->capacity());
}

std::string_view CArchive::Written(size_t from) const {
    if (!m_out || from > m_out->size())
        throw CArchiveException(CArchiveException::writeOnly, "no such written bytes");
    return std::string_view(*m_out).substr(from);
}

void CArchive::PatchU32(size_t at, uint32_t v) {
    RequireStoring();
    if (at > m_out->size() || m_out->size() - at < 4)
        throw CArchiveException(CArchiveException::writeOnly, "no such written bytes");
    std::string bytes;
    cartera::PutFixed32(&bytes, v);
    m_out->replace(at, 4, bytes);
}

void CArchive::StartSum(size_t from) {
    RequireStoring();
    if (from > m_out->size())
        throw CArchiveException(CArchiveException::writeOnly, "no such written bytes");
    m_summing = true;
    m_sum = 0;
    m_summed = from;
}

uint32_t CArchive::Sum() {
    if (!m_summing) throw CArchiveException(CArchiveException::writeOnly, "no sum was started");
    UpdateSum();
    return m_sum;
}

void AfxWriteStringLength(CArchive& ar, uint64_t length, bool wide) {
    if (wide) {
        ar.WriteU8(0xFF);
        ar.WriteU16(0xFFFE);
    }
    if (length < 255) {
        ar.WriteU8(static_cast<uint8_t>(length));
    } else if (length < 0xFFFE) {
        ar.WriteU8(0xFF);
        ar.WriteU16(static_cast<uint16_t>(length));
    } else if (length < 0xFFFFFFFFull) {
        ar.WriteU8(0xFF);
        ar.WriteU16(0xFFFF);
        ar.WriteU32(static_cast<uint32_t>(length));
    } else {
        ar.WriteU8(0xFF);
        ar.WriteU16(0xFFFF);
        ar.WriteU32(0xFFFFFFFFu);
        ar.WriteU64(length);
    }
}

uint64_t AfxReadStringLength(CArchive& ar, bool* wide) {
    *wide = false;
    uint8_t b = ar.ReadU8();
    if (b < 0xFF) return b;
    uint16_t w = ar.ReadU16();
    if (w == 0xFFFE) {
        *wide = true;
        b = ar.ReadU8();
        if (b < 0xFF) return b;
        w = ar.ReadU16();
    }
    if (w < 0xFFFF) return w;
    uint32_t d = ar.ReadU32();
    if (d < 0xFFFFFFFFu) return d;
    return ar.ReadU64();
}
