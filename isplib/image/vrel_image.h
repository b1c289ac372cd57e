// Vrel images of the 8-bit chips: a 256-byte header, then the chip's whole
// program memory, the total exactly the chip's flashBytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "image/image_buffer.h"

namespace kvn::image {

inline constexpr uint32_t kVrelHeaderBytes = 256;
// Sizes above this are taken as this (and then match no chip).
inline constexpr uint32_t kVrelMaxBytes = 0x8400;

// Codes of a failed Vrel load, as the library reports them.
enum VrelError : int32_t {
  kVrelOk = 0,
  kVrelNoChip = 4,      // no chip selected
  kVrelLoadFailed = 5,  // source unusable, too small, or chip not loadable this way
  kVrelWrongSize = 6,   // size is not the chip's
};

struct VrelOutcome {
  int32_t error = kVrelOk;
  // The record the load looked up (record 0 when the name matched none);
  // empty when the load stopped before the lookup.
  std::optional<int32_t> chipIndex;
  uint32_t checksum = 0;  // byte sum of the program memory mod 65536, on success
};

// Loads a Vrel image from memory. chipSelected and chipName are the host's
// chip selection. The program memory goes to image offset 0; nothing else
// of the image is changed. A chip of a record that this load does not take
// fails after the copy.
VrelOutcome LoadVrelBlock(ImageBuffer &image, const uint8_t *data, uint32_t count, bool chipSelected,
                          std::string_view chipName);

// The same from a file, which must exist, be writable and not be locked by
// anyone else (it is held with an exclusive lock while it is read). Records
// 6 and 7 (Vrel-09, Vrel-08) are refused from files.
VrelOutcome LoadVrelFile(ImageBuffer &image, const char *path, bool chipSelected, std::string_view chipName);

}  // namespace kvn::image
