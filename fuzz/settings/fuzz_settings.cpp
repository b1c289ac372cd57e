// Any settings file: the value found is at most 259 characters and ends
// with a terminator inside its field.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  const kvn::SettingText value = kvn::FindProfileValue(text, kvn::kSettingsSection, kvn::kCheckDeviceCmdKey);
  if (strnlen(value.data(), value.size()) >= value.size()) std::abort();
  // Whatever was found lies in the text.
  const std::size_t length = strnlen(value.data(), value.size());
  if (length > 0 && text.find(std::string_view(value.data(), length)) == std::string_view::npos) std::abort();
  return 0;
}
