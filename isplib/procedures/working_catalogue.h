// The procedures' own copy of the chip records and layouts. It starts equal
// to the catalogue; the connect procedures write into it what they learn
// from the device (version bytes 2-3 and the layout variant), so the
// catalogue that the exported functions read never changes. The copy keeps
// what the last connect wrote for as long as the library stays loaded.
//
// Only the job's worker touches it, one job at a time.
#pragma once

#include <array>
#include <cstdint>

#include "chip_catalogue.h"

namespace kvn::procedures {

struct WorkingChipRecord {
  catalogue::ChipRecord record;  // expectedVersion bytes 2-3 and layoutIndex are written
  int32_t layoutRow;             // the row the program procedure reads: starts at layoutBase
};

class WorkingCatalogue {
 public:
  WorkingCatalogue();

  // Record index 0-19; the caller checks the range (IsRecord).
  WorkingChipRecord &Record(int32_t index) { return records_[static_cast<std::size_t>(index)]; }
  const catalogue::ChipLayout &Layout(int32_t index) const {
    return layouts_[static_cast<std::size_t>(records_[static_cast<std::size_t>(index)].layoutRow)];
  }

  static bool IsRecord(int32_t index) { return index >= 0 && index < catalogue::kChipRecordCount; }

  // Selects variant of the record's layouts: layoutIndex = layoutBase + variant.
  // False, with nothing changed, when that row lies outside the layout table.
  bool SelectLayout(int32_t index, uint8_t variant);

 private:
  std::array<WorkingChipRecord, catalogue::kChipRecordCount> records_;
  std::array<catalogue::ChipLayout, catalogue::kChipLayoutCount> layouts_;
};

// The process-wide working copy, made from the catalogue at first use.
WorkingCatalogue &Working();

}  // namespace kvn::procedures
