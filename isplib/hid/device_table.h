// The process-wide table of matching HID interfaces and its selected row.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/hid_backend.h"

namespace kvn::hid {

inline constexpr int32_t kMaxDeviceRows = 10;
inline constexpr int32_t kDeviceTextBytes = 256;  // path and instance text, terminator included
inline constexpr int32_t kInitialReportLength = 9;

struct HidCapabilities {
  uint32_t featureReportByteLength = 0;  // report id byte included
  uint32_t numberFeatureValueCaps = 0;
};

// One matching interface.
struct HidDeviceEntry {
  int32_t number = 0;
  std::array<char, kDeviceTextBytes> path{};          // what every transfer opens
  std::array<char, kDeviceTextBytes> instanceText{};  // the device name the host reads
  HidCapabilities capabilities;
  platform::HidAttributes attributes;
};

// Discovery (host thread) writes rows and count; the job's worker selects
// rows and transfers through them. The host must not run a discovery while
// a job runs; the atomics keep the values that both threads touch whole.
struct HidDeviceTable {
  std::array<HidDeviceEntry, kMaxDeviceRows> rows{};
  std::atomic<int32_t> count{0};
  std::atomic<int32_t> selectedIndex{0};
  std::atomic<int32_t> expectedReportLength{kInitialReportLength};
  platform::HidInterfaceClass currentClass = platform::HidInterfaceClass::Hid;
};

HidDeviceTable &DeviceTable();

// Refills the table with the interfaces whose ids match and whose feature
// report has the expected length and report id 0; returns the row count.
// Tries the interface classes in order and stops at the first that lists one.
int32_t FindDevices(uint16_t vendorId, uint16_t productId);

// Walks the current interface class once and refills the table. At most
// kMaxDeviceRows interfaces are listed, the first ones found; the walk stops
// when the table is full. An interface whose path does not fit
// kDeviceTextBytes is not listed (it could not be opened by its row);
// an instance text that does not fit is cut to kDeviceTextBytes - 1
// characters. Reports longer than the transfer's staging buffer are never
// listed, whatever length is expected.
int32_t EnumerateInterfaces(uint16_t vendorId, uint16_t productId);

// Rows filled by the last discovery; no device access.
int32_t GetDeviceCount();

// Copies row index's instance text (terminator included, at most
// kDeviceTextBytes) to dest; false when index is negative or not below the count.
bool GetDeviceName(char *dest, int32_t index);

// Makes row index the target of every later transfer; not checked here
// (a transfer to a row outside the table or an empty row fails).
void SelectDevice(int32_t index);

// The row transfers go to; nullptr when the selected index lies outside the table.
const HidDeviceEntry *SelectedRow();

// Discovery then lists only interfaces whose feature reports have
// frameLength + 1 bytes (report id included). Initially 9.
void SetReportDataLength(int32_t frameLength);

int32_t ExpectedReportLength();

// The device-instance part of a path of the form
// prefix#bus-ids#instance#class: what follows the second '#' up to the next.
// A missing '#' leaves the text as it is at that step. At most size - 1
// characters and a terminator are written.
void InstanceTextFromPath(const char *path, char *dest, std::size_t size);

}  // namespace kvn::hid
