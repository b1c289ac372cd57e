// What kvnisp knows about the library's chip catalogue.
//
// The exports answer "which record does this name select" (KvnISP_GetChipSeries)
// and "is this name known" (KvnISP_SetChipName), but they cannot list the
// names or tell a record's image kind, report length or procedure group. So
// the 40 names and the per-record facts live here as data; `kvnisp chips`
// asks the library for each name's record and shows the facts of the record
// the library answered.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kvnisp {

enum class ImageKind {
  kVrelFile,       // 256-byte header plus program memory, loaded with KvnISP_LoadBuffer
  kHexWordSum,     // Intel HEX or raw binary, 16-bit word checksum (Tolv series)
  kHexByteSum,     // Intel HEX or raw binary, byte checksum (8-bit chip)
};

// How the job's progress moves during the erase phase of one device.
enum class ErasePhase {
  kNone,      // the procedure does not erase with a progress run
  kInstant,   // the erase run jumps from 0 to 100 at once
  kTimed,     // the erase run climbs 1..100 over a measurable time
};

struct ChipRecordFacts {
  int record;
  ImageKind imageKind;
  int reportLength;        // command frame bytes: 8 or 64
  int procedureGroup;      // 1-11
  uint32_t imageBytes;     // Vrel file size, or bytes covered by the load checksum
  ErasePhase erasePhase;
};

struct ChipName {
  const char *name;
  int record;
};

inline constexpr int kChipRecordCount = 20;
inline constexpr int kChipNameCount = 40;

std::span<const ChipName> ChipNames();
const ChipRecordFacts *FactsOfRecord(int record);

// Case-insensitive for A-Z, exact otherwise, as the library compares names.
std::optional<ChipName> FindChipName(std::string_view name);

const char *ImageKindText(ImageKind kind);

}  // namespace kvnisp
