// The one fixed buffer through which every firmware image passes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvn {

inline constexpr std::size_t kImageBytes = 0x40000;  // 262144

struct ImageBuffer {
  std::array<uint8_t, kImageBytes> bytes{};  // offset = flash byte address; word w at 2w
  uint32_t imageChecksum = 0;                // host sees the low 16 bits
};

}  // namespace kvn
