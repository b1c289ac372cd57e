// A host program for the settings tests: prints the CheckDeviceCmd value
// that the library finds beside this executable, between brackets.
#include <cstdio>

#include "settings.h"

int main() {
  const kvn::SettingText value = kvn::ReadLibrarySettings();
  std::printf("[%s]\n", value.data());
  return 0;
}
