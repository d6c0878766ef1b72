// The portfolio file body: header, movements, extension block, grid layouts.
#include "model/body.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "host/archive.h"
#include "host/coding.h"
#include "host/memory.h"
#include "model/extra_fields.h"

namespace {
constexpr int32_t kExtensionMarker = -1;
constexpr int32_t kLayoutMarker = -2;
// The fewest bytes a stored movement takes (every text empty).
constexpr size_t kMinRecordBytes = 4 * 4 + 8 + 1 + 4 + 8 + 8 + 1 + 4 * 3 + 1 + 8 + 1;
// Records written between two updates of the file's running sum.
constexpr size_t kRecordsPerSum = 8;

// The main record's count of a quantity the count cannot hold: its units follow the
// extension record.
constexpr int32_t kExactMark = INT32_MIN;

int32_t CountField(const cartera::Quantity& q) {
    if (q.IsWhole() && q > cartera::Quantity(kExactMark) && q <= cartera::Quantity(INT32_MAX))
        return static_cast<int32_t>(q.WholePart());
    return kExactMark;
}

// The units of a quantity the main record marked, after its extension record: zigzag, 7 bits
// a byte (low first, the high bit set on all but the last), so a fraction costs 5 to 7 bytes.
constexpr int kMaxUnitBytes = 19;  // 128 bits

void WriteExactUnits(CArchive& ar, const cartera::Quantity& q) {
    const __int128 units = q.Units();
    auto z =
        static_cast<unsigned __int128>(units) << 1 ^ static_cast<unsigned __int128>(units >> 127);
    while (z >= 0x80) {
        ar.WriteU8(static_cast<uint8_t>(z) | 0x80);
        z >>= 7;
    }
    ar.WriteU8(static_cast<uint8_t>(z));
}

void ReadExactUnits(CArchive& ar, COrderCartera& m) {
    if (m.contracts != cartera::Quantity(kExactMark) || !cartera::HoldsExactQuantities(ar)) return;
    unsigned __int128 z = 0;
    for (int i = 0;; ++i) {
        const uint8_t b = ar.ReadU8();
        if (i == kMaxUnitBytes - 1 && b > 0x03)
            throw CArchiveException(CArchiveException::badFormat, "a quantity beyond 128 bits");
        z |= static_cast<unsigned __int128>(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    const auto units = static_cast<__int128>(z >> 1) ^ -static_cast<__int128>(z & 1);
    // Beyond 10^18 whole units only damage gets: refused, so that sums of a journal's
    // quantities cannot overflow.
    constexpr __int128 kMaxUnits =
        static_cast<__int128>(1'000'000'000'000'000'000) * cartera::Quantity::kScale;
    if (units > kMaxUnits || units < -kMaxUnits)
        throw CArchiveException(CArchiveException::badFormat, "a quantity beyond 10^18");
    m.contracts = cartera::Quantity::FromUnits(units);
}

// The portfolio's currency in the body's header: empty, or three capital letters.
std::string ReadCurrencyCode(CArchive& ar) {
    std::string code = ar.ReadString();
    if (!code.empty() && !cartera::IsCurrencyCode(code))
        throw CArchiveException(CArchiveException::badFormat,
                                "the portfolio's currency is not three capital letters");
    return code;
}

// One record's bytes built in place, exactly as the archive's writes give them, so a record
// costs one append. Only for texts shorter than 255 bytes (a one-byte length prefix).
class RecordBytes {
  public:
    static bool Fits(std::initializer_list<std::string_view> texts) {
        for (std::string_view t : texts)
            if (t.size() >= 255) return false;
        return true;
    }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) *m_end++ = static_cast<char>(v >> (8 * i));
    }
    void F64(double d) {
        uint64_t v;
        std::memcpy(&v, &d, sizeof v);
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Text(std::string_view t) {
        *m_end++ = static_cast<char>(t.size());
        if (!t.empty()) std::memcpy(m_end, t.data(), t.size());
        m_end += t.size();
    }
    void AppendTo(CArchive& ar) const {
        ar.WriteBytes(m_bytes, static_cast<size_t>(m_end - m_bytes));
    }

  private:
    char m_bytes[64 + 4 * 255];
    char* m_end = m_bytes;
};

// The handles of the texts a body repeats (a few codes, groups and schedules over and over),
// found by their bytes without the pool's lock and hash.
class TextCache {
  public:
    PooledText Get(std::string_view t) {
        if (t.empty()) return {};
        const Key key = KeyOf(t);
        Slot& slot = m_slots[static_cast<size_t>(
            ((key.head * 31 + key.tail) ^ key.size) * 0x9E3779B97F4A7C15ull >> 54)];
        // Head and tail hold every byte of a text of up to 16.
        if (!(slot.key == key && (t.size() <= 16 || slot.text == t))) {
            const PooledText handle(t);
            slot = {key, handle.str(), handle};
        }
        return slot.handle;
    }

  private:
    struct Key {
        uint64_t head = 0, tail = 0, size = 0;  // the first and the last 8 bytes
        bool operator==(const Key&) const = default;
    };
    struct Slot {
        Key key;
        std::string_view text;  // the pool's copy, which lives as long as the process
        PooledText handle;
    };
    // Up to 8 bytes from p as a little-endian number, built in registers: a copy of a varying
    // length through memory would stall the load that reads it back.
    static uint64_t Word(const char* p, size_t n) {
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
        return v;
    }
    static Key KeyOf(std::string_view t) {
        Key key;
        key.head = Word(t.data(), std::min<size_t>(t.size(), 8));
        key.tail = t.size() <= 8 ? key.head : Word(t.data() + t.size() - 8, 8);
        key.size = t.size();
        return key;
    }
    std::array<Slot, 1024> m_slots{};
};

// Reads a main movement record into m, each text through text(); the fixed-size runs between
// the texts are taken at once.
template <class Text>
void ReadRecordInto(CArchive& ar, Text&& text, COrderCartera& m) {
    const char* p = ar.ReadView(24).data();
    m.orderType = static_cast<int32_t>(cartera::DecodeFixed32(p));
    m.storedWord = static_cast<int32_t>(cartera::DecodeFixed32(p + 4));
    m.contracts = static_cast<int32_t>(cartera::DecodeFixed32(p + 8));  // see ReadExactUnits
    m.carriedWord = static_cast<int32_t>(cartera::DecodeFixed32(p + 12));
    m.price = cartera::DecodeDouble(p + 16);
    m.orderText = text();
    p = ar.ReadView(20).data();
    m.id = static_cast<uint64_t>(
        static_cast<int64_t>(static_cast<int32_t>(cartera::DecodeFixed32(p))));
    m.commission = cartera::DecodeDouble(p + 4);
    m.pointValue = cartera::DecodeDouble(p + 12);
    m.quoteCode = text();
    p = ar.ReadView(12).data();
    m.date = static_cast<int32_t>(cartera::DecodeFixed32(p));
    m.time = static_cast<int32_t>(cartera::DecodeFixed32(p + 4));
    m.type = static_cast<int32_t>(cartera::DecodeFixed32(p + 8));
    m.group = text();
    m.guarantee = ar.ReadF64();
    m.symbol = text();
    m.closing = 1;
    m.buy = m.type == kBuy ? 1 : 0;
}

// An action's or an exchange's terms, read where a schedule is stored.
void TakeTerms(COrderCartera& m) {
    if (m.HasTerms()) m.terms = std::exchange(m.schedule, PooledText());
}

}  // namespace

namespace cartera {
void WriteMovementRecord(CArchive& ar, const COrderCartera& m) {
    const std::string_view text = m.orderText, code = m.quoteCode, group = m.group,
                           symbol = m.symbol;
    if (!RecordBytes::Fits({text, code, group, symbol})) {
        ar.WriteU32(static_cast<uint32_t>(m.orderType));
        ar.WriteU32(static_cast<uint32_t>(m.storedWord));
        ar.WriteI32(CountField(m.contracts));
        ar.WriteU32(static_cast<uint32_t>(m.carriedWord));
        ar.WriteF64(m.price);
        ar.WriteString(text);
        ar.WriteI32(static_cast<int32_t>(m.id));
        ar.WriteF64(m.commission);
        ar.WriteF64(m.pointValue);
        ar.WriteString(code);
        ar.WriteI32(m.date);
        ar.WriteI32(m.time);
        ar.WriteI32(m.type);
        ar.WriteString(group);
        ar.WriteF64(m.guarantee);
        ar.WriteString(symbol);
        return;
    }
    RecordBytes r;
    r.U32(static_cast<uint32_t>(m.orderType));
    r.U32(static_cast<uint32_t>(m.storedWord));
    r.U32(static_cast<uint32_t>(CountField(m.contracts)));
    r.U32(static_cast<uint32_t>(m.carriedWord));
    r.F64(m.price);
    r.Text(text);
    r.U32(static_cast<uint32_t>(static_cast<int32_t>(m.id)));
    r.F64(m.commission);
    r.F64(m.pointValue);
    r.Text(code);
    r.U32(static_cast<uint32_t>(m.date));
    r.U32(static_cast<uint32_t>(m.time));
    r.U32(static_cast<uint32_t>(m.type));
    r.Text(group);
    r.F64(m.guarantee);
    r.Text(symbol);
    r.AppendTo(ar);
}

bool HoldsExactQuantities(const CArchive& ar) {
    return ar.GetObjectSchema() < 0 || ar.GetObjectSchema() >= kExactQuantitySchema;
}

void WriteExtensionRecord(CArchive& ar, const COrderCartera& m) {
    // An action or an exchange has no commission schedule: its terms take the schedule's place.
    const std::string_view schedule = m.HasTerms() ? m.terms : m.schedule;
    if (!RecordBytes::Fits({schedule})) {
        ar.WriteString(schedule);
        ar.WriteU32(static_cast<uint32_t>(m.reserved));
    } else {
        RecordBytes r;
        r.Text(schedule);
        r.U32(static_cast<uint32_t>(m.reserved));
        r.AppendTo(ar);
    }
    if (CountField(m.contracts) == kExactMark) WriteExactUnits(ar, m.contracts);
    if (HoldsExtraFields(ar)) WriteExtraFields(ar, m);
}

COrderCartera ReadMovementRecord(CArchive& ar) {
    std::string scratch;  // only wide texts need it
    COrderCartera m;
    ReadRecordInto(
        ar, [&] { return PooledText(ar.ReadStringView(&scratch)); }, m);
    return m;
}

void WriteWholeMovement(CArchive& ar, const COrderCartera& m) {
    WriteMovementRecord(ar, m);
    WriteExtensionRecord(ar, m);
}

void ReadExtensionRecord(CArchive& ar, COrderCartera& m) {
    std::string scratch;
    m.schedule = ar.ReadStringView(&scratch);
    m.reserved = static_cast<int32_t>(ar.ReadU32());
    ReadExactUnits(ar, m);
    if (HoldsExtraFields(ar)) ReadExtraFields(ar, m);
    TakeTerms(m);
}

COrderCartera ReadWholeMovement(CArchive& ar) {
    COrderCartera m = ReadMovementRecord(ar);
    ReadExtensionRecord(ar, m);
    return m;
}
}  // namespace cartera

namespace cartera {

void StoreBody(CArchive& ar, const Journal& journal, int32_t activeTab,
               const LayoutCodec& layouts) {
    const CArrayOrders& orders = journal.Orders();
    ar.WriteU32(journal.LastId());
    ar.WriteI32(activeTab);
    ar.WriteI32(static_cast<int32_t>(orders.size()));
    if (HoldsExtraFields(ar)) ar.WriteString(journal.Currency());
    // One reservation for the whole body: every record's fixed part, its texts and some room
    // for the layouts, so the buffer is written once and never moved.
    size_t bytes = 4096;
    for (const auto& m : orders)
        bytes += kMinRecordBytes + 8 + m.orderText.size() + m.quoteCode.size() + m.group.size() +
                 m.symbol.size() + m.schedule.size() + m.terms.size();
    ar.Reserve(bytes);
    // The file's running sum takes in the bytes every few records, while they are cached.
    for (size_t i = 0; i < orders.size(); ++i) {
        WriteMovementRecord(ar, orders[i]);
        if (i % kRecordsPerSum == kRecordsPerSum - 1) ar.UpdateSum();
    }
    ar.WriteI32(kExtensionMarker);
    for (size_t i = 0; i < orders.size(); ++i) {
        WriteExtensionRecord(ar, orders[i]);
        if (i % (4 * kRecordsPerSum) == 0) ar.UpdateSum();
    }
    ar.WriteI32(kLayoutMarker);
    layouts(ar);
}

namespace {

// Hands the movements read to the journal however the reading ends.
class ReadInto {
  public:
    explicit ReadInto(Journal& journal) : m_journal(journal) {}
    ~ReadInto() { m_journal.Reset(std::move(orders)); }
    ReadInto(const ReadInto&) = delete;
    ReadInto& operator=(const ReadInto&) = delete;
    CArrayOrders orders;

