// Puts the library's process-wide state back to its load-time values, so
// that each test starts from a freshly loaded library whatever ran before.
#pragma once

#include <atomic>

#include "library_state.h"

namespace kvn::test {

inline void ResetLibraryState() {
  LibraryState &state = State();
  state.deviceMask = 0;
  state.deviceIndex = 0;
  state.context.lastError.store(0, std::memory_order_release);
  state.context.resetAfterProgram = 1;
  state.passwordText.fill('\0');
  state.passwordBytes.fill(0);
  state.chipIndex = 0;
  state.chipSelected = false;
  state.selectedChipName.fill('\0');
  state.vendorId = 0;
  state.productId = 0;
  state.imageLoaded = false;
  state.image.bytes.fill(0);
  state.image.imageChecksum = 0;
  state.codeSecurity = 0;
  state.xtalEnable = 0;
  state.checkDeviceCmd.fill('\0');
}

}  // namespace kvn::test
