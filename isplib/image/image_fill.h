// The blank fill that every HEX and binary load starts from.
#pragma once

#include <cstdint>

#include "image/image_buffer.h"

namespace kvn::image {

// Fills all 262144 bytes with the record's blank value (BlankValue).
void FillBlank(ImageBuffer &image, int32_t record);

}  // namespace kvn::image
