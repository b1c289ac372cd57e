// The device models that kvnisp-sim can put behind a --device, by name.
//
// The table itself is data in sim/model_table.cpp: one row per model with
// its name (the model= value), the option keys it takes besides the
// framework's own (see sim/device_options.h), a one-line summary for
// --help and its factory. A new model adds one row there.
#pragma once

#include <span>
#include <string_view>

#include "device_model.h"

namespace kvn::sim {

struct ModelEntry {
  std::string_view name;
  std::string_view keys;  // option keys of the model, separated by single spaces
  std::string_view summary;
  ModelFactory make;
};

std::span<const ModelEntry> ModelTable();

// The row named name, or nullptr.
const ModelEntry *FindModel(std::string_view name);

// True when key is one of the row's keys.
bool ModelTakesKey(const ModelEntry &entry, std::string_view key);

}  // namespace kvn::sim
