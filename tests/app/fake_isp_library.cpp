// A scripted ISP library for the library client's tests: every entry point
// records its call with its arguments and answers from the current script.
// Built twice: complete, and without KvnISP_SetResetFlag (FAKE_ISP_OMIT_RESET_FLAG)
// to stand for a library that lacks one of the names the client binds.
#include <cstdio>
#include <mutex>
#include <string>

#include "fake_isp_library.h"
#include "kvn_isp.h"

namespace {

std::mutex g_mutex;
FakeIspScript g_script;
std::string g_log;
std::string g_published;

void Record(const std::string &call) {
  std::lock_guard lock(g_mutex);
  g_log += call;
  g_log += '\n';
}

std::string Text(const char *text) { return text != nullptr ? text : "(null)"; }

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%04X", value);
  return buffer;
}

FakeIspScript Script() {
  std::lock_guard lock(g_mutex);
  return g_script;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void FakeIsp_Reset(void) {
  std::lock_guard lock(g_mutex);
  g_script = FakeIspScript{};
  g_log.clear();
}

__attribute__((visibility("default"))) void FakeIsp_SetScript(const FakeIspScript *script) {
  std::lock_guard lock(g_mutex);
  g_script = *script;
}

__attribute__((visibility("default"))) const char *FakeIsp_CallLog(void) {
  std::lock_guard lock(g_mutex);
  g_published = g_log;
  return g_published.c_str();
}

KvnBool KvnISP_SetDevNum(uint32_t deviceMask) {
  Record("SetDevNum(" + std::to_string(deviceMask) + ")");
  return 1;
}

int32_t KvnISP_GetISPProcessPos(void) {
  Record("GetISPProcessPos()");
  return Script().processPos;
}

KvnBool KvnISP_SetPassword(const char *password) {
  Record("SetPassword(" + Text(password) + ")");
  return Script().setPassword;
}

KvnBool KvnISP_SetChipName(const char *chipName) {
  Record("SetChipName(" + Text(chipName) + ")");
  return Script().setChipName;
}

KvnBool KvnISP_SetVendorID(uint32_t vendorId) {
  Record("SetVendorID(" + Hex(vendorId) + ")");
  return Script().setVendorId;
}

KvnBool KvnISP_SetProductID(uint32_t productId) {
  Record("SetProductID(" + Hex(productId) + ")");
  return Script().setProductId;
}

KvnBool KvnISP_LoadVrelFileData(const char *path) {
  Record("LoadVrelFileData(" + Text(path) + ")");
  return Script().loadVrel;
}

// The bytes are logged as their count and their text, so a test sees that
// the whole file arrived.
KvnBool KvnISP_LoadBuffer(const uint8_t *data, uint32_t count) {
  std::string bytes;
  if (data != nullptr) bytes.assign(reinterpret_cast<const char *>(data), count);
  Record("LoadBuffer(" + std::to_string(count) + "," + bytes + ")");
  return Script().loadBuffer;
}

int32_t KvnISP_StartISP(void) {
  Record("StartISP()");
  return Script().startCode;
}

uint16_t KvnISP_GetLastErrorCode(void) {
  Record("GetLastErrorCode()");
  return Script().lastError;
}

KvnBool KvnISP_IsWorkFinished(void) {
  Record("IsWorkFinished()");
  return Script().workFinished;
}

void KvnISP_SetXtalEnable(uint8_t flag) { Record("SetXtalEnable(" + std::to_string(flag) + ")"); }

uint16_t KvnISP_GetVrelCheckSum(void) {
  Record("GetVrelCheckSum()");
  return 0;
}

int32_t KvnISP_GetChipSeries(const char *chipName) {
  Record("GetChipSeries(" + Text(chipName) + ")");
  return Script().chipSeries;
}

KvnBool KvnISP_LoadHexFileData(const char *path) {
  Record("LoadHexFileData(" + Text(path) + ")");
  return Script().loadHex;
}

#ifndef FAKE_ISP_OMIT_RESET_FLAG
void KvnISP_SetResetFlag(uint8_t flag) { Record("SetResetFlag(" + std::to_string(flag) + ")"); }
#endif

}  // extern "C"
