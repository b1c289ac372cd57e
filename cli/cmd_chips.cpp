// kvnisp chips: the catalogue as the library answers it.
#include "chip_facts.h"
#include "command_options.h"
#include "command_output.h"
#include "commands.h"
#include "exit_status.h"
#include "help_texts.h"
#include "kvn_isp.h"

#include <cstdio>
#include <vector>

namespace kvnisp {
namespace {

struct ChipRow {
  const char *name;
  bool known;                      // KvnISP_SetChipName accepted the name
  int record;                      // KvnISP_GetChipSeries's answer
  const ChipRecordFacts *facts;    // facts of that record, or null
};

ChipRow AskLibrary(const ChipName &entry) {
  ChipRow row{entry.name, KvnISP_SetChipName(entry.name) != 0, -1, nullptr};
  if (row.known) {
    row.record = KvnISP_GetChipSeries(entry.name);
    row.facts = FactsOfRecord(row.record);
  }
  return row;
}

std::string TextLine(const ChipRow &row) {
  char line[160];
  if (row.facts == nullptr) {
    std::snprintf(line, sizeof line, "%-9s %s", row.name,
                  row.known ? "(record unknown to kvnisp)" : "(refused by the library)");
    return line;
  }
  std::snprintf(line, sizeof line, "%-9s %6d  %-18s %5d  %5d  0x%05X", row.name, row.record,
                ImageKindText(row.facts->imageKind), row.facts->reportLength, row.facts->procedureGroup,
                row.facts->imageBytes);
  return line;
}

JsonObject JsonRow(const ChipRow &row) {
  JsonObject object;
  object.Add("name", row.name).Add("known", row.known);
  if (row.facts == nullptr) {
    object.AddNull("record").AddNull("imageKind").AddNull("frameBytes").AddNull("procedureGroup").AddNull("imageBytes");
    return object;
  }
  object.Add("record", row.record)
      .Add("imageKind", ImageKindText(row.facts->imageKind))
      .Add("frameBytes", row.facts->reportLength)
      .Add("procedureGroup", row.facts->procedureGroup)
      .Add("imageBytes", row.facts->imageBytes);
  return object;
}

}  // namespace

int RunChips(std::span<const std::string> words) {
  auto parsed = ParseChipsOptions(words);
  if (auto *error = std::get_if<OptionError>(&parsed)) return ReportUsageError("chips", error->message, words);
  const ChipsOptions &options = std::get<ChipsOptions>(parsed);
  if (options.help) {
    std::fputs(ChipsHelp().c_str(), stdout);
    return kExitSuccess;
  }
  CommandOutput out("chips", options.json, false);

  std::vector<ChipRow> rows;
  int refused = 0;
  for (const ChipName &entry : ChipNames()) {
    rows.push_back(AskLibrary(entry));
    if (rows.back().facts == nullptr) ++refused;
  }
  int status = refused == 0 ? kExitSuccess : kExitOtherFailure;

  if (options.json) {
    std::vector<JsonObject> items;
    for (const ChipRow &row : rows) items.push_back(JsonRow(row));
    JsonObject object;
    object.Add("command", "chips").Add("chips", items).Add("status", ExitStatusWord(status)).Add("exitStatus", status);
    out.Json(object);
  } else {
    out.Result("name      record  image kind         frame  group  image bytes");
    for (const ChipRow &row : rows) out.Result(TextLine(row));
  }
  if (refused != 0) out.Error(std::to_string(refused) + " chip names are not usable with this library");
  return status;
}

}  // namespace kvnisp
