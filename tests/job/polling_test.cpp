// A host thread polls a running job as an application does; the finished
// flag must come with the job's final code. Run under TSan as well.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "job_rig.h"

namespace kvn::test {
namespace {

struct Sample {
  int32_t progress;
  bool finished;
  int32_t code;
};

TEST_F(JobRig, APollingHostSeesTheFinalCodeWithTheFlag) {
  PlugProduct();
  Prepare(*state, kChipWithoutProcedure, 0b11);
  state->context.progress.store(77);  // the previous job's last value
  ASSERT_EQ(job::StartIsp(*state), job::kNoError);

  std::vector<Sample> samples;
  std::thread host([&] {
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
      Sample s;
      s.progress = state->context.progress.load(std::memory_order_acquire);
      s.finished = state->workFinished.load(std::memory_order_acquire);
      s.code = state->context.lastError.load(std::memory_order_acquire);
      samples.push_back(s);
      if (s.finished) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  host.join();

  ASSERT_FALSE(samples.empty());
  EXPECT_TRUE(samples.back().finished);
  EXPECT_EQ(samples.back().code, job::kErrorVariantUnsupported);
  EXPECT_GT(samples.size(), 10u) << "the job ran for two mask pauses while the host polled";
  for (const Sample &s : samples) {
    EXPECT_EQ(s.progress, 77) << "nothing of this job writes progress";
    if (s.finished) {
      EXPECT_EQ(s.code, job::kErrorVariantUnsupported);
    }
  }
}

}  // namespace
}  // namespace kvn::test
