// The error codes that the Tolv procedures leave for the host
// (KvnISP_GetLastErrorCode), by the step that stores them.
#pragma once

#include <cstdint>

namespace kvn::procedures::tolv_error {

inline constexpr int32_t kBootEntryFailed = 7;        // the boot-entry frame could not be sent
inline constexpr int32_t kVersionReadFailed = 10;     // the version command failed
inline constexpr int32_t kVersionMismatch = 11;       // the boot loader is not the chip's
inline constexpr int32_t kVariantUnsupported = 13;    // the device's variant byte is not supported
inline constexpr int32_t kEnableProgramFailed = 20;
inline constexpr int32_t kDataWriteFailed = 21;       // a data report could not be written
inline constexpr int32_t kOptionBeforeEraseFailed = 22;
inline constexpr int32_t kVerifyFailed = 26;          // the flash's checksum is not the image's
inline constexpr int32_t kReturnUserModeFailed = 27;
inline constexpr int32_t kOptionEraseFailed = 29;
inline constexpr int32_t kEraseFailed = 30;
inline constexpr int32_t kBlankCheckFailed = 31;
inline constexpr int32_t kOptionAfterVerifyFailed = 32;
inline constexpr int32_t kSecurityRefused = 34;       // CS3 device, or Tolv-03's early code option failed
inline constexpr int32_t kOtherProtectionLevel = 39;  // Tolv-04 at a protection level not asked for

}  // namespace kvn::procedures::tolv_error
