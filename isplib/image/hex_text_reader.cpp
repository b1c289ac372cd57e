#include <cstring>
#include <string_view>

#include "image/hex_image_reader.h"
#include "image/hex_readers.h"

namespace kvn::image {

bool ReadHexText(ImageBuffer &image, int32_t record, const char *text, int32_t length) {
  HexImageReader reader(image, record);
  if (text == nullptr || length <= 0) return false;
  const std::size_t size = static_cast<std::size_t>(length);

  // A line ends at a line feed directly after a carriage return; a lone line
  // feed belongs to the line.
  std::size_t lineStart = 0;
  std::size_t searchFrom = 1;
  while (searchFrom < size) {
    const void *found = std::memchr(text + searchFrom, '\n', size - searchFrom);
    if (found == nullptr) break;
    const std::size_t lineFeed = static_cast<std::size_t>(static_cast<const char *>(found) - text);
    searchFrom = lineFeed + 1;
    if (text[lineFeed - 1] != '\r') continue;
    const std::string_view content(text + lineStart, lineFeed - 1 - lineStart);
    if (reader.OnLine(content, true) == HexImageReader::Step::Stop) return false;
    lineStart = lineFeed + 1;
  }
  return reader.DataPresent();
}

}  // namespace kvn::image
