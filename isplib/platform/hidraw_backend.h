// The Linux HID backend: libudev lists the hidraw nodes, hidraw ioctls move
// the reports. Exposed for the white-box tests of its parsing.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/hid_backend.h"

namespace kvn::platform::hidraw {

// Vendor and product id from a hid device's HID_ID, "BBBB:VVVVVVVV:PPPPPPPP"
// (hexadecimal bus, vendor, product); none when the text is malformed or an
// id does not fit 16 bits.
std::optional<HidAttributes> ParseHidId(std::string_view text);

// The number of a node called hidrawN, for ordering; none for other names.
std::optional<uint32_t> NodeNumber(std::string_view sysname);

}  // namespace kvn::platform::hidraw
