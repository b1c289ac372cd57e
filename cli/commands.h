// The subcommands. Each takes the words after its name and returns the
// process's exit status (exit_status.h).
#pragma once

#include <span>
#include <string>

namespace kvnisp {

int RunChips(std::span<const std::string> words);
int RunChecksum(std::span<const std::string> words);
int RunList(std::span<const std::string> words);
int RunFlash(std::span<const std::string> words);

// Reports a command-line error (as JSON too when --json was among the words)
// and returns kExitUsage.
int ReportUsageError(const std::string &command, const std::string &message, std::span<const std::string> words);

}  // namespace kvnisp
