// KvnISP_StartISP's checks in their order, the parameter block, and the two
// cases around the worker: a start while it runs and a worker that cannot
// be started.
#include <gtest/gtest.h>

#include "job_rig.h"

namespace kvn::test {
namespace {

TEST_F(JobRig, NoPasswordIsRefusedBeforeAnyDeviceIsLookedFor) {
  sim::Product &product = PlugProduct();
  ASSERT_EQ(hid::FindDevices(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID), 1);
  product.Unplug();  // a discovery now would empty the table

  Prepare(*state, "Tolv-01", 1, "");
  state->context.SetLastError(26);
  EXPECT_EQ(job::StartIsp(*state), job::kErrorPassword);
  EXPECT_EQ(state->context.lastError.load(), job::kErrorPassword);
  EXPECT_EQ(hid::GetDeviceCount(), 1) << "no discovery ran";
  EXPECT_FALSE(state->workFinished.load());

  std::memset(state->passwordText.data(), ' ', state->passwordText.size());  // a refused set blanks it
  EXPECT_EQ(job::StartIsp(*state), job::kErrorPassword);
  EXPECT_EQ(hid::GetDeviceCount(), 1);
}

TEST_F(JobRig, NoMatchingDeviceGives7AfterThePauseBeforeDiscovery) {
  Prepare(*state, "Tolv-01", 1);
  const auto start = Clock::now();
  EXPECT_EQ(job::StartIsp(*state), job::kErrorNoDevice);
  EXPECT_GE(MsSince(start), 200.0);
  EXPECT_EQ(state->context.lastError.load(), job::kErrorNoDevice);
  EXPECT_FALSE(state->workFinished.load()) << "a refused start is not a finished job";
  EXPECT_FALSE(state->workerRunning.load());
}

TEST_F(JobRig, MaskZeroFinishesAtOnceWithCodeZeroAndNoTraffic) {
  sim::Product &product = PlugProduct();
  Prepare(*state, "Tolv-01", 0);
  state->context.SetLastError(26);
  state->workFinished = true;  // the previous job's end
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(5)));
  EXPECT_EQ(state->context.lastError.load(), job::kNoError);
  EXPECT_TRUE(product.Interface(0).Reports().empty());
}

TEST_F(JobRig, EightBitChipsNeedTheirVrelImage) {
  PlugProduct();
  Prepare(*state, kVrelFileChip, 0);
  EXPECT_EQ(job::StartIsp(*state), job::kErrorNoVrelImage);
  EXPECT_EQ(state->context.lastError.load(), job::kErrorNoVrelImage);

  Prepare(*state, "no such chip", 0);  // falls back to row 0, an 8-bit chip, and none is selected
  EXPECT_EQ(job::StartIsp(*state), job::kErrorNoChip);
  EXPECT_EQ(state->chipIndex, 0);

  Prepare(*state, kVrelFileChip, 0);
  state->imageLoaded = true;
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(5)));

  Prepare(*state, kChipWithoutProcedure, 0);  // 8-bit, but its images are HEX or binary
  state->imageLoaded = false;
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(5)));

  Prepare(*state, "Tolv-01", 0);  // nothing loaded: the 32-bit chips skip both checks
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
}

TEST_F(JobRig, StartFillsTheParameterBlockFromTheState) {
  PlugProduct();
  Prepare(*state, "tOLV-01", 0);  // letter case does not matter
  state->codeSecurity = 2;
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
  const int32_t row = *catalogue::LookupChipRow("Tolv-01");
  const catalogue::TimingClass timing =
      catalogue::kTimingClasses[catalogue::kChipRecords[static_cast<std::size_t>(row)].timingClass];
  const JobParameters &job = state->job;
  EXPECT_EQ(state->chipIndex, row);
  EXPECT_EQ(job.chipIndex, row);
  EXPECT_EQ(job.deviceMask, 0u);
  EXPECT_EQ(job.eraseStepDelayMs, timing.eraseStepDelayMs);
  EXPECT_EQ(job.blockDelayMs, timing.blockDelayMs);
  EXPECT_EQ(job.imageData, state->image.bytes.data()) << "the live buffer, not a copy";
  EXPECT_EQ(job.password, state->passwordBytes.data());
  EXPECT_EQ(state->passwordBytes, (std::array<uint8_t, 4>{0x20, 0x46, 0x13, 0x79}));
  EXPECT_EQ(job.vendorId, KVN_DEVICE_VENDOR_ID);
  EXPECT_EQ(job.productId, KVN_DEVICE_PRODUCT_ID);
  EXPECT_EQ(job.securityLevel, 2u);
  EXPECT_EQ(job.checkDeviceCmd, state->checkDeviceCmd);
}

TEST_F(JobRig, AStartWhileTheWorkerRunsIsRefusedAndLeavesTheJobAlone) {
  PlugProduct();
  Prepare(*state, kChipWithoutProcedure, 0b111);  // three bit positions: 1.5 s of pauses
  ASSERT_EQ(job::StartIsp(*state), job::kNoError);
  const auto start = Clock::now();
  const uint32_t runningMask = state->job.deviceMask;

  state->deviceMask = 0;
  EXPECT_EQ(job::StartIsp(*state), job::kErrorJobRunning);
  EXPECT_LT(state->context.lastError.load(), job::kErrorJobRunning) << "the refusal is not stored";
  EXPECT_EQ(state->job.deviceMask, runningMask) << "the running job's parameters are untouched";

  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(10)));
  EXPECT_GE(MsSince(start), 1000.0);
  EXPECT_EQ(state->context.lastError.load(), job::kErrorVariantUnsupported)
      << "the first job ends with its own code";

  EXPECT_EQ(job::StartIsp(*state), job::kNoError) << "once finished, the next start is taken";
  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(5)));
  EXPECT_EQ(state->context.lastError.load(), job::kNoError);
}

bool NoThread(const JobParameters &, LibraryState &) { return false; }

TEST_F(JobRig, AWorkerThatCannotStartEndsTheJobWithCode42) {
  PlugProduct();
  Prepare(*state, "Tolv-01", 1);
  EXPECT_EQ(job::StartIsp(*state, NoThread), job::kErrorWorkerNotStarted);
  EXPECT_TRUE(state->workFinished.load()) << "a host polling anyway sees an end";
  EXPECT_EQ(state->context.lastError.load(), job::kErrorWorkerNotStarted);
  EXPECT_FALSE(state->workerRunning.load());

  state->deviceMask = 0;
  EXPECT_EQ(job::StartIsp(*state), job::kNoError) << "nothing is left blocking the next start";
}

TEST_F(JobRig, ARefusedStartAfterAFinishedJobDoesNotBlockTheNext) {
  PlugProduct();
  Prepare(*state, "Tolv-01", 0);
  ASSERT_EQ(job::StartIsp(*state), job::kNoError);
  ASSERT_TRUE(WaitFinished(*state, std::chrono::seconds(5)));
  state->passwordText.fill(0);
  EXPECT_EQ(job::StartIsp(*state), job::kErrorPassword);
  Prepare(*state, "Tolv-01", 0);
  EXPECT_EQ(job::StartIsp(*state), job::kNoError);
}

}  // namespace
}  // namespace kvn::test
