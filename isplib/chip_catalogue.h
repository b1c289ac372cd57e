// The chip catalogue: chip names, their records, memory layouts and timing
// classes, as constant data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kvn::catalogue {

struct TimingClass {
  uint32_t eraseStepDelayMs;
  uint32_t blockDelayMs;
};

// One memory layout variant; word addresses count 16-bit words (byte 2w).
struct ChipLayout {
  const char *familyLabel;
  uint32_t index;
  uint32_t versionWordAddress;
  uint32_t flashBytes;
  uint32_t checksumBytes;
  uint32_t codeOptionWordAddress;
  uint16_t securityMask;
  uint16_t eraseWaitCount;
  uint16_t xtalMask;
  uint16_t blankChecksum;
  uint16_t eraseCount;
  uint16_t blockCount;
  uint16_t eraseStart;
};

// Image kinds of ChipRecord::seriesCode.
enum SeriesCode : uint32_t {
  kSeriesVrelFile = 0,  // 8-bit chip, image from a Vrel file
  kSeriesTolv = 1,      // 32-bit chip, Intel HEX or binary, 16-bit word checksum
  kSeriesVrelHex = 2,   // 8-bit chip, Intel HEX or binary, byte checksum
};

struct ChipRecord {
  const char *familyLabel;
  uint32_t recordIndex;
  uint32_t seriesCode;
  uint16_t loaderVendorId;
  uint16_t loaderProductId;
  std::array<uint8_t, 4> expectedVersion;
  uint8_t layoutBase;
  uint8_t layoutIndex;  // 0 here; the connect procedure's working copy sets it
  uint32_t timingClass;
  uint32_t procedureSelector;  // 0-11, mapped to a procedure group by the job
  uint32_t reportLength;       // command frame length: 8 or 64
};

struct ChipName {
  std::string_view name;
  int32_t record;
};

inline constexpr int32_t kChipNameCount = 40;
inline constexpr int32_t kChipRecordCount = 20;
inline constexpr int32_t kChipLayoutCount = 23;
inline constexpr int32_t kTimingClassCount = 7;

extern const std::array<ChipName, kChipNameCount> kChipNameList;
extern const std::array<ChipRecord, kChipRecordCount> kChipRecords;
extern const std::array<ChipLayout, kChipLayoutCount> kChipLayouts;
extern const std::array<TimingClass, kTimingClassCount> kTimingClasses;

// The record of the first catalogue name equal to name, ignoring the case of
// ASCII letters only; none when no name matches.
std::optional<int32_t> LookupChipRow(std::string_view name);

// The catalogue record; record 0 for an index outside 0-19.
const ChipRecord &CatalogueRecord(int32_t record);

// The record's catalogue layout (row layoutBase); record 0's for an index
// outside 0-19.
const ChipLayout &CatalogueLayout(int32_t record);

// Fill value of HEX and binary loads: 0x00 for Tolv-04 and Tolv-03, else 0xFF.
uint8_t BlankValue(int32_t record);

}  // namespace kvn::catalogue
