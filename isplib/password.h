// The ISP password: at least eight characters, the first eight decimal
// digits, packed two digits per byte.
#pragma once

#include <array>
#include <cstdint>

namespace kvn {

// Checks passwordText and, when it passes, packs its first 8 digits into
// passwordBytes (digit 2k in the high nibble of byte k).
bool CheckPassword(const char *passwordText, std::array<uint8_t, 4> &passwordBytes);

}  // namespace kvn
