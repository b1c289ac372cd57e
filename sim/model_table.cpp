#include "model_table.h"

#include <iterator>

#include "echo_model.h"
#include "product_model.h"
#include "scripted_model.h"

namespace kvn::sim {
namespace {

const ModelEntry kModelTable[] = {
    {"echo", "", "answers every get-feature with the data of the last set-feature", MakeEchoModel},
    {"scripted", "answers loop",
     "answers get-features from answers=HEX[+HEX...] in turn (loop=1 starts over), then stalls",
     MakeScriptedModel},
    {"product", "chip mode version codeoption security entry erasems fill fault",
     "the product: user firmware and Tolv boot loader with its own flash (see sim/product_model.h)",
     MakeProductModel},
};

}  // namespace

std::span<const ModelEntry> ModelTable() { return kModelTable; }

const ModelEntry *FindModel(std::string_view name) {
  for (const ModelEntry &entry : kModelTable) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

bool ModelTakesKey(const ModelEntry &entry, std::string_view key) {
  std::string_view rest = entry.keys;
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    if (!word.empty() && word == key) return true;
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return false;
}

}  // namespace kvn::sim
