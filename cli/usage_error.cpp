#include "args.h"
#include "command_output.h"
#include "commands.h"
#include "exit_status.h"
#include "help_texts.h"

namespace kvnisp {

int ReportUsageError(const std::string &command, const std::string &message, std::span<const std::string> words) {
  bool json = MentionsJson(words);
  CommandOutput out(command, json, false);
  out.Error(message + "\n" + TryHelpLine(command));
  if (json) {
    JsonObject object;
    object.Add("command", command)
        .Add("status", ExitStatusWord(kExitUsage))
        .Add("exitStatus", static_cast<int>(kExitUsage))
        .Add("message", message);
    out.Json(object);
  }
  return kExitUsage;
}

}  // namespace kvnisp
