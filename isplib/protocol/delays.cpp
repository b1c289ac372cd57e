#include "protocol/delays.h"

#include "platform/timing.h"

namespace kvn::protocol {

void SpinDelay(uint32_t ms) { platform::SpinDelay(ms); }

void CommandDelay(uint32_t ms) {
  platform::SleepMs(ms);
  platform::SpinDelay(ms);
}

}  // namespace kvn::protocol
