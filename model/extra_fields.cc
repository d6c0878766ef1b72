#include "model/extra_fields.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "host/archive.h"
#include "host/coding.h"
#include "model/order.h"

namespace cartera {

namespace {

[[noreturn]] void Damaged(const std::string& what) {
    throw CArchiveException(CArchiveException::badFormat, "movement extra fields: " + what);
}

// The fields of one record, built before their count is written.
class FieldBytes {
  public:
    void Add(ExtraTag tag, std::string_view data) {
        m_bytes.push_back(static_cast<char>(tag));
        m_bytes.push_back(static_cast<char>(data.size()));
        m_bytes.append(data);
    }
    const std::string& Bytes() const { return m_bytes; }

  private:
    std::string m_bytes;
};

void WriteCount(CArchive& ar, size_t n) {
    while (n >= 0x80) {
        ar.WriteU8(static_cast<uint8_t>(n) | 0x80);
        n >>= 7;
    }
    ar.WriteU8(static_cast<uint8_t>(n));
}

size_t ReadCount(CArchive& ar) {
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t b = ar.ReadU8();
        if (shift == 28 && b > 0x0F) Damaged("a count beyond 32 bits");
        n |= static_cast<size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return n;
    }
}

void ReadField(ExtraTag tag, std::string_view bytes, COrderCartera& m) {
    switch (tag) {
        case ExtraTag::currency:
            if (!IsCurrencyCode(bytes)) Damaged("a currency that is not three capital letters");
            m.currency = PooledText(bytes);
            return;
        case ExtraTag::rate: {
            if (bytes.size() != sizeof(double)) Damaged("a rate of the wrong length");
            const double rate = DecodeDouble(bytes.data());
            if (!(std::isfinite(rate) && rate > 0)) Damaged("a rate that is not above 0");
            m.rate = rate;
            return;
        }
    }
    Damaged("unknown field " + std::to_string(static_cast<int>(tag)));
}

}  // namespace

bool IsCurrencyCode(std::string_view code) {
    if (code.size() != 3) return false;
    for (char c : code)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

bool HoldsExtraFields(const CArchive& ar) {
    return ar.GetObjectSchema() < 0 || ar.GetObjectSchema() >= kExtraFieldsSchema;
}

void WriteExtraFields(CArchive& ar, const COrderCartera& m) {
    if (m.currency.empty() && m.rate == 1.0) {
        ar.WriteU8(0);  // the common case, without building anything
        return;
    }
    FieldBytes fields;
    if (!m.currency.empty()) {
        fields.Add(ExtraTag::currency, m.currency);
    }
    if (m.rate != 1.0) {
        std::string rate;
        PutDouble(&rate, m.rate);
        fields.Add(ExtraTag::rate, rate);
    }
    WriteCount(ar, fields.Bytes().size());
    ar.WriteBytes(fields.Bytes().data(), fields.Bytes().size());
}

void ReadExtraFields(CArchive& ar, COrderCartera& m) {
    const size_t n = ReadCount(ar);
    if (n == 0) return;
    if (n > ar.Remaining()) Damaged("a count beyond the record");
    std::string_view rest = ar.ReadView(n);
    uint32_t seen = 0;
    while (!rest.empty()) {
        if (rest.size() < 2) Damaged("a field cut short");
        const auto tag = static_cast<uint8_t>(rest[0]);
        const auto size = static_cast<uint8_t>(rest[1]);
        if (size > rest.size() - 2) Damaged("a field longer than the record");
        if (tag < 32 && (seen >> tag & 1)) Damaged("a field given twice");
        if (tag < 32) seen |= 1u << tag;
        ReadField(static_cast<ExtraTag>(tag), rest.substr(2, size), m);
        rest.remove_prefix(2 + size);
    }
}

}  // namespace cartera
