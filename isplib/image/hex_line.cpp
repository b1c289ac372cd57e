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

// Characters of a line without its final line feed; at most the line store.
constexpr std::size_t kMaxCleanChars = kHexLineChars - 1;
// Digit pairs that a line of that length can hold.
constexpr std::size_t kMaxPairs = kMaxCleanChars / 2;

bool HasDroppedCharacter(std::string_view line) {
  return std::memchr(line.data(), '\r', line.size()) != nullptr ||
         std::memchr(line.data(), '\t', line.size()) != nullptr;
}

// The line without carriage returns, tabs and its final line feed; false
// when that does not fit the line store.
bool CleanLine(std::string_view line, std::array<char, kMaxCleanChars> &store, std::string_view &clean) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!HasDroppedCharacter(line)) {
    if (line.size() > kMaxCleanChars) return false;
    clean = line;
    return true;
  }
  std::size_t n = 0;
  for (char c : line) {
    if (c == '\r' || c == '\t') continue;
    if (n == store.size()) return false;
    store[n++] = c;
  }
  clean = std::string_view(store.data(), n);
  return true;
}

// The digits after the start character, read as pairs.
class Digits {
 public:
  explicit Digits(std::string_view clean)
      : digits_(clean.empty() ? clean : clean.substr(1)) {}

  // The byte of digits 2i and 2i + 1; false when they are missing or not hex.
  bool Pair(std::size_t i, uint8_t &value) const {
    if (2 * i + 1 >= digits_.size()) return false;
    return PairInRange(i, value);
  }

  // The same, for a pair known to lie inside the digits.
  bool PairInRange(std::size_t i, uint8_t &value) const { return (PairBits(i, value) & 0xF0) == 0; }

  // Decodes pair i into value and returns its two digit values or-ed: bits
  // 4-7 are set when either character is not a hexadecimal digit.
  uint8_t PairBits(std::size_t i, uint8_t &value) const {
    const uint8_t high = kDigitValue[static_cast<unsigned char>(digits_[2 * i])];
    const uint8_t low = kDigitValue[static_cast<unsigned char>(digits_[2 * i + 1])];
    value = static_cast<uint8_t>((high << 4) | low);
    return static_cast<uint8_t>(high | low);
  }

 private:
  std::string_view digits_;
};

}  // namespace

bool ParseHexLine(std::string_view line, HexRecord &record) {
  std::array<char, kMaxCleanChars> store;
  std::string_view clean;
  if (!CleanLine(line, store, clean)) return false;
  const Digits digits(clean);

  // n counts the start character and the line feed. The pairs whose first
  // digit lies below n - 4 are summed; they always lie inside the line.
  const std::size_t n = clean.size() + 1;
  const std::size_t summedPairs = n > 4 ? (n - 4 + 1) / 2 : 0;
  std::array<uint8_t, kMaxPairs> bytes;
  unsigned sum = 0;
  uint8_t bits = 0;
  for (std::size_t i = 0; i < summedPairs; ++i) {
    bits |= digits.PairBits(i, bytes[i]);
    sum += bytes[i];
  }
  if ((bits & 0xF0) != 0) return false;
  // Byte i of the line: already decoded when summed, else read now.
  auto byteAt = [&](std::size_t i, uint8_t &value) {
    if (i < summedPairs) {
      value = bytes[i];
      return true;
    }
    return digits.Pair(i, value);
  };

  uint8_t length = 0;
  uint8_t expected = 0;
  if (!byteAt(0, length) || !byteAt(std::size_t{length} + 4, expected)) return false;
  if (static_cast<uint8_t>(0x100 - (sum & 0xFF)) != expected) return false;

  uint8_t addressHigh = 0;
  uint8_t addressLow = 0;
  if (!byteAt(1, addressHigh) || !byteAt(2, addressLow) || !byteAt(3, record.type)) return false;
  record.length = length;
  record.address = static_cast<uint16_t>((addressHigh << 8) | addressLow);

  if (record.type == kHexExtendedLinearAddress) {
    uint8_t upperHigh = 0;
    uint8_t upperLow = 0;
    if (!byteAt(4, upperHigh) || !byteAt(5, upperLow)) return false;
    record.upperAddress = static_cast<uint16_t>((upperHigh << 8) | upperLow);
  } else if (record.type == kHexData) {
    for (std::size_t i = 0; i < length; ++i) {
      if (!byteAt(4 + i, record.data[i])) return false;
    }
  }
  return true;
}

}  // namespace kvn::image
