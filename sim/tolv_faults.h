// Fault knobs of the emulated Tolv boot loader: which step of a programming
// run goes wrong, and how. Written as a '+'-separated list, for example
//   fail-write:erase+badsum:verify+accept-data:17
//
//   fail-write:STEP   the set-feature report of STEP fails (EPIPE)
//   fail-read:STEP    the get-feature report answering STEP fails (EPIPE)
//   garble:STEP       the answer of STEP carries a wrong header (part number 1)
//   nak:STEP          the answer of STEP carries no acknowledgement
//   badsum:STEP       blank or verify: the reported checksum is one off
//   accept-data:N     only N data reports are taken; later ones fail (EPIPE)
//   vanish-data:N     after N data reports the device is gone (ENODEV)
//   no-erase          the erase command is taken but erases nothing
//   stuck:ADDR        the flash byte at ADDR cannot be programmed
//
// STEP is one of entry, version, option-erase, option, erase, blank,
// program, data, verify, return.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvn::sim {

enum class TolvStep : uint8_t {
  Entry,        // the boot-entry frame
  Version,      // 0x01, read firmware version and code option
  OptionErase,  // 0x02, erase the code option
  Option,       // 0x03, write the code option
  Erase,        // 0x04, erase the flash
  Blank,        // status read after an erase: checksum of the erased flash
  Program,      // 0x05, enable program
  Data,         // one raw data report
  Verify,       // status read after the data phase: checksum of the flash
  Return,       // 0x07, back to user mode
  Other,        // anything else
};
inline constexpr std::size_t kTolvStepCount = 11;

const char *TolvStepName(TolvStep step);
std::optional<TolvStep> ParseTolvStep(std::string_view name);

struct TolvFaults {
  std::bitset<kTolvStepCount> failWrite;
  std::bitset<kTolvStepCount> failRead;
  std::bitset<kTolvStepCount> garble;
  std::bitset<kTolvStepCount> nak;
  std::bitset<kTolvStepCount> badSum;
  int64_t acceptData = -1;    // -1: every data report is taken
  int64_t vanishData = -1;    // -1: never vanishes
  bool noErase = false;
  int64_t stuckAddress = -1;  // -1: every byte programs

  bool Has(const std::bitset<kTolvStepCount> &set, TolvStep step) const {
    return set.test(static_cast<std::size_t>(step));
  }
};

// Adds the faults of text to faults; false with a reason in error when an
// item is not understood.
bool ParseTolvFaults(std::string_view text, TolvFaults &faults, std::string &error);

}  // namespace kvn::sim
