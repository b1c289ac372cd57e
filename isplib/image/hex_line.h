// One Intel HEX record line: its checksum verdict and its fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvn::image {

// The readers' line store: 259 characters counting the line feed, not
// counting carriage returns and tabs (which the parser drops). A longer line
// is refused as a bad line.
inline constexpr std::size_t kHexLineChars = 259;

// Intel HEX record types the readers act on.
enum HexRecordType : uint8_t {
  kHexData = 0,
  kHexEndOfFile = 1,
  kHexExtendedLinearAddress = 4,
  kHexStartLinearAddress = 5,
};

struct HexRecord {
  uint8_t length = 0;   // L, the byte count field
  uint16_t address = 0; // record address, high byte first in the text
  uint8_t type = 0;
  // Data digits 8-11 as a 16-bit number: the upper address of a type 4
  // record. Only meaningful for type 4.
  uint16_t upperAddress = 0;
  std::array<uint8_t, 255> data{};  // the L data bytes of a data record
};

// Parses one record line, with or without its line end. The start character
// is not examined; letters may be of either case. True when the checksum
// agrees; then record holds the fields. False (record unspecified) for a
// checksum mismatch, and also for a line too long for the line store, a line
// that ends before a field it needs, or a field character that is not a
// hexadecimal digit.
//
// The checksum adds the bytes of the digit pairs whose first digit lies below
// n - 4, n being the line's length with its line feed and without carriage
// returns and tabs; for a well-formed line these are the count, address,
// type and data bytes, and extra characters after the checksum make the
// line fail.
bool ParseHexLine(std::string_view line, HexRecord &record);

}  // namespace kvn::image
