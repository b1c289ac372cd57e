// The programming context shared by the chip procedures: the engine, the
// values read from the device, and the job's progress and last error.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "protocol/isp_command.h"

namespace kvn::protocol {

inline constexpr const char *kXtalMismatchText =
    "X'tal setting in code option does not match!! Do you want to continue?";
inline constexpr const char *kXtalMismatchCaption = "Error";

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

  // True only for CommandOk. Shows nothing and stores no code.
  static bool CheckCommandResult(CommandResult result) { return result == CommandResult::CommandOk; }

  // Publishes the running step's percentage, clamped to 0-100.
  void ReportProgress(int32_t percent);

  // Stores an error code for the host (release order).
  void SetLastError(int32_t code) { lastError.store(code, std::memory_order_release); }

  // Compares the crystal bits (xtalMask, low byte) of the device's code
  // option byte 6 with image byte 2 * codeOptionWordAddress + 6. Equal: true.
  // Different (or that byte lies outside the image): asks the user through
  // the message layer and returns true only for Yes. The procedure passes the
  // two values of the chip's current layout.
  bool ConfirmXtalOption(std::span<const uint8_t, 8> deviceCodeOptionBytes,
                         uint32_t codeOptionWordAddress, uint16_t xtalMask) const;
};

}  // namespace kvn::protocol
