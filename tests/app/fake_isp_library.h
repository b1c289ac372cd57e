// Control interface of the scripted ISP library (fake_isp_library.cpp), a
// stand-in for libKvnHidLib that exports the 16 entry points the upgrade
// application binds. A test dlopens the same file the client loads, sets the
// answers with FakeIsp_SetScript and reads back every call made, in order.
#pragma once

#include <stdint.h>

extern "C" {

struct FakeIspScript {
  uint8_t setPassword = 1;
  uint8_t setChipName = 1;
  uint8_t setVendorId = 1;
  uint8_t setProductId = 1;
  uint8_t loadHex = 1;
  uint8_t loadVrel = 1;
  uint8_t loadBuffer = 1;
  int32_t chipSeries = 18;
  int32_t startCode = 0;
  // What the three getters answer while polled.
  int32_t processPos = 0;
  uint8_t workFinished = 0;
  uint16_t lastError = 0;
};

// Forgets every call and sets the default script.
typedef void (*FakeIspResetFn)(void);
typedef void (*FakeIspSetScriptFn)(const FakeIspScript *script);
// The calls since the last reset, one per line: "Name(arguments)".
typedef const char *(*FakeIspCallLogFn)(void);

}  // extern "C"
