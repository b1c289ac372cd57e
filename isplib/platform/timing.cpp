#include "platform/timing.h"

#include <chrono>
#include <thread>

namespace kvn::platform {

void SpinDelay(uint32_t ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point target = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() <= target) {
  }
}

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace kvn::platform
