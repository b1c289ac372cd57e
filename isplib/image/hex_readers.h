// The two Intel HEX readers: a memory block and a file.
#pragma once

#include <cstdint>

#include "image/image_buffer.h"

namespace kvn::image {

// Both fill the image with the record's blank value first, then store every
// data record. True when data records stored at least one byte; false
// otherwise, and at the first bad line, after the user was told why.

// Lines end with CR LF only; bytes after the last CR LF are ignored. A null
// text or a negative length reads nothing.
bool ReadHexText(ImageBuffer &image, int32_t record, const char *text, int32_t length);

// Lines end with LF or CR LF; a last line without one is ignored. False,
// without a message, when the file cannot be opened or read.
bool ReadHexFile(ImageBuffer &image, int32_t record, const char *path);

}  // namespace kvn::image
