// The --help texts of kvnisp and its subcommands.
#pragma once

#include <string>

namespace kvnisp {

std::string MainHelp();
std::string ChipsHelp();
std::string ChecksumHelp();
std::string ListHelp();
std::string FlashHelp();

// "Try 'kvnisp flash --help'." and friends.
std::string TryHelpLine(const std::string &command);

// Where the udev rules file is installed (set by the build).
const char *UdevRulesPath();

}  // namespace kvnisp
