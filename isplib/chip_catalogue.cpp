#include "chip_catalogue.h"

#include <cstddef>

#include "kvn_product.h"

namespace kvn::catalogue {
namespace {

constexpr uint16_t kLoaderVendor = KVN_BOOT_VENDOR_ID;

// Records whose HEX and binary images start from an all-zero buffer.
constexpr int32_t kZeroBlankRecords[] = {13, 14};

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

// The tables are constexpr definitions of the header's extern declarations,
// so they are constant-initialised: other subsystems may copy them during
// their own static initialisation.

// Searched in this order, name by name.
constexpr std::array<ChipName, kChipNameCount> kChipNameList{{
    {"Vrel-32", 0},  {"Vrel-31", 0},  {"Vrel-30", 0},  {"Vrel-29", 0},  {"Vrel-28", 0},
    {"Vrel-27", 0},  {"Vrel-26", 1},  {"Vrel-25", 1},  {"Vrel-24", 1},  {"Vrel-23", 2},
    {"Vrel-22", 2},  {"Vrel-21", 2},  {"Vrel-20", 3},  {"Vrel-19", 3},  {"Vrel-18", 3},
    {"Vrel-17", 3},  {"Vrel-16", 3},  {"Vrel-15", 3},  {"Vrel-14", 4},  {"Vrel-13", 4},
    {"Vrel-12", 4},  {"Vrel-11", 4},  {"Vrel-10", 5},  {"Vrel-09", 6},  {"Vrel-08", 7},
    {"Vrel-07", 8},  {"Tolv-07", 9},  {"Tolv-06", 10}, {"Tolv-05", 11}, {"Vrel-06", 12},
    {"Vrel-05", 12}, {"Vrel-04", 12}, {"Vrel-03", 12}, {"Tolv-04", 13}, {"Tolv-03", 14},
    {"Vrel-02", 15}, {"Vrel-01", 16}, {"Tolv-02", 17}, {"Tolv-01", 18}, {"Zenk-01", 19},
}};

// familyLabel, index, seriesCode, loader vendor, loaderProductId,
// expectedVersion, layoutBase, layoutIndex, timingClass, procedureSelector,
// reportLength.
constexpr std::array<ChipRecord, kChipRecordCount> kChipRecords{{
    {"Vrel-39", 0, kSeriesVrelFile, kLoaderVendor, 0x7300, {0x00, 0x01, 0x00, 0x00}, 0, 0, 0, 0, 8},
    {"Vrel-38", 1, kSeriesVrelFile, kLoaderVendor, 0x7400, {0x00, 0x02, 0x00, 0x00}, 2, 0, 2, 1, 8},
    {"Vrel-37", 2, kSeriesVrelFile, kLoaderVendor, 0x7500, {0x00, 0x03, 0x00, 0x00}, 4, 0, 3, 2, 8},
    {"Vrel-36", 3, kSeriesVrelFile, kLoaderVendor, 0x7600, {0x00, 0x04, 0x00, 0x00}, 5, 0, 0, 3, 8},
    {"Vrel-35", 4, kSeriesVrelFile, kLoaderVendor, 0x7700, {0x00, 0x05, 0x00, 0x00}, 6, 0, 2, 4, 8},
    {"Vrel-34", 5, kSeriesVrelFile, kLoaderVendor, 0x7500, {0x00, 0x06, 0x00, 0x00}, 7, 0, 3, 5, 8},
    {"Vrel-33", 6, kSeriesVrelFile, kLoaderVendor, 0x75F0, {0x00, 0x07, 0x00, 0x00}, 8, 0, 4, 6, 8},
    {"Vrel-08", 7, kSeriesVrelFile, kLoaderVendor, 0x7700, {0x00, 0x08, 0x00, 0x00}, 9, 0, 2, 7, 8},
    {"Vrel-07", 8, kSeriesVrelFile, kLoaderVendor, 0x7800, {0x00, 0x09, 0x00, 0x00}, 10, 0, 2, 8, 8},
    {"Tolv-12", 9, kSeriesTolv, kLoaderVendor, 0x7900, {0x20, 0x01, 0x00, 0x03}, 12, 0, 2, 9, 64},
    {"Tolv-11", 10, kSeriesTolv, kLoaderVendor, 0x7900, {0x20, 0x01, 0x00, 0x02}, 13, 0, 2, 9, 64},
    {"Tolv-10", 11, kSeriesTolv, kLoaderVendor, 0x7900, {0x20, 0x01, 0x00, 0x01}, 14, 0, 2, 9, 64},
    {"Vrel-06", 12, kSeriesVrelFile, kLoaderVendor, 0x7B00, {0x00, 0x0A, 0x00, 0x00}, 15, 0, 0, 10, 64},
    {"Tolv-09", 13, kSeriesTolv, kLoaderVendor, 0x7010, {0x20, 0x02, 0x00, 0x00}, 16, 0, 5, 9, 64},
    {"Tolv-08", 14, kSeriesTolv, kLoaderVendor, 0x7040, {0x20, 0x03, 0x00, 0x00}, 17, 0, 5, 9, 64},
    {"Vrel-02", 15, kSeriesVrelFile, kLoaderVendor, 0x7050, {0x00, 0x0B, 0x00, 0x00}, 18, 0, 2, 8, 8},
    {"Vrel-01", 16, kSeriesVrelHex, kLoaderVendor, 0x7110, {0x00, 0x0C, 0x00, 0x00}, 19, 0, 6, 11, 64},
    {"Tolv-02", 17, kSeriesTolv, kLoaderVendor, 0x7120, {0x20, 0x04, 0x00, 0x00}, 20, 0, 2, 9, 64},
    {"Tolv-01", 18, kSeriesTolv, kLoaderVendor, 0x7140, {0x20, 0x05, 0x00, 0x00}, 21, 0, 2, 9, 64},
    {"Zenk-01", 19, kSeriesVrelFile, kLoaderVendor, 0x7050, {0x00, 0x0B, 0x00, 0x00}, 22, 0, 2, 8, 8},
}};

// familyLabel, index, versionWordAddress, flashBytes, checksumBytes,
// codeOptionWordAddress, securityMask, eraseWaitCount, xtalMask,
// blankChecksum, eraseCount, blockCount, eraseStart.
constexpr std::array<ChipLayout, kChipLayoutCount> kChipLayouts{{
    {"Vrel-39", 0, 0x200C, 0x5100, 0x4000, 0x27FC, 0x42, 0x27FF, 0x30, 0xB0B0, 0x40, 0x7FE, 0},
    {"Vrel-39", 1, 0x200C, 0x5100, 0x3F00, 0x27FC, 0x42, 0x27FF, 0x30, 0xB1B0, 0x3F, 0x7DE, 0},
    {"Vrel-38", 2, 0x0F8C, 0x2900, 0x1F00, 0x13FC, 0x02, 0x0, 0x30, 0xD21F, 0x1F, 0x3DE, 0},
    {"Vrel-38", 3, 0x0F8C, 0x2900, 0x1E00, 0x13FC, 0x02, 0x0, 0x30, 0xD31F, 0x1E, 0x3BE, 0},
    {"Vrel-37", 4, 0x288C, 0x6100, 0x5000, 0x2FFC, 0x02, 0x2FFF, 0x30, 0xA138, 0x50, 0x9FE, 0},
    {"Vrel-36", 5, 0x200C, 0x5100, 0x3F00, 0x27FC, 0x42, 0x27FF, 0x30, 0xB1B0, 0x3F, 0x7DE, 0},
    {"Vrel-35", 6, 0x0F8C, 0x2900, 0x1E00, 0x13FC, 0x02, 0x0, 0x30, 0xD31F, 0x1E, 0x3BE, 0},
    {"Vrel-34", 7, 0x288C, 0x6100, 0x5000, 0x2FFC, 0x02, 0x2FFF, 0x30, 0xA138, 0x50, 0x9FE, 0},
    {"Vrel-09", 8, 0x3A8C, 0x8100, 0x7400, 0x3FFC, 0x02, 0x3FFF, 0xE0, 0x8542, 0x74, 0xE7F, 0},
    {"Vrel-08", 9, 0x0F8C, 0x2900, 0x1E00, 0x13FC, 0x02, 0x0, 0x30, 0xD31F, 0x1E, 0x3BE, 0},
    {"Vrel-07", 10, 0x0D10, 0x2100, 0x1A00, 0x0FFC, 0x02, 0x0, 0x00, 0xD69D, 0xC, 0x33E, 0},
    {"Vrel-07", 11, 0x0D10, 0x2100, 0x1A00, 0x0FFC, 0x02, 0x0, 0x00, 0xD69D, 0xC, 0x33E, 0},
    {"Tolv-12", 12, 0x0000, 0x10000, 0x200, 0x0000, 0x00, 0x2, 0x00, 0x8000, 0x40, 0x400, 0},
    {"Tolv-11", 13, 0x0000, 0x8000, 0x100, 0x0000, 0x00, 0x1, 0x00, 0xC000, 0x20, 0x200, 0},
    {"Tolv-10", 14, 0x0000, 0x4000, 0x100, 0x0000, 0x00, 0x1, 0x00, 0xE000, 0x10, 0x100, 0},
    {"Vrel-06", 15, 0x3C10, 0x8100, 0x7600, 0x3FFC, 0x02, 0x3FFF, 0x30, 0x7ACC, 0x3A, 0x1D8, 0},
    {"Tolv-09", 16, 0x7801, 0x7800, 0xF0, 0x0000, 0x00, 0x0, 0x00, 0x8000, 0x1E0, 0x1E0, 0},
    {"Tolv-08", 17, 0x0000, 0x10000, 0x200, 0x0000, 0x00, 0x0, 0x00, 0x8000, 0x400, 0x400, 0},
    {"Vrel-02", 18, 0x0D10, 0x2100, 0x1A00, 0x0FFC, 0x02, 0x0, 0x00, 0xD69D, 0xC, 0x33E, 0},
    {"Vrel-01", 19, 0x3404, 0x4000, 0x3400, 0x3FFB, 0x02, 0x0, 0x00, 0xD000, 0xD0, 0xD0, 0},
    {"Tolv-02", 20, 0x0D10, 0x20000, 0x400, 0x0000, 0x00, 0x0, 0x00, 0x0000, 0x80, 0x800, 0},
    {"Tolv-01", 21, 0x0D10, 0x40000, 0x800, 0x0000, 0x00, 0x0, 0x00, 0x0000, 0x100, 0x1000, 0},
    {"Zenk-01", 22, 0x0D10, 0x2100, 0x1A00, 0x0FFC, 0x02, 0x0, 0x00, 0xD69D, 0xC, 0x33E, 0},
}};

// eraseStepDelayMs, blockDelayMs.
constexpr std::array<TimingClass, kTimingClassCount> kTimingClasses{{
    {17, 1}, {50, 1}, {11, 1}, {30, 1}, {38, 1}, {11, 8}, {11, 16},
}};


namespace {

// The tables reference each other by index; a wrong index would read past a
// table at run time, so the build refuses it instead.
constexpr bool CatalogueIsConsistent() {
  for (const ChipName &entry : kChipNameList) {
    if (entry.record < 0 || entry.record >= kChipRecordCount) return false;
  }
  for (std::size_t i = 0; i < kChipRecords.size(); ++i) {
    const ChipRecord &record = kChipRecords[i];
    if (record.recordIndex != i) return false;
    if (record.layoutBase >= kChipLayoutCount) return false;
    if (record.timingClass >= static_cast<uint32_t>(kTimingClassCount)) return false;
    if (record.reportLength != 8 && record.reportLength != 64) return false;
    if (record.seriesCode > kSeriesVrelHex) return false;
  }
  for (std::size_t i = 0; i < kChipLayouts.size(); ++i) {
    if (kChipLayouts[i].index != i) return false;
  }
  return true;
}
static_assert(CatalogueIsConsistent(), "chip catalogue tables refer to rows that do not exist");

}  // namespace

std::optional<int32_t> LookupChipRow(std::string_view name) {
  for (const ChipName &entry : kChipNameList) {
    if (EqualIgnoringAsciiCase(name, entry.name)) return entry.record;
  }
  return std::nullopt;
}

const ChipRecord &CatalogueRecord(int32_t record) {
  // Out-of-range records fall back to record 0, the start's own default.
  const bool valid = record >= 0 && record < kChipRecordCount;
  return kChipRecords[static_cast<std::size_t>(valid ? record : 0)];
}

const ChipLayout &CatalogueLayout(int32_t record) { return kChipLayouts[CatalogueRecord(record).layoutBase]; }

uint8_t BlankValue(int32_t record) {
  for (int32_t zero : kZeroBlankRecords) {
    if (record == zero) return 0x00;
  }
  return 0xFF;
}

}  // namespace kvn::catalogue
