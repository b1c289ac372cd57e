// What discovery needs to know of an interface's HID report descriptor.
//
// Descriptors come from devices, so any byte string is accepted: malformed
// ones (a truncated item, a collection closed that was never opened or left
// open, a Pop without Push, report id 0 or above 255, a report size above
// 256 bits or a count above 12288, the bounds the Linux HID core applies)
// give parsed = false, which discovery treats like an interface without
// report data. Sizes are added without overflow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn::hid {

struct ReportDescriptorCaps {
  bool parsed = false;
  // 1 (the report id byte) + the data bytes of the largest feature report,
  // taken per report id; 0 when the descriptor declares no feature report.
  uint32_t featureReportByteLength = 0;
  // Feature fields that carry values: data, variable, more than one bit
  // each; one per usage given for the field, at least one.
  uint32_t numberFeatureValueCaps = 0;
  // Report id of the first of them (0 when the descriptor uses no ids).
  uint8_t firstFeatureValueReportId = 0;
};

ReportDescriptorCaps ParseReportDescriptor(const uint8_t *data, std::size_t length);

}  // namespace kvn::hid
