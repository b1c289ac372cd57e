#include <gtest/gtest.h>

#include <string>

#include "password.h"

namespace kvn {
namespace {

TEST(CheckPassword, PacksTwoDigitsPerByteFirstDigitHigh) {
  std::array<uint8_t, 4> bytes{};
  ASSERT_TRUE(CheckPassword("20461379", bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x20, 0x46, 0x13, 0x79}));
  ASSERT_TRUE(CheckPassword("98765432", bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x98, 0x76, 0x54, 0x32}));
}

TEST(CheckPassword, UsesOnlyTheFirstEightCharacters) {
  std::array<uint8_t, 4> bytes{};
  ASSERT_TRUE(CheckPassword("12345678abc", bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
  ASSERT_TRUE(CheckPassword("000000009999", bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(CheckPassword, RefusesShortOrNonDigitTextsAndLeavesBytes) {
  std::array<uint8_t, 4> bytes{0xAA, 0xBB, 0xCC, 0xDD};
  const std::array<uint8_t, 4> before = bytes;
  EXPECT_FALSE(CheckPassword("", bytes));
  EXPECT_FALSE(CheckPassword("1234567", bytes));
  EXPECT_FALSE(CheckPassword("1234567a", bytes));
  EXPECT_FALSE(CheckPassword("a2345678", bytes));
  EXPECT_FALSE(CheckPassword(" 12345678", bytes));
  EXPECT_FALSE(CheckPassword("1234/678", bytes));  // '/' and ':' border the digits
  EXPECT_FALSE(CheckPassword("1234:678", bytes));
  EXPECT_FALSE(CheckPassword(nullptr, bytes));
  EXPECT_EQ(bytes, before);
}

TEST(CheckPassword, BlankedFieldWithoutTerminatorIsReadOnlyWithinTheField) {
  // 260 blanks and no terminator inside the field, followed by digits that
  // must never be reached.
  std::string field(260, ' ');
  field += "12345678";
  std::array<uint8_t, 4> bytes{};
  EXPECT_FALSE(CheckPassword(field.c_str(), bytes));
}

}  // namespace
}  // namespace kvn
