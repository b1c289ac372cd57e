// Hexadecimal text of byte strings, for options and traffic logs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvn::sim {

// Two digits per byte, no separators; false on an odd length or a non-digit.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t> &out);

// Upper-case digits, two per byte.
std::string HexText(const uint8_t *data, std::size_t length);

// A number written in decimal or with 0x in hexadecimal, at most max.
bool ParseNumber(std::string_view text, uint64_t max, uint64_t &out);

}  // namespace kvn::sim
