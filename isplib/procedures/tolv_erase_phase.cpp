#include "procedures/procedure_result.h"
#include "procedures/tolv_checksum.h"
#include "procedures/tolv_error_codes.h"
#include "procedures/tolv_phases.h"
#include "protocol/command_frame.h"
#include "protocol/delays.h"

namespace kvn::procedures {
namespace {

using protocol::IspContext;

// The device erases while the library waits: progress 1-100, each step
// eraseWaitCount pauses of eraseStepDelayMs (none for the largest chips).
void WaitForErase(const JobParameters &job, const catalogue::ChipLayout &layout,
                  IspContext &context) {
  for (int32_t percent = 1; percent <= 100; ++percent) {
    context.ReportProgress(percent);
    for (uint32_t wait = 0; wait < layout.eraseWaitCount; ++wait)
      protocol::SpinDelay(job.eraseStepDelayMs);
  }
}

bool CheckBlank(const catalogue::ChipLayout &layout, IspContext &context) {
  uint16_t checksum = 0;
  if (!ReadDeviceChecksum(context, checksum) || checksum != layout.blankChecksum)
    return Fail(context, tolv_error::kBlankCheckFailed);
  return true;
}

}  // namespace

bool ReadDeviceChecksum(IspContext &context, uint16_t &checksum) {
  protocol::LongFrame report{};
  if (!context.engine.Transport().ReadReport(report.data(), static_cast<int32_t>(report.size())))
    return false;
  checksum = ReportedChecksum(report.data());
  return true;
}

bool EraseTolvFlash(const JobParameters &job, const TolvChipRules &rules,
                    const catalogue::ChipLayout &layout, IspContext &context) {
  protocol::ISP_Command &engine = context.engine;
  if (!IspContext::CheckCommandResult(engine.CompareIspPassword02Long()))
    return Fail(context, tolv_error::kOptionEraseFailed);
  context.ReportProgress(0);
  if (rules.writesOptionBeforeErase &&
      !IspContext::CheckCommandResult(engine.SetEncryptionAlgorithm03Long(context.deviceCodeOption)))
    return Fail(context, tolv_error::kOptionBeforeEraseFailed);
  if (!IspContext::CheckCommandResult(engine.EnableErase04Long(layout.eraseStart, layout.eraseCount)))
    return Fail(context, tolv_error::kEraseFailed);
  WaitForErase(job, layout, context);
  return CheckBlank(layout, context);
}

}  // namespace kvn::procedures
