// The catalogue against the chip maker's tables: names, records, layouts,
// timing classes.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chip_catalogue.h"
#include "kvn_product.h"

namespace kvn::catalogue {
namespace {

// Name groups and their records, in list order.
const std::vector<std::pair<std::vector<std::string>, int32_t>> kExpectedNames = {
    {{"Vrel-32", "Vrel-31", "Vrel-30", "Vrel-29", "Vrel-28", "Vrel-27"}, 0},
    {{"Vrel-26", "Vrel-25", "Vrel-24"}, 1},
    {{"Vrel-23", "Vrel-22", "Vrel-21"}, 2},
    {{"Vrel-20", "Vrel-19", "Vrel-18", "Vrel-17", "Vrel-16", "Vrel-15"}, 3},
    {{"Vrel-14", "Vrel-13", "Vrel-12", "Vrel-11"}, 4},
    {{"Vrel-10"}, 5},
    {{"Vrel-09"}, 6},
    {{"Vrel-08"}, 7},
    {{"Vrel-07"}, 8},
    {{"Tolv-07"}, 9},
    {{"Tolv-06"}, 10},
    {{"Tolv-05"}, 11},
    {{"Vrel-06", "Vrel-05", "Vrel-04", "Vrel-03"}, 12},
    {{"Tolv-04"}, 13},
    {{"Tolv-03"}, 14},
    {{"Vrel-02"}, 15},
    {{"Vrel-01"}, 16},
    {{"Tolv-02"}, 17},
    {{"Tolv-01"}, 18},
    {{"Zenk-01"}, 19},
};

TEST(ChipCatalogue, EveryNameResolvesToItsRecordInListOrder) {
  std::size_t position = 0;
  std::set<std::string> seen;
  for (const auto &[names, record] : kExpectedNames) {
    for (const std::string &name : names) {
      ASSERT_LT(position, kChipNameList.size());
      EXPECT_EQ(kChipNameList[position].name, name) << "position " << position;
      EXPECT_EQ(kChipNameList[position].record, record) << name;
      EXPECT_EQ(LookupChipRow(name), std::optional<int32_t>(record)) << name;
      EXPECT_TRUE(seen.insert(name).second) << name << " listed twice";
      ++position;
    }
  }
  EXPECT_EQ(position, 40u);
}

TEST(ChipCatalogue, LookupFoldsOnlyAsciiLettersAndNeedsTheWholeName) {
  EXPECT_EQ(LookupChipRow("tolv-01"), std::optional<int32_t>(18));
  EXPECT_EQ(LookupChipRow("TOLV-01"), std::optional<int32_t>(18));
  EXPECT_EQ(LookupChipRow("zEnK-01"), std::optional<int32_t>(19));
  EXPECT_EQ(LookupChipRow("Tolv-01 "), std::nullopt);
  EXPECT_EQ(LookupChipRow(" Tolv-01"), std::nullopt);
  EXPECT_EQ(LookupChipRow("Tolv-0"), std::nullopt);
  EXPECT_EQ(LookupChipRow("Tolv-011"), std::nullopt);
  EXPECT_EQ(LookupChipRow("Tolv_01"), std::nullopt);
  EXPECT_EQ(LookupChipRow(""), std::nullopt);
  // Only A-Z fold: a letter with an accent is not the plain letter, and a
  // NUL inside the name is a character like any other.
  EXPECT_EQ(LookupChipRow("To\xC4\xBAv-01"), std::nullopt);
  EXPECT_EQ(LookupChipRow(std::string_view("Tolv-01\0", 8)), std::nullopt);
  // '-' (0x2D) and '\r' (0x0D) differ by 0x20 like case pairs do; they must not fold.
  EXPECT_EQ(LookupChipRow("Tolv\r01"), std::nullopt);
}

TEST(ChipCatalogue, RecordsMatchTheirTableRow) {
  struct Row {
    uint32_t series;
    uint16_t product;
    std::array<uint8_t, 4> version;
    uint8_t layoutBase;
    uint32_t timing;
    uint32_t selector;
    uint32_t reportLength;
  };
  const Row expected[kChipRecordCount] = {
      {0, 0x7300, {0x00, 0x01, 0, 0}, 0, 0, 0, 8},      {0, 0x7400, {0x00, 0x02, 0, 0}, 2, 2, 1, 8},
      {0, 0x7500, {0x00, 0x03, 0, 0}, 4, 3, 2, 8},      {0, 0x7600, {0x00, 0x04, 0, 0}, 5, 0, 3, 8},
      {0, 0x7700, {0x00, 0x05, 0, 0}, 6, 2, 4, 8},      {0, 0x7500, {0x00, 0x06, 0, 0}, 7, 3, 5, 8},
      {0, 0x75F0, {0x00, 0x07, 0, 0}, 8, 4, 6, 8},      {0, 0x7700, {0x00, 0x08, 0, 0}, 9, 2, 7, 8},
      {0, 0x7800, {0x00, 0x09, 0, 0}, 10, 2, 8, 8},     {1, 0x7900, {0x20, 0x01, 0, 3}, 12, 2, 9, 64},
      {1, 0x7900, {0x20, 0x01, 0, 2}, 13, 2, 9, 64},    {1, 0x7900, {0x20, 0x01, 0, 1}, 14, 2, 9, 64},
      {0, 0x7B00, {0x00, 0x0A, 0, 0}, 15, 0, 10, 64},   {1, 0x7010, {0x20, 0x02, 0, 0}, 16, 5, 9, 64},
      {1, 0x7040, {0x20, 0x03, 0, 0}, 17, 5, 9, 64},    {0, 0x7050, {0x00, 0x0B, 0, 0}, 18, 2, 8, 8},
      {2, 0x7110, {0x00, 0x0C, 0, 0}, 19, 6, 11, 64},   {1, 0x7120, {0x20, 0x04, 0, 0}, 20, 2, 9, 64},
      {1, 0x7140, {0x20, 0x05, 0, 0}, 21, 2, 9, 64},    {0, 0x7050, {0x00, 0x0B, 0, 0}, 22, 2, 8, 8},
  };
  for (int32_t i = 0; i < kChipRecordCount; ++i) {
    const ChipRecord &record = kChipRecords[static_cast<std::size_t>(i)];
    const Row &row = expected[i];
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(record.recordIndex, static_cast<uint32_t>(i));
    EXPECT_EQ(record.seriesCode, row.series);
    EXPECT_EQ(record.loaderVendorId, KVN_BOOT_VENDOR_ID);
    EXPECT_EQ(record.loaderProductId, row.product);
    EXPECT_EQ(record.expectedVersion, row.version);
    EXPECT_EQ(record.layoutBase, row.layoutBase);
    EXPECT_EQ(record.layoutIndex, 0);
    EXPECT_EQ(record.timingClass, row.timing);
    EXPECT_EQ(record.procedureSelector, row.selector);
    EXPECT_EQ(record.reportLength, row.reportLength);
    EXPECT_EQ(&CatalogueLayout(i), &kChipLayouts[row.layoutBase]);
  }
  EXPECT_STREQ(kChipRecords[18].familyLabel, "Tolv-01");
  EXPECT_STREQ(kChipRecords[6].familyLabel, "Vrel-33");
}

TEST(ChipCatalogue, LayoutsSpotChecked) {
  ASSERT_EQ(kChipLayouts.size(), 23u);
  for (std::size_t i = 0; i < kChipLayouts.size(); ++i) {
    EXPECT_EQ(kChipLayouts[i].index, i);
    EXPECT_EQ(kChipLayouts[i].eraseStart, 0);
  }
  const ChipLayout &tolv01 = kChipLayouts[21];
  EXPECT_EQ(tolv01.flashBytes, 0x40000u);
  EXPECT_EQ(tolv01.checksumBytes, 0x800u);
  EXPECT_EQ(tolv01.eraseCount, 0x100);
  EXPECT_EQ(tolv01.blockCount, 0x1000);
  EXPECT_EQ(tolv01.blankChecksum, 0x0000);

  const ChipLayout &vrel39b = kChipLayouts[1];
  EXPECT_EQ(vrel39b.checksumBytes, 0x3F00u);
  EXPECT_EQ(vrel39b.blankChecksum, 0xB1B0);
  EXPECT_EQ(vrel39b.eraseWaitCount, 0x27FF);
  EXPECT_EQ(vrel39b.securityMask, 0x42);

  const ChipLayout &vrel09 = kChipLayouts[8];
  EXPECT_EQ(vrel09.versionWordAddress, 0x3A8Cu);
  EXPECT_EQ(vrel09.flashBytes, 0x8100u);
  EXPECT_EQ(vrel09.xtalMask, 0xE0);
  EXPECT_EQ(vrel09.blockCount, 0xE7F);

  const ChipLayout &tolv09 = kChipLayouts[16];
  EXPECT_EQ(tolv09.versionWordAddress, 0x7801u);
  EXPECT_EQ(tolv09.flashBytes, 0x7800u);
  EXPECT_EQ(tolv09.checksumBytes, 0xF0u);
  EXPECT_EQ(tolv09.eraseCount, 0x1E0);

  const ChipLayout &vrel01 = kChipLayouts[19];
  EXPECT_EQ(vrel01.codeOptionWordAddress, 0x3FFBu);
  EXPECT_EQ(vrel01.flashBytes, 0x4000u);
  EXPECT_EQ(vrel01.blankChecksum, 0xD000);

  const ChipLayout &vrel06 = kChipLayouts[15];
  EXPECT_EQ(vrel06.blankChecksum, 0x7ACC);
  EXPECT_EQ(vrel06.eraseCount, 0x3A);
  EXPECT_EQ(vrel06.blockCount, 0x1D8);

  EXPECT_EQ(kChipLayouts[12].eraseWaitCount, 2);
  EXPECT_EQ(kChipLayouts[10].eraseCount, 0xC);
}

TEST(ChipCatalogue, RecordsZeroOneAndEightOwnTwoLayoutRows) {
  // Every record's rows run up to the next record's base; only records 0, 1
  // and 8 have a second variant.
  std::set<int32_t> twoRows;
  for (int32_t i = 0; i < kChipRecordCount; ++i) {
    const uint8_t base = kChipRecords[static_cast<std::size_t>(i)].layoutBase;
    const uint8_t next = i + 1 < kChipRecordCount ? kChipRecords[static_cast<std::size_t>(i) + 1].layoutBase
                                                  : static_cast<uint8_t>(kChipLayoutCount);
    if (next - base == 2) twoRows.insert(i);
    else EXPECT_EQ(next - base, 1) << "record " << i;
  }
  EXPECT_EQ(twoRows, (std::set<int32_t>{0, 1, 8}));
}

TEST(ChipCatalogue, TimingClasses) {
  const TimingClass expected[kTimingClassCount] = {{17, 1}, {50, 1}, {11, 1}, {30, 1}, {38, 1}, {11, 8}, {11, 16}};
  for (int32_t i = 0; i < kTimingClassCount; ++i) {
    EXPECT_EQ(kTimingClasses[static_cast<std::size_t>(i)].eraseStepDelayMs, expected[i].eraseStepDelayMs) << i;
    EXPECT_EQ(kTimingClasses[static_cast<std::size_t>(i)].blockDelayMs, expected[i].blockDelayMs) << i;
  }
}

TEST(ChipCatalogue, BlankValueIsZeroOnlyForTolv04AndTolv03) {
  for (int32_t i = 0; i < kChipRecordCount; ++i) {
    EXPECT_EQ(BlankValue(i), (i == 13 || i == 14) ? 0x00 : 0xFF) << "record " << i;
  }
  EXPECT_EQ(BlankValue(*LookupChipRow("Tolv-04")), 0x00);
  EXPECT_EQ(BlankValue(*LookupChipRow("Tolv-03")), 0x00);
}

TEST(ChipCatalogue, SameRecordForVrel05AndVrel04) {
  const auto a = LookupChipRow("Vrel-05");
  const auto b = LookupChipRow("Vrel-04");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, 12);
  EXPECT_EQ(*a, *b);
  EXPECT_EQ(kChipRecords[static_cast<std::size_t>(*a)].procedureSelector, 10u);
  EXPECT_EQ(&CatalogueLayout(*a), &CatalogueLayout(*b));
}

TEST(ChipCatalogue, OutOfRangeRecordFallsBackToRecordZero) {
  EXPECT_EQ(&CatalogueRecord(-1), &kChipRecords[0]);
  EXPECT_EQ(&CatalogueRecord(20), &kChipRecords[0]);
  EXPECT_EQ(&CatalogueLayout(1000), &kChipLayouts[0]);
}

}  // namespace
}  // namespace kvn::catalogue
