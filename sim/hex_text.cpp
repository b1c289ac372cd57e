#include "hex_text.h"

namespace kvn::sim {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseHexBytes(std::string_view text, std::vector<uint8_t> &out) {
  out.clear();
  if (text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = DigitValue(text[i]);
    const int low = DigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return true;
}

std::string HexText(const uint8_t *data, std::size_t length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(kDigits[data[i] >> 4]);
    text.push_back(kDigits[data[i] & 0x0F]);
  }
  return text;
}

bool ParseNumber(std::string_view text, uint64_t max, uint64_t &out) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
    if (value > (max - static_cast<uint64_t>(digit)) / base) return false;
    value = value * base + static_cast<uint64_t>(digit);
  }
  out = value;
  return true;
}

}  // namespace kvn::sim
