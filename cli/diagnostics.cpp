#include "diagnostics.h"

#include "help_texts.h"

#include <cstring>

namespace kvnisp {
namespace {

std::string JoinPairs(const std::vector<PairProbe> &probes) {
  std::string text;
  for (size_t i = 0; i < probes.size(); ++i) {
    if (i != 0) text += i + 1 == probes.size() ? " or " : ", ";
    text += FormatIds(probes[i].ids.vendorId, probes[i].ids.productId);
  }
  return text;
}

}  // namespace

std::string DescribePair(const IdPair &ids, bool productDefaults) {
  std::string text = FormatIds(ids.vendorId, ids.productId);
  if (productDefaults) text += ids.bootLoader ? " (boot loader)" : " (user firmware)";
  return text;
}

std::string PermissionMessage(const PairProbe &probe) {
  std::string paths;
  int error = 0;
  for (const HidrawNode &node : probe.nodes) {
    if (!IsPermissionError(node.openError)) continue;
    if (!paths.empty()) paths += ", ";
    paths += node.devicePath;
    error = node.openError;
  }
  return "a device with ids " + FormatIds(probe.ids.vendorId, probe.ids.productId) + " is present (" + paths +
         ") but cannot be opened: " + std::strerror(error) +
         ".\n"
         "This is a permission problem, not a missing device. Install the udev rules file\n"
         "60-kvnisp.rules as " +
         UdevRulesPath() +
         " (it is packaging/60-kvnisp.rules\n"
         "in the source tree), then reload the rules and replug the product:\n"
         "  sudo udevadm control --reload && sudo udevadm trigger";
}

std::string NotFoundMessage(const std::vector<PairProbe> &probes, const SelectedChip &chip) {
  if (probes.empty()) return "no matching device";
  std::string text = "no device found with ids " + JoinPairs(probes) + " for chip " + chip.name + " (" +
                     std::to_string(chip.facts->reportLength + 1) + "-byte feature reports)";
  for (const PairProbe &probe : probes) {
    for (const HidrawNode &node : probe.nodes) {
      if (node.openError != 0) continue;
      text += "\n" + node.devicePath + (node.hidName.empty() ? "" : " (" + node.hidName + ")") + " carries ids " +
              FormatIds(node.vendorId, node.productId) + " but has no feature report of that length; is --chip right?";
    }
  }
  return text;
}

}  // namespace kvnisp
