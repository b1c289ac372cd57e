#include "chip_selection.h"

#include "kvn_isp.h"

namespace kvnisp {

std::optional<SelectedChip> SelectChip(const std::string &name, std::string &error) {
  if (name.empty() || KvnISP_SetChipName(name.c_str()) == 0) {
    error = "unknown chip '" + name + "' (see 'kvnisp chips' for the names)";
    return std::nullopt;
  }
  SelectedChip chip;
  chip.name = name;
  chip.record = KvnISP_GetChipSeries(name.c_str());
  chip.facts = FactsOfRecord(chip.record);
  if (chip.facts == nullptr) {
    error = "the library answered record " + std::to_string(chip.record) + " for chip '" + name +
            "', which this kvnisp does not know";
    return std::nullopt;
  }
  return chip;
}

}  // namespace kvnisp
