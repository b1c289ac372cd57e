#include "password.h"

#include <cstddef>
#include <cstring>

namespace kvn {
namespace {

// The password field holds 259 characters and a terminator; its length is
// never counted past the field.
constexpr std::size_t kPasswordFieldBytes = 260;
constexpr std::size_t kPasswordDigits = 8;

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool CheckPassword(const char *passwordText, std::array<uint8_t, 4> &passwordBytes) {
  if (passwordText == nullptr) return false;
  if (strnlen(passwordText, kPasswordFieldBytes) < kPasswordDigits) return false;
  for (std::size_t i = 0; i < kPasswordDigits; ++i) {
    if (!IsDecimalDigit(passwordText[i])) return false;
  }
  for (std::size_t k = 0; k < passwordBytes.size(); ++k) {
    const auto high = static_cast<uint8_t>(passwordText[2 * k] - '0');
    const auto low = static_cast<uint8_t>(passwordText[2 * k + 1] - '0');
    passwordBytes[k] = static_cast<uint8_t>((high << 4) | low);
  }
  return true;
}

}  // namespace kvn
