// The two pauses on which the protocol's timing rests.
#pragma once

#include <cstdint>

namespace kvn::protocol {

// Busy-waits until at least ms milliseconds have passed on the monotonic
// clock; the thread never yields.
void SpinDelay(uint32_t ms);

// The pause between a command and its answer: sleeps ms milliseconds, then
// SpinDelay(ms), so it always lasts at least 2 * ms.
void CommandDelay(uint32_t ms);

}  // namespace kvn::protocol
