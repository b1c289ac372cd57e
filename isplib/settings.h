// The library's one setting, CheckDeviceCmd, read from "KvnHidLib.ini"
// beside the host program's executable.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvn {

// At most 259 characters and a terminator.
inline constexpr std::size_t kSettingTextBytes = 260;
using SettingText = std::array<char, kSettingTextBytes>;

inline constexpr const char *kSettingsFileName = "KvnHidLib.ini";
inline constexpr const char *kSettingsSection = "Settings";
inline constexpr const char *kCheckDeviceCmdKey = "CheckDeviceCmd";

// A settings file larger than this is not read (its value counts as missing).
inline constexpr std::size_t kMaxSettingsFileBytes = 1u << 20;

// Reads CheckDeviceCmd of section "Settings" from "KvnHidLib.ini" in the
// folder of the running executable; empty when the file, section or key is
// missing.
SettingText ReadLibrarySettings();

// The same for the settings file at path.
SettingText ReadLibrarySettingsFrom(const char *path);

// The value of key in section of profile-file text: sections and keys match
// ignoring ASCII case, blanks around keys and values are dropped, a value in
// matching quotes loses them, lines starting with ';' are comments. Only the
// first section of that name is searched. Empty when missing; at most 259
// characters are kept.
SettingText FindProfileValue(std::string_view text, std::string_view section, std::string_view key);

// "<folder of /proc/self/exe>/KvnHidLib.ini"; empty when the executable's
// path cannot be read.
std::string SettingsFilePath();

}  // namespace kvn
