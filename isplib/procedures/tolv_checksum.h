// The verify checksum of the Tolv series: the low 16 bits of the sum of the
// image's 16-bit little-endian words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn::procedures {

// Word sum over the first bytes bytes of image (an odd last byte is not counted).
uint16_t TolvWordSum(const uint8_t *image, std::size_t bytes);

// Bytes 8-9 of a status report, low byte first: the device's checksum.
uint16_t ReportedChecksum(const uint8_t *report);

}  // namespace kvn::procedures
