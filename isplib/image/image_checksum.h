// The checksums of a loaded image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "image/image_buffer.h"

namespace kvn::image {

// Sum of the bytes, kept modulo 65536.
uint32_t ByteSum(std::span<const uint8_t> bytes);

// Sum of the 16-bit little-endian words of the first count bytes (a last odd
// byte pairs with the byte after it), kept modulo 65536.
uint32_t WordSum(const ImageBuffer &image, std::size_t count);

// The checksum of a HEX or binary load for the record, over the first
// flashBytes bytes of its catalogue layout: word sum for the Tolv series,
// byte sum for 8-bit chips loaded from HEX; none for Vrel-file chips, whose
// checksum comes from their own loader.
std::optional<uint32_t> LoadChecksum(const ImageBuffer &image, int32_t record);

}  // namespace kvn::image
