// The data tables of kvnisp: error words, chip names and record facts, and
// the udev rules file against the product constants.
#include "chip_facts.h"
#include "error_words.h"
#include "kvn_product.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace kvnisp {
namespace {

TEST(ErrorWords, EveryCodeHasWordsAndOnlyTheTwoWarningsWarn) {
  for (int code = 0; code <= kHighestErrorCode; ++code) {
    ErrorWords words = DescribeErrorCode(static_cast<uint16_t>(code));
    ASSERT_NE(words.meaning, nullptr);
    EXPECT_GT(std::string(words.meaning).size(), 5u) << code;
    EXPECT_EQ(words.warning, code == 23 || code == 24) << code;
  }
  EXPECT_STREQ(DescribeErrorCode(0).meaning, "no error");
  EXPECT_STREQ(DescribeErrorCode(41).meaning, "unknown error code");
  EXPECT_STREQ(DescribeErrorCode(0xFFFF).meaning, "unknown error code");
}

TEST(ErrorWords, CodesThatTheJobReportsAreTold) {
  // A few codes a user meets most, checked by content so that a shifted
  // table is caught.
  EXPECT_NE(std::string(DescribeErrorCode(7).meaning).find("no device"), std::string::npos);
  EXPECT_NE(std::string(DescribeErrorCode(26).meaning).find("checksum differs"), std::string::npos);
  EXPECT_NE(std::string(DescribeErrorCode(31).meaning).find("blank check"), std::string::npos);
  EXPECT_NE(std::string(DescribeErrorCode(33).meaning).find("above 3"), std::string::npos);
  EXPECT_NE(std::string(DescribeErrorCode(40).meaning).find("option page checksum"), std::string::npos);
  EXPECT_NE(std::string(DescribeErrorCode(8).meaning).find("unused"), std::string::npos);
}

TEST(ChipFacts, FortyUniqueNamesCoverTwentyRecords) {
  std::set<std::string> names;
  std::set<int> records;
  for (const ChipName &entry : ChipNames()) {
    names.insert(entry.name);
    records.insert(entry.record);
    ASSERT_NE(FactsOfRecord(entry.record), nullptr) << entry.name;
    EXPECT_EQ(FactsOfRecord(entry.record)->record, entry.record);
  }
  EXPECT_EQ(names.size(), 40u);
  EXPECT_EQ(records.size(), 20u);
  EXPECT_EQ(FactsOfRecord(-1), nullptr);
  EXPECT_EQ(FactsOfRecord(20), nullptr);
}

TEST(ChipFacts, NamesCompareIgnoringAsciiLetterCaseOnly) {
  EXPECT_EQ(FindChipName("Tolv-01")->record, 18);
  EXPECT_EQ(FindChipName("tolv-01")->record, 18);
  EXPECT_EQ(FindChipName("VREL-05")->record, 12);
  EXPECT_FALSE(FindChipName("Tolv-01 "));
  EXPECT_FALSE(FindChipName("Tolv-1"));
  EXPECT_FALSE(FindChipName(""));
}

TEST(ChipFacts, RecordsOfTheProductAndItsNeighbours) {
  const ChipRecordFacts *tolv01 = FactsOfRecord(FindChipName(KVN_PRODUCT_CHIP_NAME)->record);
  EXPECT_EQ(tolv01->imageKind, ImageKind::kHexWordSum);
  EXPECT_EQ(tolv01->reportLength, 64);
  EXPECT_EQ(tolv01->procedureGroup, 9);
  EXPECT_EQ(tolv01->imageBytes, 0x40000u);
  EXPECT_EQ(tolv01->erasePhase, ErasePhase::kInstant);
  // Vrel-01 is the one 8-bit chip with HEX images and a byte sum.
  EXPECT_EQ(FactsOfRecord(16)->imageKind, ImageKind::kHexByteSum);
  // Selectors 2 and 5 both lead to group 5.
  EXPECT_EQ(FactsOfRecord(2)->procedureGroup, 5);
  EXPECT_EQ(FactsOfRecord(5)->procedureGroup, 5);
  // Tolv-03 and Tolv-04 have no erase run; Tolv-05 has a timed one.
  EXPECT_EQ(FactsOfRecord(13)->erasePhase, ErasePhase::kNone);
  EXPECT_EQ(FactsOfRecord(14)->erasePhase, ErasePhase::kNone);
  EXPECT_EQ(FactsOfRecord(11)->erasePhase, ErasePhase::kTimed);
  int shortFrames = 0;
  for (int record = 0; record < kChipRecordCount; ++record) shortFrames += FactsOfRecord(record)->reportLength == 8;
  EXPECT_EQ(shortFrames, 11);
}

std::string ReadRulesFile() {
  std::ifstream file(KVNISP_RULES_FILE);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string RuleFor(unsigned vendorId, unsigned productId) {
  char text[160];
  std::snprintf(text, sizeof text,
                "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"",
                vendorId, productId);
  return text;
}

TEST(UdevRules, GrantBothIdPairsOfTheProductBeforeSeatRules) {
  std::string rules = ReadRulesFile();
  ASSERT_FALSE(rules.empty()) << KVNISP_RULES_FILE;
  EXPECT_NE(rules.find(RuleFor(KVN_DEVICE_VENDOR_ID, KVN_DEVICE_PRODUCT_ID)), std::string::npos);
  EXPECT_NE(rules.find(RuleFor(KVN_BOOT_VENDOR_ID, KVN_BOOT_PRODUCT_ID)), std::string::npos);
  std::string name = std::string(KVNISP_RULES_FILE).substr(std::string(KVNISP_RULES_FILE).rfind('/') + 1);
  EXPECT_LT(std::stoi(name.substr(0, 2)), 73) << "uaccess is applied by 73-seat-late.rules";
}

}  // namespace
}  // namespace kvnisp
