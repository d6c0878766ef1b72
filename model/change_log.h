#pragma once
// The changes a portfolio file holds after its base (the journal as it was last written
// whole): each journal change since, appended to the file as one record and synced, so a
// change costs what it changes and a copy of the file holds every change saved before it.
//
// A record is a 13-byte header, then its payload: u32 payload length, u8 type, u32 CRC-32C
// of the payload, u32 CRC-32C of those nine bytes (little-endian, as the file). The header's
// own checksum makes its length trustworthy before the payload is read, so only three
// things read as an append cut short by a kill or a crash: a header that ends with the
// file, a checked header whose payload runs past the end, and a tail of zero bytes. Any
// other mismatch is damage.
//
// Every payload opens with the ledger's last-id counter (u32), active tab (i32) and the
// number of movements the journal holds after the record (u32). Then, by type:
//   step: one step (below), a change the user made;
//   takeBack: the inverse of the last step done, as the ledger made it (a restore or undo);
//   putBack: the step last taken back, made again (a redo);
//   history: written right after the base by a checkpoint: u32 count and that many steps
//     done (oldest first), u32 count and that many steps taken back (the next to put back
//     last), each step as u32 length and bytes;
//   layouts: the grid layouts as the base ends with them.
// A step: u8 kind (JournalChange::Kind), then u32 count and that many (u32 place, movement
// before, movement after) modified, u32 count and that many (u32 place before the step,
// movement) removed, u32 count and that many (u32 place after the step, movement) added. A
// movement is its main record and its extension record, as the body holds them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/journal_change.h"

class CSistemaCartera;
class UndoHistory;

namespace cartera {

enum class RecordType : uint8_t {
    step = 16,
    takeBack = 17,
    putBack = 18,
    history = 19,
    layouts = 20
};
inline constexpr size_t kRecordHeaderBytes = 13;

// Appends one record of type with payload to *out.
void AppendRecord(std::string* out, RecordType type, std::string_view payload);
// Appends the record of change (a step, taken back or put back), with the ledger's counter
// and tab and journalSize, the movements the journal holds after it.
void AppendStepRecord(std::string* out, RecordType type, const CSistemaCartera& ledger,
                      const JournalChange& change, size_t journalSize);
// Appends the history record of what history holds, newest steps first until they would
// pass maxBytes (older steps are left out), and the layouts record of the ledger's layouts.
void AppendHistoryRecord(std::string* out, const CSistemaCartera& ledger,
                         const UndoHistory& history, size_t maxBytes);
void AppendLayoutsRecord(std::string* out, CSistemaCartera& ledger);

struct Record {
    RecordType type;
    std::string_view payload;
    size_t offset;  // of the record's first byte in the bytes read
};

struct Records {
    std::vector<Record> records;
    size_t wholeBytes = 0;  // up to the end of the last whole record
    bool tornTail = false;  // bytes after wholeBytes: an append cut short, never reported saved
};

// Splits bytes into records (views of them). Damage throws Error(damaged) naming the byte
// offset of the record, counted from base.
Records ReadRecords(std::string_view bytes, size_t base = 0);

// What a record's payload opens with.
struct RecordHead {
    uint32_t lastId = 0;
    int32_t activeTab = 0;
    uint32_t journalSize = 0;
};
// The head of a payload; CArchiveException (damaged) when it is too short.
RecordHead ReadRecordHead(std::string_view payload);

// Replays records onto ledger (a body loaded without the after-loading process), keeping
// in *history (when given) the steps done and taken back as they stand after them. Throws
// Error(damaged) naming the record's byte offset when one cannot be read or does not fit
// the journal it is replayed on. schema: the file version the records were written in.
void ReplayRecords(const Records& records, CSistemaCartera& ledger, UndoHistory* history,
                   int schema);

// A step's bytes (of the newest version) and back; DecodeStep reads those of the file
// version schema and throws CArchiveException when they are not a step.
void EncodeStep(std::string* out, const JournalChange& change);
JournalChange DecodeStep(std::string_view bytes, int schema = -1);

}  // namespace cartera
