// kvnisp list: the HID interfaces the library's discovery finds.
#include "chip_selection.h"
#include "command_options.h"
#include "command_output.h"
#include "commands.h"
#include "device_search.h"
#include "diagnostics.h"
#include "exit_status.h"
#include "help_texts.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kvnisp {
namespace {

std::string RowLine(const PairProbe &probe, size_t row, bool quiet) {
  const std::string &name = row < probe.names.size() ? probe.names[row] : std::string("?");
  std::string prefix = quiet ? FormatIds(probe.ids.vendorId, probe.ids.productId) + " " : "  ";
  return prefix + "[" + std::to_string(row) + "] " + name;
}

void AddJsonRows(const PairProbe &probe, std::vector<JsonObject> &devices, std::vector<JsonObject> &denied) {
  for (int row = 0; row < probe.libraryCount; ++row) {
    JsonObject device;
    device.Add("ids", FormatIds(probe.ids.vendorId, probe.ids.productId))
        .Add("vendorId", static_cast<int>(probe.ids.vendorId))
        .Add("productId", static_cast<int>(probe.ids.productId))
        .Add("bootLoader", probe.ids.bootLoader)
        .Add("index", row);
    if (static_cast<size_t>(row) < probe.names.size()) {
      device.Add("name", probe.names[static_cast<size_t>(row)]);
    } else {
      device.AddNull("name");
    }
    devices.push_back(std::move(device));
  }
  for (const HidrawNode &node : probe.nodes) {
    if (!IsPermissionError(node.openError)) continue;
    JsonObject item;
    item.Add("path", node.devicePath).Add("ids", FormatIds(node.vendorId, node.productId)).Add("error", std::strerror(node.openError));
    denied.push_back(std::move(item));
  }
}

}  // namespace

int RunList(std::span<const std::string> words) {
  auto parsed = ParseListOptions(words);
  if (auto *error = std::get_if<OptionError>(&parsed)) return ReportUsageError("list", error->message, words);
  const ListOptions &options = std::get<ListOptions>(parsed);
  if (options.common.help) {
    std::fputs(ListHelp().c_str(), stdout);
    return kExitSuccess;
  }
  CommandOutput out("list", options.common.json, options.common.quiet);
  std::string error;
  std::optional<SelectedChip> chip = SelectChip(options.common.chip, error);
  if (!chip) return ReportUsageError("list", error, words);

  bool productDefaults = !options.common.vendorId;
  std::vector<PairProbe> probes;
  for (const IdPair &ids : CandidateIds(options.common)) probes.push_back(ProbeWithLibrary(ids));

  int listed = 0;
  const PairProbe *deniedProbe = nullptr;
  for (const PairProbe &probe : probes) {
    listed += probe.libraryCount;
    if (deniedProbe == nullptr && probe.HasDeniedNode()) deniedProbe = &probe;
    if (!out.quiet()) {
      std::string count = std::to_string(probe.libraryCount) + (probe.libraryCount == 1 ? " interface" : " interfaces");
      out.Result(DescribePair(probe.ids, productDefaults) + ": " + count + " for " + chip->name + " (" +
                 std::to_string(chip->facts->reportLength + 1) + "-byte feature reports)");
    }
    for (int row = 0; row < probe.libraryCount; ++row) out.Result(RowLine(probe, static_cast<size_t>(row), out.quiet()));
  }

  int status = kExitSuccess;
  std::string message;
  if (deniedProbe != nullptr) {
    status = kExitPermission;
    message = PermissionMessage(*deniedProbe);
  } else if (listed == 0) {
    status = kExitNoDevice;
    message = NotFoundMessage(probes, *chip);
  }
  // A refused node decides the status even beside listed rows: flash would
  // refuse it too, and the rules file is the cure in both cases.
  if (!message.empty()) out.Error(message);

  if (out.json()) {
    std::vector<JsonObject> devices;
    std::vector<JsonObject> denied;
    for (const PairProbe &probe : probes) AddJsonRows(probe, devices, denied);
    JsonObject object;
    object.Add("command", "list")
        .Add("chip", chip->name)
        .Add("reportBytes", chip->facts->reportLength + 1)
        .Add("devices", devices)
        .Add("deniedNodes", denied)
        .Add("status", ExitStatusWord(status))
        .Add("exitStatus", status);
    if (!message.empty()) object.Add("message", message);
    out.Json(object);
  }
  return status;
}

}  // namespace kvnisp
