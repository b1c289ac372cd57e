// The emulated Tolv chips: what each one's boot loader and flash look like
// from the outside. Kept apart from the library's catalogue on purpose, so a
// wrong value in the library shows up as a failing job instead of being
// copied into the emulator.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kvn::sim {

struct TolvChip {
  const char *name;
  uint32_t flashBytes;             // size of the emulated flash
  uint32_t sectorBytes;            // unit of the erase command's start and count
  bool erasesOnProgram;            // no erase command: Enable Program clears the flash itself
  uint32_t eraseMs;                // how long an erase command takes before the flash reads blank
  std::array<uint8_t, 4> version;  // what the boot loader reports as its firmware version
};

inline constexpr std::array<TolvChip, 7> kTolvChips = {{
    {"Tolv-01", 0x40000, 0x400, false, 0, {0x20, 0x05, 0x00, 0x00}},
    {"Tolv-02", 0x20000, 0x400, false, 0, {0x20, 0x04, 0x00, 0x00}},
    {"Tolv-03", 0x10000, 0x40, true, 0, {0x20, 0x03, 0x00, 0x00}},
    {"Tolv-04", 0x7800, 0x40, true, 0, {0x20, 0x02, 0x00, 0x00}},
    {"Tolv-05", 0x4000, 0x400, false, 1000, {0x20, 0x01, 0x00, 0x01}},
    {"Tolv-06", 0x8000, 0x400, false, 1000, {0x20, 0x01, 0x00, 0x02}},
    {"Tolv-07", 0x10000, 0x400, false, 2000, {0x20, 0x01, 0x00, 0x03}},
}};

// The chip of that name, letter case ignored; nullptr when there is none.
const TolvChip *FindTolvChip(std::string_view name);

}  // namespace kvn::sim
