// The process-wide table of matching HID interfaces and its selected row.
#pragma once

#include <cstdint>

namespace kvn::hid {

inline constexpr int32_t kMaxDeviceRows = 10;
inline constexpr int32_t kDeviceTextBytes = 256;  // path and instance text, terminator included

// Refills the table with the interfaces whose ids match and whose feature
// report has the expected length and report id 0; returns the row count.
int32_t FindDevices(uint16_t vendorId, uint16_t productId);

// Rows filled by the last discovery; no device access.
int32_t GetDeviceCount();

// Copies row index's instance text (terminator included, at most
// kDeviceTextBytes) to dest; false when index is negative or not below the count.
bool GetDeviceName(char *dest, int32_t index);

// Makes row index the target of every later transfer; not checked here.
void SelectDevice(int32_t index);

// Discovery then lists only interfaces whose feature reports have
// frameLength + 1 bytes (report id included). Initially 9.
void SetReportDataLength(int32_t frameLength);

}  // namespace kvn::hid
