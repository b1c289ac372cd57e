// The parameter block that a start hands to the job's worker.
#pragma once

#include <cstdint>

#include "settings.h"

namespace kvn {

struct JobParameters {
  uint32_t deviceMask = 0;
  int32_t chipIndex = 0;
  uint32_t eraseStepDelayMs = 0;
  uint32_t blockDelayMs = 0;
  uint8_t *imageData = nullptr;     // the live image buffer, not a copy
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  const uint8_t *password = nullptr;  // the live 4 packed-decimal password bytes
  uint32_t securityLevel = 0;
  SettingText checkDeviceCmd{};       // copy of the setting read at this start
};

}  // namespace kvn
