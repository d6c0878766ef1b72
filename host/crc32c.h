#pragma once
// CRC-32C (Castagnoli), the checksum of every file the system writes: the SSE4.2
// instruction where the processor has it (checked once at run time), else a table.
#include <cstdint>
#include <string_view>

namespace cartera {

// Continues the checksum crc (0 to start) over bytes; Crc32c(Crc32c(0, a), b) equals
// Crc32c(0, a + b). The check value of "123456789" is 0xE3069283.
uint32_t Crc32c(uint32_t crc, std::string_view bytes);
inline uint32_t Crc32c(std::string_view bytes) { return Crc32c(0, bytes); }

// The same without the hardware instruction, so tests compare both paths.
uint32_t Crc32cPortable(uint32_t crc, std::string_view bytes);

}  // namespace cartera
