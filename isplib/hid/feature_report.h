// Moving one feature report (report id 0) to or from the selected row.
// Each transfer opens the device, moves one whole report and closes it.
#pragma once

#include <cstdint>

namespace kvn::hid {

// Every transfer stages its report in a buffer of this size; longer reports
// are never listed by discovery and never transferred.
inline constexpr uint32_t kStagingBufferBytes = 4096;

// Sends min(length, reportLength - 1) data bytes, zero-padded to the row's
// report length. False when the device cannot be opened or refuses the
// report, and when data is null while length is positive (nothing is sent).
bool WriteFeatureReport(const uint8_t *data, int32_t length);

// Reads one report and copies min(length, reportLength - 1) data bytes to
// dest. False (dest untouched) when the device cannot be opened or the read
// fails, and when dest is null while length is positive. A device that
// answers with fewer bytes than the report holds still succeeds; the bytes
// it did not send read as zero.
bool ReadFeatureReport(uint8_t *dest, int32_t length);

}  // namespace kvn::hid
