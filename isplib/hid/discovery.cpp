// Finding the target among the machine's HID interfaces.
#include <cstring>

#include "hid/device_table.h"
#include "hid/feature_report.h"
#include "hid/interface_open.h"
#include "hid/report_descriptor.h"

namespace kvn::hid {
namespace {

using platform::HidInterfaceClass;

constexpr HidInterfaceClass kInterfaceClassOrder[] = {
    HidInterfaceClass::Hid,
    HidInterfaceClass::Mouse,
    HidInterfaceClass::Keyboard,
};

constexpr uint32_t kMaxDescriptorBytes = 4096;

struct Walk {
  const platform::HidBackend *backend;
  uint16_t vendorId;
  uint16_t productId;
  int32_t expectedLength;
  HidDeviceTable *table;
  int32_t count;
};

// The capabilities of an interface that passed the id check, or false when
// it has no usable report descriptor.
bool ReadCapabilities(const platform::HidBackend &backend, platform::HidHandle handle, ReportDescriptorCaps &caps) {
  uint8_t descriptor[kMaxDescriptorBytes];
  const int32_t length = backend.getReportDescriptor(handle, descriptor, sizeof descriptor);
  if (length < 0 || static_cast<uint32_t>(length) > sizeof descriptor) return false;
  caps = ParseReportDescriptor(descriptor, static_cast<std::size_t>(length));
  return caps.parsed;
}

void FillRow(HidDeviceEntry &row, int32_t number, const platform::HidInterfaceInfo &info,
             const platform::HidAttributes &attributes, const ReportDescriptorCaps &caps) {
  row.number = number;
  std::memcpy(row.path.data(), info.path, std::strlen(info.path) + 1);  // fits: checked by the caller
  if (info.instanceText != nullptr && info.instanceText[0] != '\0') {
    const std::size_t length = strnlen(info.instanceText, row.instanceText.size() - 1);
    std::memcpy(row.instanceText.data(), info.instanceText, length);
    row.instanceText[length] = '\0';
  } else {
    InstanceTextFromPath(info.path, row.instanceText.data(), row.instanceText.size());
  }
  row.capabilities.featureReportByteLength = caps.featureReportByteLength;
  row.capabilities.numberFeatureValueCaps = caps.numberFeatureValueCaps;
  row.attributes = attributes;
}

// Lists the interface in the next row when it is the one we look for.
void ConsiderInterface(Walk &walk, const platform::HidInterfaceInfo &info) {
  if (info.path == nullptr || strnlen(info.path, kDeviceTextBytes) >= static_cast<std::size_t>(kDeviceTextBytes)) {
    return;
  }
  const platform::HidBackend &backend = *walk.backend;
  const platform::HidHandle handle = OpenInterface(backend, info.path);
  const bool opened = handle != platform::kInvalidHidHandle;
  platform::HidAttributes attributes{};
  if (opened) {
    platform::HidAttributes read{};
    if (backend.getAttributes(handle, info, read)) attributes = read;
  }
  ReportDescriptorCaps caps;
  const bool matches = attributes.vendorId == walk.vendorId && attributes.productId == walk.productId && opened &&
                       ReadCapabilities(backend, handle, caps);
  if (opened) backend.close(handle);
  if (!matches) return;

  const uint8_t reportId = caps.numberFeatureValueCaps == 0 ? 0 : caps.firstFeatureValueReportId;
  const uint32_t length = caps.featureReportByteLength;
  if (length != static_cast<uint32_t>(walk.expectedLength) || reportId != 0) return;
  if (length > kStagingBufferBytes) return;

  FillRow(walk.table->rows[static_cast<std::size_t>(walk.count)], walk.count, info, attributes, caps);
  ++walk.count;
}

bool VisitInterface(void *context, const platform::HidInterfaceInfo &info) {
  Walk &walk = *static_cast<Walk *>(context);
  if (walk.count >= kMaxDeviceRows) return false;
  ConsiderInterface(walk, info);
  return walk.count < kMaxDeviceRows;  // a full table ends the walk
}

}  // namespace

int32_t EnumerateInterfaces(uint16_t vendorId, uint16_t productId) {
  HidDeviceTable &table = DeviceTable();
  table.rows = {};
  table.count.store(0, std::memory_order_release);
  Walk walk{&platform::CurrentHidBackend(), vendorId, productId, ExpectedReportLength(), &table, 0};
  // A list that cannot be obtained leaves what was found before it failed.
  walk.backend->listInterfaces(table.currentClass, VisitInterface, &walk);
  table.count.store(walk.count, std::memory_order_release);
  return walk.count;
}

int32_t FindDevices(uint16_t vendorId, uint16_t productId) {
  int32_t found = 0;
  for (HidInterfaceClass cls : kInterfaceClassOrder) {
    DeviceTable().currentClass = cls;
    found = EnumerateInterfaces(vendorId, productId);
    if (found > 0) break;
  }
  return found;
}

}  // namespace kvn::hid
