// The phases of ProgramTolv. Each stores its error code and returns false
// when it fails; progress runs 0-100 within a phase.
#pragma once

#include "chip_catalogue.h"
#include "job_parameters.h"
#include "procedures/tolv_chip_rules.h"
#include "protocol/isp_context.h"

namespace kvn::procedures {

// Code option erase, (Tolv-01/02) code option write, flash erase, erase
// wait and blank check.
bool EraseTolvFlash(const JobParameters &job, const TolvChipRules &rules,
                    const catalogue::ChipLayout &layout, protocol::IspContext &context);

// Enable Program, then every block of the image in ascending order, one
// 64-byte raw report each, paced by blockDelayMs.
bool SendTolvImage(const JobParameters &job, const TolvChipRules &rules,
                   const catalogue::ChipLayout &layout, protocol::IspContext &context);

// Reads the device's checksum of its flash and compares it with the image's.
bool VerifyTolvFlash(const JobParameters &job, const catalogue::ChipLayout &layout,
                     protocol::IspContext &context);

// Reads one raw 64-byte status report and gives the checksum it carries.
bool ReadDeviceChecksum(protocol::IspContext &context, uint16_t &checksum);

}  // namespace kvn::procedures
