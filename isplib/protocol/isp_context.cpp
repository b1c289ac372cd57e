#include "protocol/isp_context.h"

#include <algorithm>

#include "image/image_buffer.h"
#include "platform/user_messages.h"

namespace kvn::protocol {

void IspContext::ReportProgress(int32_t percent) {
  progress.store(std::clamp(percent, 0, 100), std::memory_order_release);
}

bool IspContext::ConfirmXtalOption(std::span<const uint8_t, 8> deviceCodeOptionBytes,
                                   uint32_t codeOptionWordAddress, uint16_t xtalMask) const {
  const auto mask = static_cast<uint8_t>(xtalMask & 0xFFu);
  const uint64_t imageOffset = 2ull * codeOptionWordAddress + 6u;
  const bool imageByteKnown = imageData != nullptr && imageOffset < kImageBytes;
  if (imageByteKnown && (deviceCodeOptionBytes[6] & mask) == (imageData[imageOffset] & mask)) {
    return true;
  }
  return platform::AskYesNo(kXtalMismatchText, kXtalMismatchCaption);
}

}  // namespace kvn::protocol
