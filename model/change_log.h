#pragma once
// The change log beside a portfolio file: each journal change since the file was last
// written whole, appended as one record and synced, so a change costs what it changes.
//
// A log is records one after another, each: u32 payload length, u8 type, u32 CRC-32C of
// the length, type and payload bytes, then the payload (little-endian, as the file). The
// first record (base) names the file the log applies to: its size (u64) and the body
// checksum its version record holds (u32). A log whose base is not the file beside it was
// left by a checkpoint killed after the file was written and before the log was emptied:
// its changes are in the file already, and it is ignored. Every change record opens with
// the ledger's last-id counter (u32) and active tab (i32), then: add, u32 N and N movements;
// modify, u32 place and one movement; remove, u32 place; insert, u32 place and one movement
// put in before the one at place (or at the end). A movement is its main record and its
// extension record, as the body holds them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/links.h"

class CSistemaCartera;

namespace cartera {

// "NAME.cartera.log" beside the file (beside the target, for a symbolic link).
std::string LogPath(const std::string& path);

enum class LogType : uint8_t { base = 1, add = 2, modify = 3, remove = 4, insert = 5 };
inline constexpr size_t kLogHeaderBytes = 9;

// What a log applies to: the file's size and its body checksum.
struct FileStamp {
    uint64_t size = 0;
    uint32_t sum = 0;
    bool operator==(const FileStamp&) const = default;
};

// Appends one record of type with payload to *out.
void AppendLogRecord(std::string* out, LogType type, std::string_view payload);
// Appends the base record for stamp, and the record of change as the ledger holds it now.
void AppendBaseRecord(std::string* out, FileStamp stamp);
void AppendChangeRecord(std::string* out, const CSistemaCartera& ledger, const LogChange& change);

struct LogRecord {
    LogType type;
    std::string_view payload;
    size_t offset;  // of the record's first byte in the log
};

struct LogContent {
    std::vector<LogRecord> records;
    size_t wholeBytes = 0;  // up to the end of the last whole record
    // Bytes after wholeBytes: a last record cut short or damaged with nothing but zero bytes
    // after it, as a kill or a crash during its append leaves. It was never reported saved.
    bool tornTail = false;
};

// Splits a log into records (views of bytes). A damaged record with whole data after it
// throws Error(damaged) naming its byte offset.
LogContent ReadLogRecords(std::string_view bytes);

// Whether the log's first record is the base record of stamp.
bool LogAppliesTo(const LogContent& log, FileStamp stamp);

// Replays the change records after the base onto ledger (a body loaded without the
// after-loading process). Throws Error(damaged) naming the record's byte offset when one
// cannot be read or names no movement.
void ReplayLog(const LogContent& log, CSistemaCartera& ledger);

}  // namespace cartera
