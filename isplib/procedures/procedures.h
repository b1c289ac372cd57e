// The chip procedures that the job's worker runs for one selected device.
#pragma once

#include "job_parameters.h"
#include "protocol/isp_context.h"

namespace kvn::procedures {

// Group 9, every Tolv chip: boot entry, version and security checks, layout
// selection, then ProgramTolv. True when the chip was programmed; every
// failure leaves its code in context.lastError.
bool ConnectTolv(const JobParameters &job, protocol::IspContext &context);

// Erase, blank check, program, verify, code option and reset of a Tolv chip
// whose connect step has read the device and selected the layout.
bool ProgramTolv(const JobParameters &job, protocol::IspContext &context);

}  // namespace kvn::procedures
