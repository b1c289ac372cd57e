// One --device of kvnisp-sim: KEY=VALUE pairs separated by commas.
//
// The framework's keys:
//   vid=, pid=        USB ids (decimal or 0x hexadecimal), both required, nonzero
//   report=           the interfaces, joined by '+': 64, 8 (vendor feature
//                     reports of that many bytes, no report id), id (64 bytes
//                     with report id 1), keyboard (no feature report);
//                     default 64. E.g. report=keyboard+64.
//   model=            the model behind every interface with a feature report
//                     (sim/model_table.h); default echo
//   name=             HID_NAME and USB product string
//   bcd=              the USB device release number, default 0x0100
//   fail-set=N[:E]    the Nth set-feature fails with errno E (default EPIPE)
//   fail-get=N[:E]    the same for get-features
//   unplug-after=N    the product vanishes after N feature reports
//   refuse-rw=1       opens for writing fail; read-only opens work
// Every other key must be one the model takes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "descriptors.h"
#include "model_table.h"
#include "testbed.h"

namespace kvn::sim {

struct DeviceOptions {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t bcdDevice = 0x0100;
  std::string name = "Kvn emulated product";
  std::vector<DescriptorKind> interfaces{DescriptorKind::Vendor64};
  const ModelEntry *model = nullptr;
  ModelOptions options;  // every pair as written
  FaultPlan faults;
};

bool ParseDeviceOptions(std::string_view text, DeviceOptions &out, std::string &error);

// An errno by name (EPIPE, EIO, ETIMEDOUT, ENODEV, EINTR, ...) or number.
bool ParseErrno(std::string_view text, int &out);

// True for interfaces that carry feature reports and so get a model.
bool HasFeatureReports(DescriptorKind kind);

}  // namespace kvn::sim
