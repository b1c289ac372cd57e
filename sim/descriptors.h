// Report descriptors the emulated interfaces offer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kvn::sim {

enum class DescriptorKind {
  Vendor64,             // vendor page, one 64-byte feature report, no report id
  Vendor8,              // vendor page, one 8-byte feature report, no report id
  Vendor64WithReportId, // vendor page, 64-byte feature report with report id 1
  Keyboard,             // boot keyboard: input and LED output, no feature report
};

std::vector<uint8_t> DescriptorBytes(DescriptorKind kind);

// "64", "8", "id", "keyboard" as written in a --device report= value.
std::optional<DescriptorKind> DescriptorKindByName(std::string_view name);

}  // namespace kvn::sim