  private:
    Journal& m_journal;
};

// The extension records of the oldest files, each given to the movements with its id.
void ReadLegacyExtensions(CArchive& ar, int32_t count, CArrayOrders& orders, CArrayOrders* legacy) {
    std::unordered_map<uint64_t, std::vector<size_t>> byId;
    for (size_t i = 0; i < orders.size(); ++i) byId[orders[i].id].push_back(i);
    for (int32_t i = 0; i < count; ++i) {
        COrderCartera record;
        record.Serialize(ar);
        if (auto it = byId.find(record.id); it != byId.end()) {
            for (size_t k : it->second) {
                orders[k].schedule = record.schedule;
                orders[k].reserved = record.reserved;
            }
        }
        legacy->push_back(record);
    }
}

}  // namespace

void LoadBody(CArchive& ar, Journal& journal, int32_t* activeTab, CArrayOrders* legacy,
              const LayoutCodec& layouts) {
    bool readLayouts = true;
    {
        ReadInto read(journal);
        CArrayOrders& orders = read.orders;
        journal.SetLastId(ar.ReadU32());
        *activeTab = ar.ReadI32();
        int32_t n = ar.ReadI32();
        if (n < 0) throw CArchiveException(CArchiveException::badFormat, "negative movement count");
        journal.SetCurrency(HoldsExtraFields(ar) ? ReadCurrencyCode(ar) : std::string());
        // Reserve no more than the data can hold, so a crafted count cannot exhaust memory.
        // Room for the movements the user adds next, so the first one does not move them all.
        size_t expected =
            std::min<size_t>(static_cast<size_t>(n), ar.Remaining() / kMinRecordBytes);
        orders.reserve(expected + expected / 16 + 16);
        AdviseLargePages(orders);
        std::string scratch;  // only wide texts need it
        TextCache texts;
        auto text = [&] { return texts.Get(ar.ReadStringView(&scratch)); };
        for (int32_t i = 0; i < n; ++i) {
            COrderCartera m;  // pushed only when read whole
            ReadRecordInto(ar, text, m);
            orders.push_back(m);
        }
        int32_t marker = ar.ReadI32();
        if (marker == kExtensionMarker) {
            const bool extras = HoldsExtraFields(ar);
            for (auto& m : orders) {
                m.schedule = text();
                m.reserved = static_cast<int32_t>(ar.ReadU32());
                ReadExactUnits(ar, m);
                if (extras) ReadExtraFields(ar, m);
                TakeTerms(m);
            }
            // A file may end right after the extension records; the grids keep their layouts.
            // Cut inside the layout marker, it is damaged.
            readLayouts = !ar.AtEnd() && ar.ReadI32() == kLayoutMarker;
        } else if (marker > 0) {
            ReadLegacyExtensions(ar, marker, orders, legacy);
        }
    }
    if (readLayouts) {
        layouts(ar);
        if (!ar.AtEnd())
            throw CArchiveException(
                CArchiveException::badFormat,
                std::to_string(ar.Remaining()) + " unknown bytes after the grid layouts");
    }
}

}  // namespace cartera
