#include "model/change_log.h"

#include <algorithm>

#include "host/archive.h"
#include "host/coding.h"
#include "host/crc32c.h"
#include "host/error.h"
#include "model/sistema.h"
#include "model/undo_history.h"

namespace cartera {
namespace {

[[noreturn]] void Damaged(size_t offset, const std::string& what) {
    throw Error(ErrorKind::damaged, "damaged at byte " + std::to_string(offset) + ": " + what);
}

bool OnlyZeros(std::string_view bytes) { return bytes.find_first_not_of('\0') == bytes.npos; }

bool KnownType(uint8_t type) {
    return type >= static_cast<uint8_t>(RecordType::step) &&
           type <= static_cast<uint8_t>(RecordType::layouts);
}

void WritePlaced(CArchive& ar, const std::vector<PlacedOrder>& placed, size_t shift = 0) {
    ar.WriteU32(static_cast<uint32_t>(placed.size()));
    for (const PlacedOrder& p : placed) {
        ar.WriteU32(static_cast<uint32_t>(p.place + shift));
        WriteWholeMovement(ar, p.order);
    }
}

// A count read from ar, no larger than the movements its remaining bytes could hold.
uint32_t ReadCount(CArchive& ar) {
    const uint32_t n = ar.ReadU32();
    if (n > ar.Remaining() / 8)
        throw CArchiveException(CArchiveException::badFormat, "a count beyond the record");
    return n;
}

std::vector<PlacedOrder> ReadPlaced(CArchive& ar) {
    std::vector<PlacedOrder> placed(ReadCount(ar));
    for (PlacedOrder& p : placed) {
        p.place = ar.ReadU32();
        p.order = ReadWholeMovement(ar);
    }
    return placed;
}

void WriteHead(CArchive& ar, const CSistemaCartera& ledger, size_t journalSize) {
    ar.WriteU32(ledger.GetLastId());
    ar.WriteI32(ledger.GetPestanaActiva());
    ar.WriteU32(static_cast<uint32_t>(journalSize));
}

// Makes change on a ledger being loaded; false when it does not fit the journal.
bool ReplayStep(const JournalChange& change, CSistemaCartera& ledger) {
    const CArrayOrders& orders = ledger.GetOrders();
    auto holds = [&](const PlacedOrder& p) {
        return p.place < orders.size() && orders[p.place].id == p.order.id;
    };
    for (size_t i = 0; i < change.after.size(); ++i) {
        if (!holds(change.before[i]) || change.before[i].place != change.after[i].place)
            return false;
        ledger.ReplayModify(change.after[i].place, change.after[i].order);
    }
    for (auto p = change.removed.rbegin(); p != change.removed.rend(); ++p)
        if (!holds(*p) || !ledger.ReplayRemove(p->place)) return false;
    for (const PlacedOrder& p : change.added)
        if (!ledger.ReplayInsert(p.place, p.order)) return false;
    return true;
}

void ReplayOne(const Record& record, CSistemaCartera& ledger, UndoHistory* history, int schema) {
    CArchive ar(record.payload);
    const RecordHead head = ReadRecordHead(record.payload);
    ar.ReadView(12);
    switch (record.type) {
        case RecordType::step:
        case RecordType::takeBack:
        case RecordType::putBack: {
            JournalChange change = DecodeStep(ar.ReadView(ar.Remaining()), schema);
            if (!ReplayStep(change, ledger)) Damaged(record.offset, "the change does not fit");
            if (!history) break;
            if (record.type == RecordType::step) history->Record(std::move(change));
            if (record.type == RecordType::takeBack) history->MoveLast(false);
            if (record.type == RecordType::putBack) history->MoveLast(true);
            break;
        }
        case RecordType::history: {
            std::vector<JournalChange> lists[2];
            for (auto& list : lists) {
                list.resize(ReadCount(ar));
                for (JournalChange& step : list)
                    step = DecodeStep(ar.ReadView(ar.ReadU32()), schema);
            }
            if (history) history->Set(std::move(lists[0]), std::move(lists[1]));
            break;
        }
        case RecordType::layouts:
            ledger.LoadLayouts(ar);
            break;
    }
    if (!ar.AtEnd()) Damaged(record.offset, "unknown bytes after the change");
    if (ledger.GetOrders().size() != head.journalSize)
        Damaged(record.offset, "the journal does not have the movements the change counts");
    ledger.ReplayHeader(head.lastId, head.activeTab);
}

}  // namespace

void AppendRecord(std::string* out, RecordType type, std::string_view payload) {
    PutFixed32(out, static_cast<uint32_t>(payload.size()));
    out->push_back(static_cast<char>(type));
    PutFixed32(out, Crc32c(payload));
    PutFixed32(out, Crc32c(std::string_view(*out).substr(out->size() - 9)));
    out->append(payload);
}

void EncodeStep(std::string* out, const JournalChange& change) {
    CArchive ar(out);
    ar.WriteU8(static_cast<uint8_t>(change.kind));
    ar.WriteU32(static_cast<uint32_t>(change.after.size()));
    for (size_t i = 0; i < change.after.size(); ++i) {
        ar.WriteU32(static_cast<uint32_t>(change.after[i].place));
        WriteWholeMovement(ar, change.before[i].order);
        WriteWholeMovement(ar, change.after[i].order);
    }
    WritePlaced(ar, change.removed);
    WritePlaced(ar, change.added);
}

JournalChange DecodeStep(std::string_view bytes, int schema) {
    CArchive ar(bytes);
    ar.SetObjectSchema(schema);
    JournalChange change;
    const uint8_t kind = ar.ReadU8();
    if (kind > JournalChange::kRestore)
        throw CArchiveException(CArchiveException::badFormat, "an unknown kind of change");
    change.kind = static_cast<JournalChange::Kind>(kind);
    for (uint32_t n = ReadCount(ar); n > 0; --n) {
        const size_t place = ar.ReadU32();
        change.before.push_back({place, ReadWholeMovement(ar)});
        change.after.push_back({place, ReadWholeMovement(ar)});
    }
    change.removed = ReadPlaced(ar);
    change.added = ReadPlaced(ar);
    if (!ar.AtEnd()) throw CArchiveException(CArchiveException::badFormat, "bytes after a change");
    return change;
}

void AppendStepRecord(std::string* out, RecordType type, const CSistemaCartera& ledger,
                      const JournalChange& change, size_t journalSize) {
    std::string payload;
    CArchive ar(&payload);
    WriteHead(ar, ledger, journalSize);
    EncodeStep(&payload, change);
    AppendRecord(out, type, payload);
}

void AppendHistoryRecord(std::string* out, const CSistemaCartera& ledger,
                         const UndoHistory& history, size_t maxBytes) {
    std::string payload;
    CArchive ar(&payload);
    WriteHead(ar, ledger, ledger.GetOrders().size());
    // The newest steps of each list are the ones restore reaches first.
    std::vector<std::string> kept[2];
    size_t bytes = 0;
    const std::vector<JournalChange>* lists[2] = {&history.Done(), &history.Undone()};
    for (int k = 0; k < 2; ++k) {
        for (auto step = lists[k]->rbegin(); step != lists[k]->rend(); ++step) {
            std::string encoded;
            EncodeStep(&encoded, *step);
            if ((bytes += encoded.size() + 4) > maxBytes) break;
            kept[k].push_back(std::move(encoded));
        }
    }
    for (auto& list : kept) {
        ar.WriteU32(static_cast<uint32_t>(list.size()));
        for (auto step = list.rbegin(); step != list.rend(); ++step) {
            ar.WriteU32(static_cast<uint32_t>(step->size()));
            ar.WriteBytes(step->data(), step->size());
        }
    }
    AppendRecord(out, RecordType::history, payload);
}

void AppendLayoutsRecord(std::string* out, CSistemaCartera& ledger) {
    std::string payload;
    CArchive ar(&payload);
    WriteHead(ar, ledger, ledger.GetOrders().size());
    payload += ledger.LayoutBytes();
    AppendRecord(out, RecordType::layouts, payload);
}

Records ReadRecords(std::string_view bytes, size_t base) {
    Records read;
    size_t at = 0;
    while (at < bytes.size()) {
        const std::string_view rest = bytes.substr(at);
        // A header cut short, or zeros a crash left where an append was going: never saved.
        if (rest.size() < kRecordHeaderBytes || OnlyZeros(rest)) {
            read.tornTail = true;
            break;
        }
        if (Crc32c(rest.substr(0, 9)) != DecodeFixed32(rest.data() + 9))
            Damaged(base + at, "the record's header does not match its checksum");
        const uint32_t length = DecodeFixed32(rest.data());
        const auto type = static_cast<uint8_t>(rest[4]);
        if (rest.size() - kRecordHeaderBytes < length) {  // the checked length runs past the end
            // A checkpoint writes its history whole, with the base: cut short, it is damage.
            if (type == static_cast<uint8_t>(RecordType::history))
                Damaged(base + at, "the file ends inside the history a checkpoint wrote");
            read.tornTail = true;
            break;
        }
        const std::string_view payload = rest.substr(kRecordHeaderBytes, length);
        if (Crc32c(payload) != DecodeFixed32(rest.data() + 5))
            Damaged(base + at, "the record does not match its checksum");
        if (!KnownType(type)) Damaged(base + at, "a record of an unknown type");
        read.records.push_back({static_cast<RecordType>(type), payload, base + at});
        at += kRecordHeaderBytes + length;
        read.wholeBytes = at;
    }
    return read;
}

RecordHead ReadRecordHead(std::string_view payload) {
    if (payload.size() < 12)
        throw CArchiveException(CArchiveException::badFormat, "a record too short for its head");
    return {DecodeFixed32(payload.data()), static_cast<int32_t>(DecodeFixed32(payload.data() + 4)),
            DecodeFixed32(payload.data() + 8)};
}

void ReplayRecords(const Records& records, CSistemaCartera& ledger, UndoHistory* history,
                   int schema) {
    for (const Record& record : records.records) {
        try {
            ReplayOne(record, ledger, history, schema);
        } catch (const CArchiveException& e) {
            Damaged(record.offset, e.what());
        }
    }
}

}  // namespace cartera
