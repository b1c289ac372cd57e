#include "image/hex_line.h"

#include <cstring>

namespace kvn::image {
namespace {

constexpr uint8_t kNotHex = 0xFF;

constexpr std::array<uint8_t, 256> MakeDigitTable() {
  std::array<uint8_t, 256> table{};
  for (auto &value : table) value = kNotHex;
  for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
  return table;
}
constexpr std::array<uint8_t, 256> kDigitValue = MakeDigitTable();

bool IsDropped(char c) { return c == '\r' || c == '\t'; }

// The line's characters without carriage returns, tabs and the final line
// feed, kept in the line store. False when they do not fit.
class CleanLine {
 public:
  bool Assign(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    bool needsCopy = false;
    for (char c : line) {
      if (IsDropped(c)) {
        needsCopy = true;
        break;
      }
    }
    if (!needsCopy) {
      if (line.size() > kHexLineChars - 1) return false;
      text_ = line;
      return true;
    }
    std::size_t n = 0;
    for (char c : line) {
      if (IsDropped(c)) continue;
      if (n == kHexLineChars - 1) return false;
      store_[n++] = c;
    }
    text_ = std::string_view(store_.data(), n);
    return true;
  }

  // Length counted as the parser does: the line feed included.
  std::size_t LengthWithLineFeed() const { return text_.size() + 1; }

  // Digit k is the character at position k + 1, after the start character.
  // False when that position is past the text or holds no hexadecimal digit.
  bool Digit(std::size_t k, uint8_t &value) const {
    if (k + 1 >= text_.size()) return false;
    value = kDigitValue[static_cast<unsigned char>(text_[k + 1])];
    return value != kNotHex;
  }

  bool Byte(std::size_t k, uint8_t &value) const {
    uint8_t high = 0;
    uint8_t low = 0;
    if (!Digit(k, high) || !Digit(k + 1, low)) return false;
    value = static_cast<uint8_t>((high << 4) | low);
    return true;
  }

 private:
  std::string_view text_;
  std::array<char, kHexLineChars> store_;
};

}  // namespace

bool ParseHexLine(std::string_view line, HexRecord &record) {
  CleanLine clean;
  if (!clean.Assign(line)) return false;

  uint8_t length = 0;
  uint8_t expected = 0;
  if (!clean.Byte(0, length)) return false;
  if (!clean.Byte(2 * std::size_t{length} + 8, expected)) return false;

  const std::size_t n = clean.LengthWithLineFeed();
  unsigned sum = 0;
  for (std::size_t k = 0; k + 4 < n; k += 2) {
    uint8_t value = 0;
    if (!clean.Byte(k, value)) return false;
    sum += value;
  }
  if (static_cast<uint8_t>(0x100 - (sum & 0xFF)) != expected) return false;

  uint8_t addressHigh = 0;
  uint8_t addressLow = 0;
  if (!clean.Byte(2, addressHigh) || !clean.Byte(4, addressLow) || !clean.Byte(6, record.type)) return false;
  record.length = length;
  record.address = static_cast<uint16_t>((addressHigh << 8) | addressLow);

  if (record.type == kHexExtendedLinearAddress) {
    uint8_t upperHigh = 0;
    uint8_t upperLow = 0;
    if (!clean.Byte(8, upperHigh) || !clean.Byte(10, upperLow)) return false;
    record.upperAddress = static_cast<uint16_t>((upperHigh << 8) | upperLow);
  } else if (record.type == kHexData) {
    for (std::size_t i = 0; i < length; ++i) {
      if (!clean.Byte(8 + 2 * i, record.data[i])) return false;
    }
  }
  return true;
}

}  // namespace kvn::image
