#include "model/change_log.h"

#include "host/archive.h"
#include "host/coding.h"
#include "host/crc32c.h"
#include "host/env.h"
#include "host/error.h"
#include "model/sistema.h"

namespace cartera {
namespace {

[[noreturn]] void Damaged(size_t offset, const std::string& what) {
    throw Error(ErrorKind::damaged,
                "change log damaged at byte " + std::to_string(offset) + ": " + what);
}

uint32_t RecordSum(std::string_view header5, std::string_view payload) {
    return Crc32c(Crc32c(header5), payload);
}

bool OnlyZeros(std::string_view bytes) { return bytes.find_first_not_of('\0') == bytes.npos; }

void WriteMovement(CArchive& ar, const COrderCartera& m) {
    WriteMovementRecord(ar, m);
    WriteExtensionRecord(ar, m);
}

COrderCartera ReadMovement(CArchive& ar) {
    COrderCartera m = ReadMovementRecord(ar);
    std::string scratch;
    m.schedule = ar.ReadStringView(&scratch);
    m.reserved = static_cast<int32_t>(ar.ReadU32());
    return m;
}

void ReplayRecord(const LogRecord& record, CSistemaCartera& ledger) {
    CArchive ar(record.payload);
    const uint32_t lastId = ar.ReadU32();
    const int32_t tab = ar.ReadI32();
    bool found = true;
    switch (record.type) {
        case LogType::add:
            for (uint32_t n = ar.ReadU32(); n > 0; --n) ledger.ReplayAdd(ReadMovement(ar));
            break;
        case LogType::modify: {
            const uint32_t place = ar.ReadU32();
            found = ledger.ReplayModify(place, ReadMovement(ar));
            break;
        }
        case LogType::remove:
            found = ledger.ReplayRemove(ar.ReadU32());
            break;
        case LogType::insert: {
            const uint32_t place = ar.ReadU32();
            found = ledger.ReplayInsert(place, ReadMovement(ar));
            break;
        }
        case LogType::base:
            Damaged(record.offset, "a second base record");
    }
    if (!found) Damaged(record.offset, "the change names no movement");
    if (!ar.AtEnd()) Damaged(record.offset, "unknown bytes after the change");
    ledger.ReplayHeader(lastId, tab);
}

}  // namespace

std::string LogPath(const std::string& path) { return CurrentEnv()->Resolve(path) + ".log"; }

void AppendLogRecord(std::string* out, LogType type, std::string_view payload) {
    const size_t at = out->size();
    PutFixed32(out, static_cast<uint32_t>(payload.size()));
    out->push_back(static_cast<char>(type));
    PutFixed32(out, RecordSum(std::string_view(*out).substr(at, 5), payload));
    out->append(payload);
}

void AppendBaseRecord(std::string* out, FileStamp stamp) {
    std::string payload;
    PutFixed64(&payload, stamp.size);
    PutFixed32(&payload, stamp.sum);
    AppendLogRecord(out, LogType::base, payload);
}

void AppendChangeRecord(std::string* out, const CSistemaCartera& ledger, const LogChange& change) {
    // The payload is written after a header whose length and sum are filled in last.
    const size_t at = out->size();
    out->append(kLogHeaderBytes, '\0');
    CArchive ar(out);
    ar.WriteU32(ledger.GetLastId());
    ar.WriteI32(ledger.GetPestanaActiva());
    const CArrayOrders& orders = ledger.GetOrders();
    LogType type = LogType::remove;
    if (change.kind == LogChange::add) {
        type = LogType::add;
        ar.WriteU32(static_cast<uint32_t>(change.count));
        for (size_t i = change.place; i < change.place + change.count; ++i)
            WriteMovement(ar, orders[i]);
    } else if (change.kind == LogChange::modify || change.kind == LogChange::insert) {
        type = change.kind == LogChange::modify ? LogType::modify : LogType::insert;
        ar.WriteU32(static_cast<uint32_t>(change.place));
        WriteMovement(ar, orders[change.place]);
    } else {
        ar.WriteU32(static_cast<uint32_t>(change.place));
    }
    const size_t length = out->size() - at - kLogHeaderBytes;
    std::string header;
    PutFixed32(&header, static_cast<uint32_t>(length));
    header.push_back(static_cast<char>(type));
    PutFixed32(&header,
               RecordSum(header, std::string_view(*out).substr(at + kLogHeaderBytes, length)));
    out->replace(at, kLogHeaderBytes, header);
}

LogContent ReadLogRecords(std::string_view bytes) {
    LogContent log;
    size_t at = 0;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        if (rest.size() < kLogHeaderBytes) {
            log.tornTail = true;
            break;
        }
        const uint32_t length = DecodeFixed32(rest.data());
        const auto type = static_cast<uint8_t>(rest[4]);
        if (rest.size() - kLogHeaderBytes < length) {
            log.tornTail = true;  // cut short: the append did not finish
            break;
        }
        const std::string_view payload = rest.substr(kLogHeaderBytes, length);
        const bool known = type >= static_cast<uint8_t>(LogType::base) &&
                           type <= static_cast<uint8_t>(LogType::insert);
        if (!known || RecordSum(rest.substr(0, 5), payload) != DecodeFixed32(rest.data() + 5)) {
            if (OnlyZeros(rest.substr(kLogHeaderBytes + length))) {
                log.tornTail = true;
                break;
            }
            Damaged(at, known ? "the record does not match its checksum" : "unknown record type");
        }
        if ((type == static_cast<uint8_t>(LogType::base)) != (at == 0))
            Damaged(at, at == 0 ? "no base record" : "a second base record");
        log.records.push_back({static_cast<LogType>(type), payload, at});
        at += kLogHeaderBytes + length;
        log.wholeBytes = at;
    }
    return log;
}

bool LogAppliesTo(const LogContent& log, FileStamp stamp) {
    if (log.records.empty() || log.records[0].payload.size() != 12) return false;
    const char* p = log.records[0].payload.data();
    return FileStamp{DecodeFixed64(p), DecodeFixed32(p + 8)} == stamp;
}

void ReplayLog(const LogContent& log, CSistemaCartera& ledger) {
    for (size_t i = 1; i < log.records.size(); ++i) {
        try {
            ReplayRecord(log.records[i], ledger);
        } catch (const CArchiveException& e) {
            Damaged(log.records[i].offset, e.what());
        }
    }
}

}  // namespace cartera
