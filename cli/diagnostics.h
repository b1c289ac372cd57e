// The texts that explain why no device could be used: a node that may not
// be opened (permissions, with the udev rules file named), nodes whose
// reports do not fit the chip, or nothing at all.
#pragma once

#include "chip_selection.h"
#include "device_search.h"

#include <string>
#include <vector>

namespace kvnisp {

std::string PermissionMessage(const PairProbe &probe);
std::string NotFoundMessage(const std::vector<PairProbe> &probes, const SelectedChip &chip);

// "1209:0047 (user firmware)" / "1209:7140 (boot loader)" / "1209:0047".
std::string DescribePair(const IdPair &ids, bool productDefaults);

}  // namespace kvnisp
