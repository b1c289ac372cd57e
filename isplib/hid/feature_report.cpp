#include "hid/feature_report.h"

#include <algorithm>
#include <cstring>

#include "hid/device_table.h"
#include "hid/interface_open.h"

namespace kvn::hid {
namespace {

// The selected row's report length when a transfer to it can be made.
bool TransferTarget(const HidDeviceEntry *&row, uint32_t &reportLength) {
  row = SelectedRow();
  if (row == nullptr || row->path[0] == '\0') return false;
  reportLength = row->capabilities.featureReportByteLength;
  return reportLength >= 1 && reportLength <= kStagingBufferBytes;
}

// The data bytes a transfer takes from or gives to the caller.
std::size_t DataBytes(int32_t length, uint32_t reportLength) {
  if (length <= 0) return 0;
  return std::min<std::size_t>(static_cast<std::size_t>(length), reportLength - 1);
}

}  // namespace

bool WriteFeatureReport(const uint8_t *data, int32_t length) {
  const HidDeviceEntry *row = nullptr;
  uint32_t reportLength = 0;
  if (!TransferTarget(row, reportLength)) return false;
  if (data == nullptr && length > 0) return false;
  const platform::HidBackend &backend = platform::CurrentHidBackend();
  const platform::HidHandle handle = OpenInterface(backend, row->path.data());
  if (handle == platform::kInvalidHidHandle) return false;

  uint8_t staging[kStagingBufferBytes] = {};  // byte 0: report id 0
  const std::size_t n = DataBytes(length, reportLength);
  if (n > 0) std::memcpy(staging + 1, data, n);
  const bool sent = backend.setFeature(handle, staging, reportLength);
  backend.close(handle);
  return sent;
}

bool ReadFeatureReport(uint8_t *dest, int32_t length) {
  const HidDeviceEntry *row = nullptr;
  uint32_t reportLength = 0;
  if (!TransferTarget(row, reportLength)) return false;
  if (dest == nullptr && length > 0) return false;
  const platform::HidBackend &backend = platform::CurrentHidBackend();
  const platform::HidHandle handle = OpenInterface(backend, row->path.data());
  if (handle == platform::kInvalidHidHandle) return false;

  uint8_t staging[kStagingBufferBytes] = {};  // asks for report id 0
  const int32_t received = backend.getFeature(handle, staging, reportLength);
  backend.close(handle);
  if (received < 1) return false;
  // A short answer: what did not arrive reads as zero, never as bytes of an
  // earlier report or whatever a driver left behind.
  const uint32_t arrived = std::min(static_cast<uint32_t>(received), reportLength);
  std::memset(staging + arrived, 0, reportLength - arrived);
  const std::size_t n = DataBytes(length, reportLength);
  if (n > 0) std::memcpy(dest, staging + 1, n);
  return true;
}

}  // namespace kvn::hid
