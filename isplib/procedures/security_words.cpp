#include "procedures/security_words.h"

#include <algorithm>

namespace kvn::procedures {
namespace {

// Rows: securityLevel 0-3; columns in the order of SecurityColumn.
constexpr std::array<std::array<uint16_t, 3>, 4> kSecurityWords = {{
    {0xFFFF, 0x0000, 0xFFFF},
    {kSecurityLevel1, kSecurityLevel1, kSecurityLevel1},
    {kSecurityLevel2, kSecurityLevel2, kSecurityLevel2},
    {0xC3C3, kSecurityCs3, kSecurityCs3},
}};

}  // namespace

uint16_t SecurityWord(SecurityColumn column, uint32_t securityLevel) {
  const uint32_t row = std::min<uint32_t>(securityLevel, kSecurityWords.size() - 1);
  return kSecurityWords[row][static_cast<std::size_t>(column)];
}

uint16_t SecurityWordOf(const std::array<uint8_t, 4> &codeOption) {
  return static_cast<uint16_t>(codeOption[2] | (codeOption[3] << 8));
}

void PutSecurityWord(std::array<uint8_t, 4> &codeOption, uint16_t word) {
  codeOption[2] = static_cast<uint8_t>(word);
  codeOption[3] = static_cast<uint8_t>(word >> 8);
}

}  // namespace kvn::procedures
