// Moving one feature report (report id 0) to or from the selected row.
// Each transfer opens the device, moves one whole report and closes it.
#pragma once

#include <cstdint>

namespace kvn::hid {

// Sends min(length, reportLength - 1) data bytes, zero-padded to the row's
// report length. False when the device cannot be opened or refuses the report.
bool WriteFeatureReport(const uint8_t *data, int32_t length);

// Reads one report and copies min(length, reportLength - 1) data bytes to
// dest. False (dest untouched) when the device cannot be opened or the read fails.
bool ReadFeatureReport(uint8_t *dest, int32_t length);

}  // namespace kvn::hid
