#include "procedures/tolv_checksum.h"

namespace kvn::procedures {

uint16_t TolvWordSum(const uint8_t *image, std::size_t bytes) {
  uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < bytes; i += 2) sum += image[i] | (image[i + 1] << 8);
  return static_cast<uint16_t>(sum);
}

uint16_t ReportedChecksum(const uint8_t *report) {
  return static_cast<uint16_t>(report[8] | (report[9] << 8));
}

}  // namespace kvn::procedures
