#pragma once
// A movement's extra fields: what later file versions added to a movement beyond the fixed
// records, stored at the end of its extension record as tagged fields, so that each addition
// costs only the movements that use it (a movement with none costs one byte).
#include <cstdint>
#include <string_view>

class CArchive;
class COrderCartera;

namespace cartera {

// The file version from which every extension record ends with extra fields.
inline constexpr int kExtraFieldsSchema = 5;

// The tags of the extra fields. 1..15 are the movement's currency; 16..31 are kept for
// corporate actions.
enum class ExtraTag : uint8_t {
    currency = 1,  // ISO 4217 code, 3 bytes: the movement's currency when not the portfolio's
    rate = 2,      // 8 bytes, a double: portfolio currency per unit of the movement's currency
};

// Whether code is an ISO 4217 code as stored: three capital letters.
bool IsCurrencyCode(std::string_view code);

// Whether ar's records are of a version that holds extra fields.
bool HoldsExtraFields(const CArchive& ar);

// Writes m's extra fields: a byte count (7 bits a byte, low first), then each field whose
// value is not its default as its tag, its length (one byte) and its bytes.
void WriteExtraFields(CArchive& ar, const COrderCartera& m);
// Reads what WriteExtraFields wrote into m. An unknown tag, a field of the wrong length, a
// repeated tag or a count beyond the record is damage: throws CArchiveException (badFormat).
void ReadExtraFields(CArchive& ar, COrderCartera& m);

}  // namespace cartera
