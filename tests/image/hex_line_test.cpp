// The record parser: checksum rule, fields, and lines it must refuse.
#include <gtest/gtest.h>

#include <string>

#include "image/hex_line.h"
#include "image_test_support.h"

namespace kvn::image {
namespace {

using test::HexLine;

TEST(ParseHexLine, DataRecordFields) {
  HexRecord record;
  ASSERT_TRUE(ParseHexLine(":0300300002337A1E\n", record));
  EXPECT_EQ(record.type, kHexData);
  EXPECT_EQ(record.length, 3);
  EXPECT_EQ(record.address, 0x0030);
  EXPECT_EQ(record.data[0], 0x02);
  EXPECT_EQ(record.data[1], 0x33);
  EXPECT_EQ(record.data[2], 0x7A);
}

TEST(ParseHexLine, WithOrWithoutLineEndAndEitherLetterCase) {
  HexRecord record;
  EXPECT_TRUE(ParseHexLine(":00000001FF", record));
  EXPECT_EQ(record.type, kHexEndOfFile);
  EXPECT_TRUE(ParseHexLine(":00000001ff\n", record));
  EXPECT_TRUE(ParseHexLine(":00000001FF\r\n", record));
  EXPECT_TRUE(ParseHexLine(":10010000214601360121470136007EFE09D2190140\n", record));
  EXPECT_TRUE(ParseHexLine(":10010000214601360121470136007efe09d2190140\n", record));
  EXPECT_EQ(record.data[11], 0xFE);
}

TEST(ParseHexLine, StartCharacterIsNotExamined) {
  HexRecord record;
  EXPECT_TRUE(ParseHexLine("#00000001FF\n", record));
  EXPECT_TRUE(ParseHexLine("000000001FF\n", record));
}

TEST(ParseHexLine, ExtendedLinearAddress) {
  HexRecord record;
  ASSERT_TRUE(ParseHexLine(":020000040003F7\n", record));
  EXPECT_EQ(record.type, kHexExtendedLinearAddress);
  EXPECT_EQ(record.upperAddress, 0x0003);
  EXPECT_EQ(record.address, 0);
}

TEST(ParseHexLine, WrongChecksumFails) {
  HexRecord record;
  EXPECT_FALSE(ParseHexLine(":00000001FE\n", record));
  EXPECT_FALSE(ParseHexLine(":0300300002337A1F\n", record));
  // A changed data digit.
  EXPECT_FALSE(ParseHexLine(":0300300002347A1E\n", record));
}

TEST(ParseHexLine, CarriageReturnsAndTabsAnywhereAreDropped) {
  HexRecord record;
  ASSERT_TRUE(ParseHexLine(":03\t0030\r0002\t\t337A1E\r\r\n", record));
  EXPECT_EQ(record.address, 0x0030);
  EXPECT_EQ(record.data[2], 0x7A);
}

TEST(ParseHexLine, TrailingCharactersAfterTheChecksumLengthenTheSum) {
  HexRecord record;
  EXPECT_FALSE(ParseHexLine(":0300300002337A1E \n", record));
  EXPECT_FALSE(ParseHexLine(":0300300002337A1E00\n", record));
  // With a checksum byte of 00 the extra pair adds nothing: the rule lets it pass.
  const std::string zeroSum = HexLine(0, 0x0000, {0x80, 0x7D, 0x00});  // 03+80+7D = 0x100
  ASSERT_EQ(zeroSum.substr(zeroSum.size() - 2), "00");
  EXPECT_TRUE(ParseHexLine(zeroSum + "00\n", record));
}

TEST(ParseHexLine, TruncatedLinesFail) {
  HexRecord record;
  const std::string full = ":0300300002337A1E";
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    EXPECT_FALSE(ParseHexLine(full.substr(0, cut) + "\n", record)) << "cut at " << cut;
  }
  EXPECT_FALSE(ParseHexLine("", record));
  EXPECT_FALSE(ParseHexLine("\n", record));
  // The count promises more data than the line holds.
  EXPECT_FALSE(ParseHexLine(":FF000000\n", record));
  // Type 4 whose upper-address digits are missing.
  EXPECT_FALSE(ParseHexLine(":00000004FC\n", record));
}

TEST(ParseHexLine, NonHexDigitsFail) {
  HexRecord record;
  // 'G' where a data digit belongs; the checksum would match if it read as 0.
  EXPECT_FALSE(ParseHexLine(":0300300002G37A\n", record));
  EXPECT_FALSE(ParseHexLine(":0300300002 337A1E\n", record));
  EXPECT_FALSE(ParseHexLine(":0X00000001FF\n", record));
  EXPECT_FALSE(ParseHexLine(":00000001F\x80\n", record));
  EXPECT_FALSE(ParseHexLine(std::string(":0000\0" "0001FF\n", 13), record));
  // Bytes next to the digit ranges in ASCII.
  EXPECT_FALSE(ParseHexLine(":00000001F/\n", record));
  EXPECT_FALSE(ParseHexLine(":00000001F:\n", record));
  EXPECT_FALSE(ParseHexLine(":00000001F@\n", record));
  EXPECT_FALSE(ParseHexLine(":00000001Fg\n", record));
}

TEST(ParseHexLine, LineStoreHolds259CharactersWithTheLineFeed) {
  HexRecord record;
  // L = 123: 1 + 2 * 128 = 257 characters, 258 with the line feed.
  const std::string fits = HexLine(0, 0, std::vector<uint8_t>(123, 0x5A));
  ASSERT_EQ(fits.size(), 257u);
  EXPECT_TRUE(ParseHexLine(fits + "\n", record));
  EXPECT_EQ(record.data[122], 0x5A);
  // L = 124 needs 260 characters with its line feed.
  const std::string tooLong = HexLine(0, 0, std::vector<uint8_t>(124, 0x5A));
  EXPECT_FALSE(ParseHexLine(tooLong + "\n", record));
  // Dropped characters do not count.
  EXPECT_TRUE(ParseHexLine(fits + std::string(300, '\r') + "\n", record));
  EXPECT_FALSE(ParseHexLine(std::string(10000, '0') + "\n", record));
}

}  // namespace
}  // namespace kvn::image
