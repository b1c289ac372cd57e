// Everything the library keeps between calls: one object per process,
// alive from load to unload.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "image/image_buffer.h"
#include "job_parameters.h"
#include "protocol/isp_context.h"
#include "settings.h"

namespace kvn {

inline constexpr std::size_t kPasswordTextBytes = 260;  // 259 characters and a terminator
inline constexpr std::size_t kChipNameBytes = 260;

struct LibraryState {
  uint32_t deviceMask = 0;
  int32_t deviceIndex = 0;
  protocol::IspContext context;
  std::array<char, kPasswordTextBytes> passwordText{};
  std::array<uint8_t, 4> passwordBytes{};
  int32_t chipIndex = 0;
  bool chipSelected = false;
  std::array<char, kChipNameBytes> selectedChipName{};  // as the host wrote it
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  bool imageLoaded = false;
  ImageBuffer image;
  std::atomic<bool> workFinished{false};  // published with release, read with acquire
  JobParameters job;
  uint32_t codeSecurity = 0;
  std::atomic<bool> workerRunning{false};  // a worker thread exists and has not ended
  uint8_t xtalEnable = 0;
  SettingText checkDeviceCmd{};
};

// The process-wide state.
LibraryState &State();

}  // namespace kvn
