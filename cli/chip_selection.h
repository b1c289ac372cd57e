// Naming the chip to the library and learning its catalogue record.
#pragma once

#include "chip_facts.h"

#include <optional>
#include <string>

namespace kvnisp {

struct SelectedChip {
  std::string name;                 // as the user wrote it
  int record = 0;                   // KvnISP_GetChipSeries's answer
  const ChipRecordFacts *facts = nullptr;
};

// KvnISP_SetChipName, then KvnISP_GetChipSeries (which must come before any
// image load). On failure returns nothing and says why in `error`.
std::optional<SelectedChip> SelectChip(const std::string &name, std::string &error);

}  // namespace kvnisp
