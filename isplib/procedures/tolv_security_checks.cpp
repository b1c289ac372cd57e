#include "procedures/tolv_security_checks.h"

#include "procedures/procedure_result.h"
#include "procedures/security_words.h"
#include "procedures/tolv_error_codes.h"

namespace kvn::procedures {
namespace {

bool IsProtectionLevel(uint16_t word) { return word == kSecurityLevel1 || word == kSecurityLevel2; }

// The protection level that securityLevel asks for, as the device reports it.
bool DeviceAtRequestedLevel(uint32_t securityLevel, uint16_t deviceWord) {
  return (securityLevel == 1 && deviceWord == kSecurityLevel1) ||
         (securityLevel == 2 && deviceWord == kSecurityLevel2);
}

}  // namespace

bool RefuseCs3Device(const TolvChipRules &rules, protocol::IspContext &context) {
  if (rules.acceptsCs3 || SecurityWordOf(context.deviceCodeOption) != kSecurityCs3) return true;
  return Fail(context, tolv_error::kSecurityRefused);
}

bool GuardSecurityLevel(const JobParameters &job, const TolvChipRules &rules,
                        protocol::IspContext &context) {
  if (!rules.guardsSecurityLevel) return true;
  context.codeOptionPending = 1;
  const uint16_t deviceWord = SecurityWordOf(context.deviceCodeOption);
  if (DeviceAtRequestedLevel(job.securityLevel, deviceWord)) {
    context.codeOptionPending = 0;
    return true;
  }
  if (!IsProtectionLevel(deviceWord)) return true;
  context.SetLastError(tolv_error::kOtherProtectionLevel);
  context.engine.ReturnUserMode07();  // best effort: the refusal stands either way
  return false;
}

bool WriteCodeOptionOnConnect(const JobParameters &job, const TolvChipRules &rules,
                              protocol::IspContext &context) {
  if (!rules.writesOptionOnConnect) return true;
  PutSecurityWord(context.deviceCodeOption, SecurityWord(rules.securityColumn, job.securityLevel));
  const protocol::CommandResult result =
      context.engine.SetEncryptionAlgorithm03Long(context.deviceCodeOption);
  if (protocol::IspContext::CheckCommandResult(result)) return true;
  return Fail(context, tolv_error::kSecurityRefused);
}

}  // namespace kvn::procedures
