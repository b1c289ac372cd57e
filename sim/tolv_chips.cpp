#include "tolv_chips.h"

#include <cctype>

namespace kvn::sim {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

const TolvChip *FindTolvChip(std::string_view name) {
  for (const TolvChip &chip : kTolvChips) {
    if (EqualIgnoringCase(chip.name, name)) return &chip;
  }
  return nullptr;
}

}  // namespace kvn::sim
