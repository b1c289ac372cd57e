#include "hid/device_table.h"

#include <cstring>
#include <limits>

namespace kvn::hid {

HidDeviceTable &DeviceTable() {
  static HidDeviceTable table;
  return table;
}

int32_t GetDeviceCount() { return DeviceTable().count.load(std::memory_order_acquire); }

bool GetDeviceName(char *dest, int32_t index) {
  if (dest == nullptr || index < 0 || index >= GetDeviceCount() || index >= kMaxDeviceRows) return false;
  const auto &text = DeviceTable().rows[static_cast<std::size_t>(index)].instanceText;
  const std::size_t length = strnlen(text.data(), text.size() - 1);
  std::memcpy(dest, text.data(), length);
  dest[length] = '\0';
  return true;
}

void SelectDevice(int32_t index) { DeviceTable().selectedIndex.store(index, std::memory_order_release); }

const HidDeviceEntry *SelectedRow() {
  const int32_t index = DeviceTable().selectedIndex.load(std::memory_order_acquire);
  if (index < 0 || index >= kMaxDeviceRows) return nullptr;
  return &DeviceTable().rows[static_cast<std::size_t>(index)];
}

void SetReportDataLength(int32_t frameLength) {
  // Widened so that no frame length can overflow; such lengths match nothing.
  const int64_t length = static_cast<int64_t>(frameLength) + 1;
  const int32_t stored = length > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                                      : static_cast<int32_t>(length);
  DeviceTable().expectedReportLength.store(stored, std::memory_order_release);
}

int32_t ExpectedReportLength() { return DeviceTable().expectedReportLength.load(std::memory_order_acquire); }

void InstanceTextFromPath(const char *path, char *dest, std::size_t size) {
  if (dest == nullptr || size == 0) return;
  dest[0] = '\0';
  if (path == nullptr) return;
  const char *text = path;
  for (int step = 0; step < 2; ++step) {
    if (const char *hash = std::strchr(text, '#')) text = hash + 1;
  }
  const char *end = std::strchr(text, '#');
  std::size_t length = end != nullptr ? static_cast<std::size_t>(end - text) : std::strlen(text);
  if (length > size - 1) length = size - 1;
  std::memcpy(dest, text, length);
  dest[length] = '\0';
}

}  // namespace kvn::hid
