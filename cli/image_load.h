// Loading the firmware file into the library the way the chip's image kind
// asks for, and reading back the checksum the library computed.
//
// HEX/binary chips: KvnISP_LoadHexFileData with the path (the library picks
// Intel HEX or raw binary by the last three letters, "hex" or "bin").
// Vrel chips: kvnisp reads the file and hands its bytes to KvnISP_LoadBuffer,
// which accepts every Vrel record (the file export refuses two of them) and
// needs no write access to the file.
#pragma once

#include "chip_selection.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kvnisp {

struct ImageLoad {
  bool ok = false;
  uint16_t checksum = 0;                 // KvnISP_GetVrelCheckSum after the load
  std::optional<uint16_t> libraryCode;   // the code a refused Vrel load stored
  std::string error;
};

// The largest raw binary image: the library's image buffer.
inline constexpr uint64_t kMaxBinaryImageBytes = 0x40000;
// Bytes of a Vrel file read at most; real ones are below 0x8400.
inline constexpr uint64_t kMaxVrelFileBytes = 0x100000;

ImageLoad LoadImage(const SelectedChip &chip, const std::string &path);

}  // namespace kvnisp
