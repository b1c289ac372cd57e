// The worker on its own thread and a host thread polling it, without any
// device: under ThreadSanitizer this checks that the flag is published
// after the final code and that the getters' reads race with nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "chip_catalogue.h"
#include "job.h"
#include "library_state.h"

namespace kvn::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(WorkerPolling, TheFlagComesWithTheFinalCode) {
  auto state = std::make_unique<LibraryState>();
  state->context.progress.store(55);
  state->context.SetLastError(0);
  state->workFinished.store(false);
  state->workerRunning.store(true);

  JobParameters params;
  params.chipIndex = *catalogue::LookupChipRow("Vrel-01");  // a group without a procedure
  params.deviceMask = 0b11;
  ASSERT_TRUE(job::LaunchWorkerThread(params, *state));

  int32_t codeWhenFinished = -1;
  int polls = 0;
  const auto end = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < end) {
    const bool finished = state->workFinished.load(std::memory_order_acquire);
    const int32_t code = state->context.lastError.load(std::memory_order_acquire);
    EXPECT_EQ(state->context.progress.load(std::memory_order_acquire), 55);
    ++polls;
    if (finished) {
      codeWhenFinished = code;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  EXPECT_EQ(codeWhenFinished, job::kErrorVariantUnsupported);
  EXPECT_GT(polls, 10);
}

}  // namespace
}  // namespace kvn::test
