#include "procedures/tolv_chip_rules.h"

#include <array>

namespace kvn::procedures {
namespace {

using enum OptionAfterVerify;
using enum SecurityColumn;

constexpr std::array<TolvChipRules, 7> kRules = {{
    // record   CS3    guard  connect erase  before after        settle column
    {kTolv01, true, false, false, true, true, Never, 0, Tolv01And02},
    {kTolv02, true, false, false, true, true, Never, 0, Tolv01And02},
    {kTolv03, false, false, true, false, false, Never, 20, Tolv03And04},
    {kTolv04, false, true, false, false, false, WhenPending, 20, Tolv03And04},
    {kTolv05, false, false, false, true, false, Always, 0, Tolv05To07},
    {kTolv06, false, false, false, true, false, Always, 0, Tolv05To07},
    {kTolv07, false, false, false, true, false, Always, 0, Tolv05To07},
}};

}  // namespace

const TolvChipRules *FindTolvChipRules(int32_t record) {
  for (const TolvChipRules &rules : kRules) {
    if (rules.record == record) return &rules;
  }
  return nullptr;
}

}  // namespace kvn::procedures
