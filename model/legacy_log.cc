#include "model/legacy_log.h"

#include "host/archive.h"
#include "host/coding.h"
#include "host/crc32c.h"
#include "host/env.h"
#include "host/error.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera {
namespace {

enum Type : uint8_t { kBase = 1, kAdd = 2, kModify = 3, kRemove = 4, kInsert = 5 };
constexpr size_t kHeader = 9;

[[noreturn]] void Damaged(size_t offset, const std::string& what) {
    throw Error(ErrorKind::damaged, "damaged at byte " + std::to_string(offset) + ": " + what);
}

void Replay(uint8_t type, std::string_view payload, size_t offset, CSistemaCartera& ledger) {
    CArchive ar(payload);
    // Logs were kept beside files only before records moved into the file: their movements
    // are of that layout.
    ar.SetObjectSchema(kMinorWithRecords - 1);
    const uint32_t lastId = ar.ReadU32();
    const int32_t tab = ar.ReadI32();
    bool found = true;
    if (type == kAdd) {
        for (uint32_t n = ar.ReadU32(); n > 0; --n) ledger.ReplayAdd(ReadWholeMovement(ar));
    } else if (type == kModify || type == kInsert) {
        const uint32_t place = ar.ReadU32();
        COrderCartera m = ReadWholeMovement(ar);
        found = type == kModify ? ledger.ReplayModify(place, m) : ledger.ReplayInsert(place, m);
    } else if (type == kRemove) {
        found = ledger.ReplayRemove(ar.ReadU32());
    } else {
        Damaged(offset, "a second base record");
    }
    if (!found) Damaged(offset, "the change names no movement");
    if (!ar.AtEnd()) Damaged(offset, "unknown bytes after the change");
    ledger.ReplayHeader(lastId, tab);
}

}  // namespace

std::string LegacyLogPath(Env& env, const std::string& path) { return env.Resolve(path) + ".log"; }

bool ReplayLegacyLog(std::string_view log, uint64_t fileSize, uint32_t sum, CSistemaCartera& ledger,
                     std::vector<std::string>* warnings) {
    for (size_t at = 0; at < log.size();) {
        const std::string_view rest = log.substr(at);
        const bool cut =
            rest.size() < kHeader || rest.size() - kHeader < DecodeFixed32(rest.data());
        const uint32_t length = cut ? 0 : DecodeFixed32(rest.data());
        const auto type = cut ? uint8_t{0} : static_cast<uint8_t>(rest[4]);
        const std::string_view payload = rest.substr(cut ? 0 : kHeader, length);
        const bool sound =
            !cut && type >= kBase && type <= kInsert &&
            Crc32c(Crc32c(rest.substr(0, 5)), payload) == DecodeFixed32(rest.data() + 5);
        if (!sound) {
            if (!cut && rest.substr(kHeader + length).find_first_not_of('\0') != rest.npos)
                Damaged(at, "the record does not match its checksum");
            if (warnings)
                warnings->push_back(
                    "the last change of the old change log was cut off while it "
                    "was written and is left out; it was never reported as saved");
            return true;
        }
        if ((type == kBase) != (at == 0)) Damaged(at, at == 0 ? "no base record" : "a second base");
        if (type == kBase) {
            if (payload.size() != 12 || DecodeFixed64(payload.data()) != fileSize ||
                DecodeFixed32(payload.data() + 8) != sum)
                return false;  // its changes are in the file already
        } else {
            try {
                Replay(type, payload, at, ledger);
            } catch (const CArchiveException& e) {
                Damaged(at, e.what());
            }
        }
        at += kHeader + length;
    }
    return true;
}

}  // namespace cartera
