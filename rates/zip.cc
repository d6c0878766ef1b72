// The ECB ships its rates zipped: a zip of one CSV. Read by its local file headers alone,
// walked from the start, with zlib's raw inflate for a deflated entry.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "rates/rates.h"

namespace cartera::rates {
namespace {

// Beyond any rates file (the full history is a few MiB), small enough that a hostile zip
// cannot fill the memory.
constexpr size_t kMaxEntryBytes = size_t{64} << 20;

constexpr uint32_t kLocalHeader = 0x04034b50, kDataDescriptor = 0x08074b50;
constexpr size_t kLocalHeaderBytes = 30;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint16_t kEncrypted = 1, kSizesAfterData = 8;  // general purpose flags

uint16_t U16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}
uint32_t U32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

Status Damaged(const std::string& what, size_t at) {
    return {ErrorKind::invalid_input, "zip: " + what + " at byte " + std::to_string(at)};
}

struct Entry {
    size_t header = 0;  // where its local header starts
    std::string_view name;
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0, packedSize = 0, size = 0;
    size_t data = 0;  // where its data starts
};

Status ReadEntry(std::string_view zip, size_t at, Entry* e) {
    if (zip.size() - at < kLocalHeaderBytes) return Damaged("a header cut short", at);
    e->header = at;
    e->flags = U16(zip, at + 6);
    e->method = U16(zip, at + 8);
    e->crc = U32(zip, at + 14);
    e->packedSize = U32(zip, at + 18);
    e->size = U32(zip, at + 22);
    const size_t nameBytes = U16(zip, at + 26), extraBytes = U16(zip, at + 28);
    e->data = at + kLocalHeaderBytes + nameBytes + extraBytes;
    if (e->data > zip.size()) return Damaged("a header cut short", at);
    e->name = zip.substr(at + kLocalHeaderBytes, nameBytes);
    return {};
}

// Inflates the raw deflate stream at the start of packed into *out; *used: the bytes it took.
Status Inflate(std::string_view packed, size_t at, std::string* out, size_t* used) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Damaged("cannot start inflating", at);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(std::min<size_t>(packed.size(), UINT32_MAX));
    char buffer[1 << 16];
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        result = inflate(&z, Z_NO_FLUSH);
        out->append(buffer, sizeof buffer - z.avail_out);
        if (out->size() > kMaxEntryBytes) result = Z_MEM_ERROR;
        // No progress with input left, or none left before the stream's end: cut short.
        if (result == Z_OK && z.avail_out != 0 && z.avail_in == 0) result = Z_BUF_ERROR;
    }
    *used = z.total_in;
    inflateEnd(&z);
    if (result == Z_STREAM_END) return {};
    if (result == Z_MEM_ERROR) return Damaged("an entry beyond 64 MiB", at);
    if (result == Z_BUF_ERROR) return Damaged("deflated data cut short", at);
    return Damaged("damaged deflated data", at);
}

// The entry's bytes, checked; *end: where it ends (after its data descriptor, if any).
Status Extract(std::string_view zip, const Entry& e, std::string* out, size_t* end) {
    if (e.flags & kEncrypted) return Damaged("an encrypted entry", e.header);
    const bool sized = !(e.flags & kSizesAfterData);
    if (sized && zip.size() - e.data < e.packedSize) return Damaged("an entry cut short", e.data);
    if (sized && e.size > kMaxEntryBytes) return Damaged("an entry beyond 64 MiB", e.header);
    size_t used = 0;
    if (e.method == kStored) {
        if (!sized) return Damaged("a stored entry without its size", e.header);
        if (e.packedSize != e.size) return Damaged("a stored entry of two sizes", e.header);
        out->assign(zip.substr(e.data, e.size));
        used = e.size;
    } else if (e.method == kDeflated) {
        const std::string_view packed =
            sized ? zip.substr(e.data, e.packedSize) : zip.substr(e.data);
        if (Status inflated = Inflate(packed, e.data, out, &used); !inflated.ok()) return inflated;
        if (sized && (used != e.packedSize || out->size() != e.size))
            return Damaged("an entry whose size differs from its header's", e.header);
    } else {
        return Damaged("an entry packed by method " + std::to_string(e.method), e.header);
    }
    *end = e.data + used;
    uint32_t crc = e.crc;
    if (!sized) {  // the CRC and sizes follow the data, the descriptor's signature optional
        if (zip.size() - *end >= 4 && U32(zip, *end) == kDataDescriptor) *end += 4;
        if (zip.size() - *end < 12) return Damaged("a data descriptor cut short", *end);
        crc = U32(zip, *end);
        *end += 12;
    }
    const uLong sum =
        crc32(0L, reinterpret_cast<const Bytef*>(out->data()), static_cast<uInt>(out->size()));
    if (sum != crc) return Damaged("an entry whose CRC-32 does not match", e.header);
    return {};
}

}  // namespace

Status UnzipFirstCsv(std::string_view zip, std::string* out) {
    std::optional<std::string> first;
    size_t at = 0;
    while (zip.size() - at >= 4 && U32(zip, at) == kLocalHeader) {
        Entry e;
        if (Status read = ReadEntry(zip, at, &e); !read.ok()) return read;
        std::string bytes;
        size_t end = 0;
        if (Status extracted = Extract(zip, e, &bytes, &end); !extracted.ok()) return extracted;
        if (e.name.ends_with(".csv") || e.name.ends_with(".CSV")) {
            *out = std::move(bytes);
            return {};
        }
        if (!first) first = std::move(bytes);
        at = end;
    }
    if (!first) return Damaged("no entry", at);
    *out = std::move(*first);
    return {};
}

}  // namespace cartera::rates
