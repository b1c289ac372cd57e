// BootEntryFrame: the 8-byte report that makes the product's user firmware
// start the boot loader.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kvn::protocol {

using BootEntryFrame = std::array<uint8_t, 8>;

// The built-in frame of the product; catalogue chip 6 gets its own last byte.
BootEntryFrame DefaultBootEntryFrame(int32_t chipNumber);

// The frame to send: the 16 hexadecimal digits of checkDeviceCmd, two per
// byte in order, when the text is exactly 16 characters long and every one
// is a hexadecimal digit; otherwise the built-in frame. A 16-character text
// with any other character is ignored as a whole, so a mistyped setting
// never sends a half-made report to the user firmware.
BootEntryFrame ChooseBootEntryFrame(int32_t chipNumber, std::string_view checkDeviceCmd);

}  // namespace kvn::protocol
