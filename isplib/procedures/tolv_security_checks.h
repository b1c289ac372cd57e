// The security rules a Tolv device must pass before it is programmed.
// Each returns false after storing its error code.
#pragma once

#include "job_parameters.h"
#include "procedures/tolv_chip_rules.h"
#include "protocol/isp_context.h"

namespace kvn::procedures {

// A device at CS3 is programmed only on chips that accept it (Tolv-01, Tolv-02).
bool RefuseCs3Device(const TolvChipRules &rules, protocol::IspContext &context);

// Tolv-04: a device already at the requested protection level needs no new
// code option (codeOptionPending cleared); a device at the other level is
// refused and sent back to user mode.
bool GuardSecurityLevel(const JobParameters &job, const TolvChipRules &rules,
                        protocol::IspContext &context);

// Tolv-03: the code option, with the requested security word, goes to the
// device before anything is programmed.
bool WriteCodeOptionOnConnect(const JobParameters &job, const TolvChipRules &rules,
                              protocol::IspContext &context);

}  // namespace kvn::procedures
