// kvnisp checksum: the checksum the library computes for an image.
#include "chip_selection.h"
#include "command_options.h"
#include "command_output.h"
#include "commands.h"
#include "exit_status.h"
#include "help_texts.h"
#include "image_load.h"
#include "user_prompt.h"

#include <cstdio>

namespace kvnisp {
namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

}  // namespace

int RunChecksum(std::span<const std::string> words) {
  auto parsed = ParseChecksumOptions(words);
  if (auto *error = std::get_if<OptionError>(&parsed)) return ReportUsageError("checksum", error->message, words);
  const ChecksumOptions &options = std::get<ChecksumOptions>(parsed);
  if (options.common.help) {
    std::fputs(ChecksumHelp().c_str(), stdout);
    return kExitSuccess;
  }
  CommandOutput out("checksum", options.common.json, options.common.quiet);
  // The HEX reader reports bad lines as notices; no question is ever asked here.
  InstallUserPrompt(QuestionPolicy::kAnswerNo, {nullptr, stderr});

  JsonObject object;
  object.Add("command", "checksum").Add("chip", options.common.chip).Add("file", options.file);
  auto finish = [&](int status, const std::string &message) {
    if (status != kExitSuccess) out.Error(message);
    if (out.json()) {
      object.Add("status", ExitStatusWord(status)).Add("exitStatus", status);
      if (!message.empty()) object.Add("message", message);
      out.Json(object);
    }
    return status;
  };

  std::string error;
  std::optional<SelectedChip> chip = SelectChip(options.common.chip, error);
  if (!chip) return finish(kExitUsage, error);
  object.Add("record", chip->record).Add("imageKind", ImageKindText(chip->facts->imageKind));

  ImageLoad load = LoadImage(*chip, options.file);
  if (!load.ok) {
    object.AddNull("checksum").AddNull("checksumHex");
    return finish(kExitImage, load.error);
  }
  object.Add("checksum", static_cast<int>(load.checksum)).Add("checksumHex", Hex4(load.checksum));
  if (out.quiet()) {
    out.Result(Hex4(load.checksum));
  } else {
    out.Result(Hex4(load.checksum) + "  " + options.file + "  (" + chip->name + ", " +
               ImageKindText(chip->facts->imageKind) + ")");
  }
  return finish(kExitSuccess, {});
}

}  // namespace kvnisp
