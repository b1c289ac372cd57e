// Pauses of the protocol, on the monotonic high-resolution clock.
#pragma once

#include <cstdint>

namespace kvn::platform {

// Busy-waits until at least ms milliseconds have passed; never yields.
void SpinDelay(uint32_t ms);

// Sleeps for at least ms milliseconds.
void SleepMs(uint32_t ms);

}  // namespace kvn::platform
