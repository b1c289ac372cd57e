// The device table's storage. Discovery (FindDevices) fills it; until a
// discovery has run, the table is empty.
#include "hid/device_table.h"

#include <array>
#include <atomic>
#include <cstring>

namespace kvn::hid {
namespace {

struct DeviceTable {
  std::array<std::array<char, kDeviceTextBytes>, kMaxDeviceRows> names{};
  int32_t count = 0;
  int32_t selected = 0;
  // Feature report length (report id included) that discovery accepts.
  std::atomic<int32_t> expectedReportLength{9};
};

DeviceTable &Table() {
  static DeviceTable table;
  return table;
}

}  // namespace

int32_t GetDeviceCount() { return Table().count; }

bool GetDeviceName(char *dest, int32_t index) {
  DeviceTable &table = Table();
  if (dest == nullptr || index < 0 || index >= table.count) return false;
  const auto &name = table.names[static_cast<std::size_t>(index)];
  std::memcpy(dest, name.data(), strnlen(name.data(), name.size() - 1) + 1);
  return true;
}

void SelectDevice(int32_t index) { Table().selected = index; }

void SetReportDataLength(int32_t frameLength) {
  Table().expectedReportLength.store(frameLength + 1, std::memory_order_relaxed);
}

}  // namespace kvn::hid
