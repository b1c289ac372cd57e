#include "protocol/boot_entry_frame.h"

#include <cstddef>
#include <optional>

#include "kvn_product.h"

namespace kvn::protocol {
namespace {

constexpr std::size_t kSettingDigits = 16;

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

// Characters, not bytes: a UTF-8 sequence counts once, as the setting's
// length is a count of characters.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++count;
  }
  return count;
}

std::optional<BootEntryFrame> ParseSetting(std::string_view text) {
  // A text of 16 characters that is not 16 bytes holds a non-ASCII
  // character, which is no hexadecimal digit either.
  if (CharacterCount(text) != kSettingDigits || text.size() != kSettingDigits) return std::nullopt;
  BootEntryFrame frame{};
  for (std::size_t i = 0; i < kSettingDigits; i += 2) {
    const std::optional<uint8_t> high = HexDigit(text[i]);
    const std::optional<uint8_t> low = HexDigit(text[i + 1]);
    if (!high || !low) return std::nullopt;
    frame[i / 2] = static_cast<uint8_t>(*high << 4 | *low);
  }
  return frame;
}

}  // namespace

BootEntryFrame DefaultBootEntryFrame(int32_t chipNumber) {
  BootEntryFrame frame = KVN_BOOT_ENTRY_FRAME_INIT;
  if (chipNumber == KVN_BOOT_ENTRY_CHIP6_INDEX) frame[7] = KVN_BOOT_ENTRY_CHIP6_LAST_BYTE;
  return frame;
}

BootEntryFrame ChooseBootEntryFrame(int32_t chipNumber, std::string_view checkDeviceCmd) {
  if (CharacterCount(checkDeviceCmd) == kSettingDigits) {
    if (std::optional<BootEntryFrame> frame = ParseSetting(checkDeviceCmd)) return *frame;
  }
  return DefaultBootEntryFrame(chipNumber);
}

}  // namespace kvn::protocol
