#include "job.h"

#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "chip_catalogue.h"
#include "hid/device_table.h"
#include "password.h"
#include "procedures/procedures.h"
#include "protocol/delays.h"
#include "settings.h"

namespace kvn::job {
namespace {

// Groups whose procedures this library does not carry end the device's run
// with "variant not supported" instead of passing as programmed.
bool ProcedureMissing(const JobParameters &, protocol::IspContext &context) {
  context.SetLastError(kErrorVariantUnsupported);
  return false;
}

bool IsRunning(const LibraryState &state) {
  // workerRunning is written only by starts (this thread); the worker's last
  // act is workFinished, so a worker that has published it touches nothing
  // of the state any more.
  return state.workerRunning.load(std::memory_order_acquire) &&
         !state.workFinished.load(std::memory_order_acquire);
}

int32_t Refuse(LibraryState &state, int32_t code) {
  state.context.SetLastError(code);
  state.workerRunning.store(false, std::memory_order_release);
  return code;
}

std::string_view TextOf(const std::array<char, kChipNameBytes> &text) {
  return std::string_view(text.data(), strnlen(text.data(), text.size()));
}

void FillParameters(LibraryState &state, const catalogue::ChipRecord &record) {
  JobParameters &job = state.job;
  job.deviceMask = state.deviceMask;
  job.chipIndex = state.chipIndex;
  const catalogue::TimingClass timing =
      record.timingClass < catalogue::kTimingClassCount
          ? catalogue::kTimingClasses[record.timingClass]
          : catalogue::TimingClass{0, 0};
  job.eraseStepDelayMs = timing.eraseStepDelayMs;
  job.blockDelayMs = timing.blockDelayMs;
  job.imageData = state.image.bytes.data();
  job.vendorId = state.vendorId;
  job.productId = state.productId;
  job.password = state.passwordBytes.data();
  job.securityLevel = state.codeSecurity;
  job.checkDeviceCmd = state.checkDeviceCmd;
}

}  // namespace

const std::array<GroupEntry, kSelectorCount> kGroupTable{{
    {1, ProcedureMissing},
    {2, ProcedureMissing},
    {5, ProcedureMissing},
    {3, ProcedureMissing},
    {4, ProcedureMissing},
    {5, ProcedureMissing},
    {6, ProcedureMissing},
    {7, ProcedureMissing},
    {8, ProcedureMissing},
    {9, procedures::ConnectTolv},
    {10, ProcedureMissing},
    {11, ProcedureMissing},
}};

const GroupEntry *GroupOfSelector(uint32_t selector) {
  return selector < kSelectorCount ? &kGroupTable[selector] : nullptr;
}

void RunConnectProcedure(uint32_t selector, const JobParameters &params,
                         protocol::IspContext &context) {
  const GroupEntry *entry = GroupOfSelector(selector);
  if (entry == nullptr) {
    context.SetLastError(kErrorVariantUnsupported);
    return;
  }
  entry->connect(params, context);  // its result is not examined: the code is the outcome
}

void JobWorker(JobParameters params, LibraryState &state) {
  // A start only hands over catalogue rows; anything else selects no group.
  const bool knownRow = params.chipIndex >= 0 && params.chipIndex < catalogue::kChipRecordCount;
  const uint32_t selector =
      knownRow ? catalogue::kChipRecords[static_cast<std::size_t>(params.chipIndex)].procedureSelector
               : kSelectorCount;
  uint32_t mask = params.deviceMask;
  int32_t row = 0;
  while (mask > 0) {
    if ((mask & 1u) != 0) {
      hid::SelectDevice(row);
      RunConnectProcedure(selector, params, state.context);
    }
    ++row;
    mask >>= 1;
    protocol::SpinDelay(kPauseAfterMaskBitMs);
  }
  state.workFinished.store(true, std::memory_order_release);
}

bool LaunchWorkerThread(const JobParameters &params, LibraryState &state) {
  try {
    std::thread(JobWorker, params, std::ref(state)).detach();
    return true;
  } catch (const std::system_error &) {
    return false;
  }
}

int32_t StartIsp(LibraryState &state, WorkerLauncher launch) {
  if (IsRunning(state)) return kErrorJobRunning;

  state.checkDeviceCmd = ReadLibrarySettings();
  state.context.SetLastError(kNoError);
  state.workFinished.store(false, std::memory_order_release);

  if (!CheckPassword(state.passwordText.data(), state.passwordBytes)) {
    return Refuse(state, kErrorPassword);
  }
  protocol::SpinDelay(kPauseBeforeDiscoveryMs);
  if (hid::FindDevices(state.vendorId, state.productId) <= 0) return Refuse(state, kErrorNoDevice);

  state.chipIndex = catalogue::LookupChipRow(TextOf(state.selectedChipName)).value_or(0);
  if (state.chipIndex < 0 || state.chipIndex >= catalogue::kChipRecordCount) state.chipIndex = 0;
  const catalogue::ChipRecord &record =
      catalogue::kChipRecords[static_cast<std::size_t>(state.chipIndex)];
  if (record.seriesCode == catalogue::kSeriesVrelFile) {
    if (!state.chipSelected) return Refuse(state, kErrorNoChip);
    if (!state.imageLoaded) return Refuse(state, kErrorNoVrelImage);
  }

  FillParameters(state, record);
  state.workerRunning.store(true, std::memory_order_release);
  if (!launch(state.job, state)) {
    state.workerRunning.store(false, std::memory_order_release);
    state.context.SetLastError(kErrorWorkerNotStarted);
    state.workFinished.store(true, std::memory_order_release);
    return kErrorWorkerNotStarted;
  }
  return kNoError;
}

}  // namespace kvn::job
