#include <cstdint>
#include <span>

#include "image/image_buffer.h"
#include "procedures/procedure_result.h"
#include "procedures/tolv_checksum.h"
#include "procedures/tolv_error_codes.h"
#include "procedures/tolv_phases.h"
#include "protocol/command_frame.h"
#include "protocol/delays.h"

namespace kvn::procedures {
namespace {

using protocol::IspContext;
using protocol::kLongFrameBytes;

int32_t BlockProgress(uint32_t block, uint32_t blockCount) {
  return static_cast<int32_t>(uint64_t{100} * block / blockCount) + 1;
}

}  // namespace

bool SendTolvImage(const JobParameters &job, const TolvChipRules &rules,
                   const catalogue::ChipLayout &layout, IspContext &context) {
  context.ReportProgress(0);
  if (!IspContext::CheckCommandResult(context.engine.EnableProgram05Long(layout.blockCount)))
    return Fail(context, tolv_error::kEnableProgramFailed);
  if (rules.programSettleMs > 0) protocol::SpinDelay(rules.programSettleMs);

  // Every block goes out, blank ones included: the device takes exactly the
  // number announced above.
  for (uint32_t block = 0; block < layout.blockCount; ++block) {
    const std::span<const uint8_t, kLongFrameBytes> data(job.imageData + block * kLongFrameBytes,
                                                         kLongFrameBytes);
    if (!context.engine.WriteLongReport(data)) return Fail(context, tolv_error::kDataWriteFailed);
    context.ReportProgress(BlockProgress(block, layout.blockCount));
    protocol::SpinDelay(job.blockDelayMs);
  }
  context.ReportProgress(100);
  return true;
}

bool VerifyTolvFlash(const JobParameters &job, const catalogue::ChipLayout &layout,
                     IspContext &context) {
  uint16_t deviceSum = 0;
  if (!ReadDeviceChecksum(context, deviceSum) ||
      deviceSum != TolvWordSum(job.imageData, layout.flashBytes))
    return Fail(context, tolv_error::kVerifyFailed);
  return true;
}

}  // namespace kvn::procedures
