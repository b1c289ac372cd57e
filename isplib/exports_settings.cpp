// Set-up exports: password, chip, ids, device mask, flags, the last error
// code and the message handler.
#include <atomic>
#include <cstring>
#include <optional>
#include <string_view>

#include "chip_catalogue.h"
#include "chip_selection.h"
#include "hid/device_table.h"
#include "kvn_isp.h"
#include "library_state.h"
#include "password.h"
#include "platform/user_messages.h"

namespace {

using kvn::LibraryState;

constexpr uint32_t kMaxDeviceMask = 255;
constexpr uint32_t kMaxSecurityLevel = 3;

// The host's text, read no further than field bytes: a text that does not
// end within them shows as exactly field characters.
std::string_view BoundedText(const char *text, std::size_t field) {
  if (text == nullptr) return {};
  return {text, strnlen(text, field)};
}

// A chip name longer than the field could never match the catalogue.
std::optional<int32_t> LookupHostChipName(std::string_view name) {
  if (name.size() >= kvn::kChipNameBytes) return std::nullopt;
  return kvn::catalogue::LookupChipRow(name);
}

void RecordChip(LibraryState &state, int32_t record, std::string_view name) {
  state.chipIndex = record;
  state.selectedChipName.fill('\0');
  std::memcpy(state.selectedChipName.data(), name.data(), name.size());
  kvn::hid::SetReportDataLength(
      static_cast<int32_t>(kvn::catalogue::kChipRecords[static_cast<std::size_t>(record)].reportLength));
}

// Every character but the terminator becomes a blank, so no start can pass
// the check until a good password is set again.
void BlankPassword(LibraryState &state) {
  state.passwordText.fill(' ');
  state.passwordText.back() = '\0';
}

}  // namespace

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetPassword(const char *password) {
  LibraryState &state = kvn::State();
  // Longer texts are cut to the 259 characters the field holds; only the
  // first eight are ever used.
  const std::string_view copy = BoundedText(password, kvn::kPasswordTextBytes - 1);
  if (!copy.empty()) {
    state.passwordText.fill('\0');
    std::memcpy(state.passwordText.data(), copy.data(), copy.size());
    if (kvn::CheckPassword(state.passwordText.data(), state.passwordBytes)) return 1;
  }
  BlankPassword(state);
  kvn::StoreLastError(state, kvn::frame_error::kPassword);
  return 0;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetChipName(const char *chipName) {
  LibraryState &state = kvn::State();
  state.chipSelected = false;
  const std::string_view name = BoundedText(chipName, kvn::kChipNameBytes);
  if (name.empty()) return 0;
  const std::optional<int32_t> record = LookupHostChipName(name);
  if (!record) {
    kvn::StoreLastError(state, kvn::frame_error::kChipName);
    return 0;
  }
  RecordChip(state, *record, name);
  state.chipSelected = true;
  return 1;
}

extern "C" KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetChipSeries(const char *chipName) {
  LibraryState &state = kvn::State();
  state.imageLoaded = false;
  const std::string_view name = BoundedText(chipName, kvn::kChipNameBytes);
  const std::optional<int32_t> record = LookupHostChipName(name);
  if (!record) {
    kvn::StoreLastError(state, kvn::frame_error::kChipName);
    return state.chipIndex;
  }
  RecordChip(state, *record, name);
  return state.chipIndex;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetVendorID(uint32_t vendorId) {
  LibraryState &state = kvn::State();
  const auto id = static_cast<uint16_t>(vendorId);
  if (id == 0) {
    kvn::StoreLastError(state, kvn::frame_error::kVendorId);
    return 0;
  }
  state.vendorId = id;
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetProductID(uint32_t productId) {
  LibraryState &state = kvn::State();
  const auto id = static_cast<uint16_t>(productId);
  if (id == 0) {
    kvn::StoreLastError(state, kvn::frame_error::kProductId);
    return 0;
  }
  state.productId = id;
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetDevNum(uint32_t deviceMask) {
  if (deviceMask > kMaxDeviceMask) return 0;
  kvn::State().deviceMask = deviceMask;
  return 1;
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_SetCodeSecurity(uint32_t level) {
  LibraryState &state = kvn::State();
  if (level > kMaxSecurityLevel) {
    kvn::StoreLastError(state, kvn::frame_error::kSecurityLevel);
    return 0;
  }
  state.codeSecurity = level;
  return 1;
}

extern "C" KVN_ISP_API void KVN_ISP_CALL KvnISP_SetResetFlag(uint8_t flag) {
  kvn::State().context.resetAfterProgram = flag;
}

extern "C" KVN_ISP_API void KVN_ISP_CALL KvnISP_SetXtalEnable(uint8_t flag) { kvn::State().xtalEnable = flag; }

extern "C" KVN_ISP_API uint16_t KVN_ISP_CALL KvnISP_GetLastErrorCode(void) {
  return static_cast<uint16_t>(kvn::State().context.lastError.load(std::memory_order_acquire));
}

extern "C" KVN_ISP_API void KVN_ISP_CALL KvnISP_SetMessageHandler(KvnMessageHandler handler) {
  kvn::platform::SetMessageHandler(handler);
}
