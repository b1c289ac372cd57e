// Group 9: the connect procedure of every Tolv chip.
#include <cstring>
#include <string_view>

#include "procedures/procedure_result.h"
#include "procedures/procedures.h"
#include "procedures/tolv_chip_rules.h"
#include "procedures/tolv_error_codes.h"
#include "procedures/tolv_security_checks.h"
#include "procedures/working_catalogue.h"

namespace kvn::procedures {
namespace {

std::string_view SettingView(const SettingText &text) {
  return {text.data(), strnlen(text.data(), text.size())};
}

// All four bytes: a boot loader of another chip or variant is not this chip's.
bool VersionBelongsToChip(const std::array<uint8_t, 4> &device,
                          const std::array<uint8_t, 4> &expected) {
  return device == expected;
}

bool ReadDeviceVersion(protocol::IspContext &context) {
  const protocol::CommandResult result =
      context.engine.GetFirmwareVersion01Long(context.deviceVersion, context.deviceCodeOption);
  return protocol::IspContext::CheckCommandResult(result) ||
         Fail(context, tolv_error::kVersionReadFailed);
}

// The working record takes the device's version bytes 2-3 and the layout of
// its variant byte (byte 2); only variant 0 exists in the series.
bool SelectTolvLayout(int32_t record, protocol::IspContext &context) {
  WorkingChipRecord &working = Working().Record(record);
  working.record.expectedVersion[2] = context.deviceVersion[2];
  working.record.expectedVersion[3] = context.deviceVersion[3];
  const uint8_t variant = context.deviceVersion[2];
  if (!Working().SelectLayout(record, variant) || variant != 0)
    return Fail(context, tolv_error::kVariantUnsupported);
  return true;
}

}  // namespace

bool ConnectTolv(const JobParameters &job, protocol::IspContext &context) {
  const TolvChipRules *rules = FindTolvChipRules(job.chipIndex);
  if (rules == nullptr) return Fail(context, tolv_error::kVariantUnsupported);

  if (!context.engine.EnterBootMode(job.chipIndex, SettingView(job.checkDeviceCmd)))
    return Fail(context, tolv_error::kBootEntryFailed);
  if (!ReadDeviceVersion(context)) return false;
  if (!VersionBelongsToChip(context.deviceVersion,
                            Working().Record(job.chipIndex).record.expectedVersion))
    return Fail(context, tolv_error::kVersionMismatch);

  if (!RefuseCs3Device(*rules, context)) return false;
  if (!GuardSecurityLevel(job, *rules, context)) return false;
  if (!WriteCodeOptionOnConnect(job, *rules, context)) return false;
  if (!SelectTolvLayout(job.chipIndex, context)) return false;

  // ProgramTolv ends with the return to user mode; nothing is sent after it.
  return ProgramTolv(job, context);
}

}  // namespace kvn::procedures
