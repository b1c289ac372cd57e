// Device exports: counting, naming and selecting the matching HID
// interfaces, and the host's own raw report transfers.
#include <cstdint>

#include "hid/device_table.h"
#include "hid/feature_report.h"
#include "kvn_isp.h"
#include "library_state.h"
#include "platform/timing.h"

namespace {

constexpr int32_t kErrorWriteData = 21;
constexpr int32_t kErrorReadData = 28;
constexpr uint32_t kTransferPauseMs = 5;  // before every raw transfer of the host

void StoreError(int32_t code) { kvn::State().context.lastError.store(code, std::memory_order_release); }

// Ids arrive in 32-bit slots; the low 16 bits are the USB id.
uint16_t UsbId(uint32_t slot) { return static_cast<uint16_t>(slot & 0xFFFFu); }

}  // namespace

extern "C" KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetDevNum(uint32_t vendorId, uint32_t productId) {
  kvn::hid::FindDevices(UsbId(vendorId), UsbId(productId));
  return kvn::hid::GetDeviceCount();
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_OpenISPDevice(uint32_t vendorId, uint32_t productId) {
  return kvn::hid::FindDevices(UsbId(vendorId), UsbId(productId)) > 0 ? 1 : 0;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_GetDevName(int32_t index, char *name) {
  return kvn::hid::GetDeviceName(name, index) ? 1 : 0;
}

extern "C" KVN_ISP_API void KVN_ISP_CALL KvnISP_SetDevIndex(int32_t index) {
  kvn::State().deviceIndex = index > kvn::hid::GetDeviceCount() ? 0 : index;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_WriteData(const uint8_t *data, int32_t length) {
  kvn::platform::SpinDelay(kTransferPauseMs);
  if (kvn::hid::WriteFeatureReport(data, length)) return 1;
  StoreError(kErrorWriteData);
  return 0;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_ReadData(uint8_t *data, int32_t length) {
  kvn::platform::SpinDelay(kTransferPauseMs);
  if (kvn::hid::ReadFeatureReport(data, length)) return 1;
  StoreError(kErrorReadData);
  return 0;
}
