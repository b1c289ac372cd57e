// Raw binary images: the bytes are the image from offset 0.
#pragma once

#include <cstdint>

#include "image/image_buffer.h"

namespace kvn::image {

// Fills the image with the record's blank value, then copies count bytes
// from data to offset 0. False, image untouched, for a null data pointer
// with a nonzero count or a count above 262144 (the image's size): an image
// that does not fit is refused rather than cut.
bool LoadBinaryBlock(ImageBuffer &image, int32_t record, const uint8_t *data, uint32_t count);

// Fills the image with the record's blank value, then reads the existing
// file at path into it from offset 0. False when the file cannot be opened,
// is not a regular file, is empty, holds more than 262144 bytes or cannot be
// read; the image then holds the blank fill (and, after a failed read,
// whatever was read). Never creates a file.
bool LoadBinaryFile(ImageBuffer &image, int32_t record, const char *path);

}  // namespace kvn::image
