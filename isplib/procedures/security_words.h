// The security words of the Tolv series: the protection level a job asks
// for, as the 16-bit word the chip's code option carries in its bytes 2-3.
#pragma once

#include <array>
#include <cstdint>

#include "procedures/tolv_chip_rules.h"

namespace kvn::procedures {

inline constexpr uint16_t kSecurityCs3 = 0x55AA;
inline constexpr uint16_t kSecurityLevel1 = 0x5A5A;
inline constexpr uint16_t kSecurityLevel2 = 0xA5A5;

// The word for securityLevel 0-3; a level above 3 reads as 3.
uint16_t SecurityWord(SecurityColumn column, uint32_t securityLevel);

// The security word that a code option carries (bytes 2-3, low byte first).
uint16_t SecurityWordOf(const std::array<uint8_t, 4> &codeOption);

// Stores word into bytes 2-3 of codeOption, low byte first.
void PutSecurityWord(std::array<uint8_t, 4> &codeOption, uint16_t word);

}  // namespace kvn::procedures
