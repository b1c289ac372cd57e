#include "procedures/working_catalogue.h"

namespace kvn::procedures {

WorkingCatalogue::WorkingCatalogue() : layouts_(catalogue::kChipLayouts) {
  for (std::size_t i = 0; i < records_.size(); ++i) {
    records_[i].record = catalogue::kChipRecords[i];
    records_[i].layoutRow = catalogue::kChipRecords[i].layoutBase;
  }
}

bool WorkingCatalogue::SelectLayout(int32_t index, uint8_t variant) {
  WorkingChipRecord &working = Record(index);
  const int32_t row = working.record.layoutBase + variant;
  if (row >= catalogue::kChipLayoutCount) return false;
  working.record.layoutIndex = static_cast<uint8_t>(row);
  working.layoutRow = row;
  return true;
}

WorkingCatalogue &Working() {
  static WorkingCatalogue working;
  return working;
}

}  // namespace kvn::procedures
