// What sets the seven Tolv chips apart during a programming run, as data:
// one row per catalogue record of the series.
#pragma once

#include <cstdint>

namespace kvn::procedures {

// Catalogue records of the Tolv series.
inline constexpr int32_t kTolv07 = 9;
inline constexpr int32_t kTolv06 = 10;
inline constexpr int32_t kTolv05 = 11;
inline constexpr int32_t kTolv04 = 13;
inline constexpr int32_t kTolv03 = 14;
inline constexpr int32_t kTolv02 = 17;
inline constexpr int32_t kTolv01 = 18;

// Which column of the security word table a chip reads.
enum class SecurityColumn : uint8_t { Tolv01And02, Tolv03And04, Tolv05To07 };

// When the code option goes to the device after the flash was verified.
enum class OptionAfterVerify : uint8_t { Never, Always, WhenPending };

struct TolvChipRules {
  int32_t record;
  bool acceptsCs3;              // a device at CS3 may still be programmed
  bool guardsSecurityLevel;     // refuses a device at another protection level
  bool writesOptionOnConnect;   // code option written before programming, by the connect step
  bool hasErasePhase;           // code option erase, flash erase, erase wait, blank check
  bool writesOptionBeforeErase; // code option written between code option erase and erase
  OptionAfterVerify optionAfterVerify;
  uint32_t programSettleMs;     // pause between Enable Program and the first data report
  SecurityColumn securityColumn;
};

// The rules of a Tolv record; nullptr for any other record.
const TolvChipRules *FindTolvChipRules(int32_t record);

}  // namespace kvn::procedures
