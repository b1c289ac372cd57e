#include "image/image_checksum.h"

#include <algorithm>

#include "chip_catalogue.h"

namespace kvn::image {

uint32_t ByteSum(std::span<const uint8_t> bytes) {
  uint32_t sum = 0;
  for (uint8_t b : bytes) sum += b;  // cannot overflow below 16 MiB; images are 256 KiB at most
  return sum & 0xFFFFu;
}

uint32_t WordSum(const ImageBuffer &image, std::size_t count) {
  count = std::min(count, kImageBytes);
  uint64_t sum = 0;
  for (std::size_t j = 0; 2 * j < count; ++j) {
    sum += image.bytes[2 * j] + 256u * image.bytes[2 * j + 1];
  }
  return static_cast<uint32_t>(sum & 0xFFFFu);
}

std::optional<uint32_t> LoadChecksum(const ImageBuffer &image, int32_t record) {
  const std::size_t count = std::min<std::size_t>(catalogue::CatalogueLayout(record).flashBytes, kImageBytes);
  switch (catalogue::CatalogueRecord(record).seriesCode) {
    case catalogue::kSeriesTolv:
      return WordSum(image, count);
    case catalogue::kSeriesVrelHex:
      return ByteSum(std::span<const uint8_t>(image.bytes.data(), count));
    default:
      return std::nullopt;
  }
}

}  // namespace kvn::image
