#pragma once
// The change log earlier versions kept beside a portfolio file ("NAME.cartera.log"), read
// once so its changes are folded into the file. Records one after another, each: u32 payload
// length, u8 type, u32 CRC-32C of the length, type and payload, then the payload. The first
// (base) names the file it applies to by its size (u64) and body checksum (u32); the others
// open with the last-id counter (u32) and active tab (i32), then: add, u32 N and N movements;
// modify, u32 place and one movement; remove, u32 place; insert, u32 place and one movement.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/env.h"

class CSistemaCartera;

namespace cartera {

// "NAME.cartera.log" beside the file (beside the target, for a symbolic link).
std::string LegacyLogPath(Env& env, const std::string& path);

// Replays the log bytes onto ledger (a body loaded without the after-loading process) when
// its base names the file of size fileSize and body checksum sum; false (nothing replayed)
// when it names another (a checkpoint killed after the file was written), true otherwise. A
// last record cut short is left out with a warning in *warnings; damage throws
// Error(damaged) naming the byte offset.
bool ReplayLegacyLog(std::string_view log, uint64_t fileSize, uint32_t sum, CSistemaCartera& ledger,
                     std::vector<std::string>* warnings);

}  // namespace cartera
