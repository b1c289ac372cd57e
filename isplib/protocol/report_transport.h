// The path by which the command engine moves one feature report. The default
// goes to the selected HID device; tests put a scripted device in its place.
#pragma once

#include <cstdint>

namespace kvn::protocol {

class ReportTransport {
 public:
  virtual ~ReportTransport() = default;

  // Sends length data bytes (report id 0 is added below). False on failure.
  virtual bool WriteReport(const uint8_t *data, int32_t length) = 0;

  // Reads one report's first length data bytes into dest. False on failure.
  virtual bool ReadReport(uint8_t *dest, int32_t length) = 0;
};

// The transport of the selected device row (hid::WriteFeatureReport and
// hid::ReadFeatureReport). One process-wide instance without state.
ReportTransport &HidReportTransport();

}  // namespace kvn::protocol
