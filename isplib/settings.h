// The library's one setting, CheckDeviceCmd, read from "KvnHidLib.ini"
// beside the host program's executable.
#pragma once

#include <array>
#include <cstddef>

namespace kvn {

// At most 259 characters and a terminator.
inline constexpr std::size_t kSettingTextBytes = 260;
using SettingText = std::array<char, kSettingTextBytes>;

// Reads CheckDeviceCmd of section "Settings" from "KvnHidLib.ini" in the
// folder of the running executable; empty when the file, section or key is
// missing.
SettingText ReadLibrarySettings();

}  // namespace kvn
