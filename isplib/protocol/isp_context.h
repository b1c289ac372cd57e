// The programming context shared by the chip procedures: the engine, the
// values read from the device, and the job's progress and last error.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "protocol/isp_command.h"

namespace kvn::protocol {

struct IspContext {
  std::array<uint8_t, 4> deviceVersion{};
  std::array<uint8_t, 4> deviceCodeOption{};
  std::array<uint8_t, 4> imageVersion{};
  uint8_t codeOptionPending = 1;
  uint8_t *imageData = nullptr;  // the job's live image; procedures may write code option bytes
  ISP_Command engine;
  // Written by the job's worker, read by the host's getters at any time.
  std::atomic<int32_t> progress{0};
  uint8_t resetAfterProgram = 1;
  std::atomic<int32_t> lastError{0};
};

}  // namespace kvn::protocol
