// ProgramTolv: the program procedure of every Tolv chip.
#include "image/image_buffer.h"
#include "procedures/procedure_result.h"
#include "procedures/procedures.h"
#include "procedures/security_words.h"
#include "procedures/tolv_error_codes.h"
#include "procedures/tolv_phases.h"
#include "procedures/working_catalogue.h"
#include "protocol/command_frame.h"

namespace kvn::procedures {
namespace {

using protocol::IspContext;

// The layout's data phase and checksum must lie inside the image buffer.
bool ImageCoversLayout(const uint8_t *image, const catalogue::ChipLayout &layout) {
  const uint64_t sent = uint64_t{layout.blockCount} * protocol::kLongFrameBytes;
  return image != nullptr && sent <= kImageBytes && layout.flashBytes <= kImageBytes;
}

bool CodeOptionDueAfterVerify(const TolvChipRules &rules, const IspContext &context) {
  switch (rules.optionAfterVerify) {
    case OptionAfterVerify::Always: return true;
    case OptionAfterVerify::WhenPending: return context.codeOptionPending != 0;
    case OptionAfterVerify::Never: break;
  }
  return false;
}

bool WriteCodeOptionAfterVerify(const TolvChipRules &rules, IspContext &context) {
  if (!CodeOptionDueAfterVerify(rules, context)) return true;
  if (IspContext::CheckCommandResult(
          context.engine.SetEncryptionAlgorithm03Long(context.deviceCodeOption)))
    return true;
  return Fail(context, tolv_error::kOptionAfterVerifyFailed);
}

bool ReturnToUserMode(IspContext &context) {
  if (context.resetAfterProgram == 0) return true;
  if (IspContext::CheckCommandResult(context.engine.ReturnUserMode07())) return true;
  return Fail(context, tolv_error::kReturnUserModeFailed);
}

}  // namespace

bool ProgramTolv(const JobParameters &job, IspContext &context) {
  context.imageData = job.imageData;
  const TolvChipRules *rules = FindTolvChipRules(job.chipIndex);
  if (rules == nullptr) return Fail(context, tolv_error::kVariantUnsupported);
  const catalogue::ChipLayout &layout = Working().Layout(job.chipIndex);
  // Nothing is erased when the image could not be sent in full.
  if (!ImageCoversLayout(job.imageData, layout)) return Fail(context, tolv_error::kDataWriteFailed);

  // Bytes 0-1 keep the device's code option word.
  PutSecurityWord(context.deviceCodeOption, SecurityWord(rules->securityColumn, job.securityLevel));

  if (rules->hasErasePhase && !EraseTolvFlash(job, *rules, layout, context)) return false;
  if (!SendTolvImage(job, *rules, layout, context)) return false;
  if (!VerifyTolvFlash(job, layout, context)) return false;
  if (!WriteCodeOptionAfterVerify(*rules, context)) return false;
  return ReturnToUserMode(context);
}

}  // namespace kvn::procedures
