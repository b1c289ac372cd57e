// The Vrel loads: sizes, chips, codes, and what they leave in the image.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "image/vrel_image.h"
#include "image_test_support.h"
#include "kvn_isp.h"

namespace {

// A Vrel image of size bytes: a text header, then program bytes that vary.
std::vector<uint8_t> VrelImage(std::size_t size, uint8_t seed = 1) {
  std::vector<uint8_t> bytes(size, 0);
  const std::string header = "Vrel image header";
  for (std::size_t i = 0; i < header.size() && i < size; ++i) bytes[i] = static_cast<uint8_t>(header[i]);
  for (std::size_t i = 256; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + seed);
  return bytes;
}

uint16_t ProgramSum(const std::vector<uint8_t> &file) {
  uint32_t sum = 0;
  for (std::size_t i = 256; i < file.size(); ++i) sum += file[i];
  return static_cast<uint16_t>(sum);
}

class VrelLoads : public ::testing::Test {
 protected:
  void SetUp() override { kvn::test::ResetLibraryState(); }

  std::string WriteFile(const std::vector<uint8_t> &bytes, const std::string &name = "image.vrel") {
    return dir_.Write(name, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
  }
  bool LoadFile(const std::vector<uint8_t> &bytes) { return KvnISP_LoadVrelFileData(WriteFile(bytes).c_str()) != 0; }
  bool LoadBlock(const std::vector<uint8_t> &bytes) {
    return KvnISP_LoadBuffer(bytes.data(), static_cast<uint32_t>(bytes.size())) != 0;
  }
  kvn::LibraryState &state() { return kvn::State(); }

  kvn::test::TempDir dir_;
};

TEST_F(VrelLoads, Vrel27FileOfItsSizeLoads) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  state().image.bytes.fill(0xEE);
  const auto file = VrelImage(0x5100);
  ASSERT_TRUE(LoadFile(file));
  EXPECT_TRUE(state().imageLoaded);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), ProgramSum(file));
  EXPECT_EQ(state().image.bytes[0], file[256]);
  EXPECT_EQ(state().image.bytes[0x4FFF], file[0x50FF]);
  // Nothing beyond the program memory is touched: no blank fill.
  EXPECT_EQ(state().image.bytes[0x5000], 0xEE);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
}

TEST_F(VrelLoads, WrongSizeStoresCode6AndLeavesTheImage) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  state().image.bytes.fill(0xEE);
  state().image.imageChecksum = 0x7777;
  EXPECT_FALSE(LoadFile(VrelImage(0x5101)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 6);
  EXPECT_FALSE(LoadBlock(VrelImage(0x50FF)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 6);
  EXPECT_EQ(state().image.bytes[0], 0xEE);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0);
  EXPECT_FALSE(state().imageLoaded);
}

TEST_F(VrelLoads, EveryWrongSizeAroundEveryAcceptedChipIsRefused) {
  const struct {
    const char *chip;
    uint32_t size;
  } chips[] = {{"Vrel-15", 0x5100}, {"Vrel-24", 0x2900}, {"Vrel-21", 0x6100},
               {"Vrel-03", 0x8100}, {"Vrel-07", 0x2100}, {"Zenk-01", 0x2100}};
  for (const auto &chip : chips) {
    ASSERT_EQ(KvnISP_SetChipName(chip.chip), 1);
    for (uint32_t size : {0u, 1u, 255u, 256u, 257u, chip.size - 1, chip.size + 1, 0x8400u, 0x8401u, 0x10000u}) {
      SCOPED_TRACE(std::string(chip.chip) + " size " + std::to_string(size));
      const uint16_t expected = size <= 256 ? 5 : 6;
      EXPECT_FALSE(LoadBlock(VrelImage(size)));
      EXPECT_EQ(KvnISP_GetLastErrorCode(), expected);
      EXPECT_FALSE(LoadFile(VrelImage(size)));
      EXPECT_EQ(KvnISP_GetLastErrorCode(), expected);
    }
    EXPECT_TRUE(LoadBlock(VrelImage(chip.size))) << chip.chip;
    EXPECT_TRUE(LoadFile(VrelImage(chip.size))) << chip.chip;
  }
}

TEST_F(VrelLoads, Vrel09OnlyFromMemory) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-09"), 1);
  const auto file = VrelImage(0x8100);
  EXPECT_FALSE(LoadFile(file));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  // The refused file was copied all the same; the flag and checksum stay clear.
  EXPECT_EQ(state().image.bytes[0x7FFF], file[0x80FF]);
  EXPECT_FALSE(state().imageLoaded);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0);
  ASSERT_TRUE(LoadBlock(file));
  EXPECT_TRUE(state().imageLoaded);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), ProgramSum(file));
}

TEST_F(VrelLoads, Vrel08OnlyFromMemory) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-08"), 1);
  EXPECT_FALSE(LoadFile(VrelImage(0x2900)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  EXPECT_TRUE(LoadBlock(VrelImage(0x2900)));
}

TEST_F(VrelLoads, TolvAndVrel01AreRefusedAfterTheSizeTest) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-06"), 1);  // flashBytes 0x8000
  EXPECT_FALSE(LoadFile(VrelImage(0x8000)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  EXPECT_FALSE(LoadFile(VrelImage(0x10000)));  // taken as 33792 bytes
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 6);
  EXPECT_FALSE(LoadBlock(VrelImage(0x8000)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);

  ASSERT_EQ(KvnISP_SetChipName("Vrel-01"), 1);  // flashBytes 0x4000
  EXPECT_FALSE(LoadBlock(VrelImage(0x4000)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
}

TEST_F(VrelLoads, NoChipSelectedStoresCode4) {
  EXPECT_FALSE(LoadBlock(VrelImage(0x5100)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  // A failed selection after a good one: the earlier chip is still recorded,
  // but no chip is selected.
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  ASSERT_EQ(KvnISP_SetChipName("Vrel-99"), 0);
  state().context.lastError.store(0);
  state().image.bytes.fill(0xEE);
  EXPECT_FALSE(LoadFile(VrelImage(0x5100)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_FALSE(LoadBlock(VrelImage(0x5100)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_EQ(state().image.bytes[0], 0xEE);
}

TEST_F(VrelLoads, SizeIsTestedBeforeTheChip) {
  EXPECT_FALSE(LoadBlock(VrelImage(256)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  EXPECT_FALSE(LoadFile(VrelImage(100)));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
}

TEST_F(VrelLoads, NullBlockIsRefused) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  EXPECT_EQ(KvnISP_LoadBuffer(nullptr, 0x5100), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
}

TEST_F(VrelLoads, MissingReadOnlyOrLockedFileStoresCode5) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  state().image.bytes.fill(0xEE);
  EXPECT_EQ(KvnISP_LoadVrelFileData(dir_.Path("missing.vrel").c_str()), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  EXPECT_EQ(KvnISP_LoadVrelFileData(nullptr), 0);
  EXPECT_EQ(KvnISP_LoadVrelFileData("/tmp"), 0);

  const std::string readOnly = WriteFile(VrelImage(0x5100), "ro.vrel");
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  state().context.lastError.store(0);
  EXPECT_EQ(KvnISP_LoadVrelFileData(readOnly.c_str()), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);

  const std::string locked = WriteFile(VrelImage(0x5100), "locked.vrel");
  const int holder = open(locked.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  state().context.lastError.store(0);
  EXPECT_EQ(KvnISP_LoadVrelFileData(locked.c_str()), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  close(holder);
  EXPECT_EQ(KvnISP_LoadVrelFileData(locked.c_str()), 1);
  EXPECT_EQ(state().image.bytes[0x5000], 0xEE);
}

TEST_F(VrelLoads, AFailedLoadClearsAnEarlierSuccess) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-07"), 1);
  ASSERT_TRUE(LoadBlock(VrelImage(0x2100)));
  ASSERT_NE(KvnISP_GetVrelCheckSum(), 0);
  EXPECT_FALSE(LoadBlock(VrelImage(0x2101)));
  EXPECT_FALSE(state().imageLoaded);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0);
}

TEST_F(VrelLoads, ChipSeriesAfterALoadClearsTheFlag) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-02"), 1);
  ASSERT_TRUE(LoadFile(VrelImage(0x2100)));
  ASSERT_TRUE(state().imageLoaded);
  EXPECT_EQ(KvnISP_GetChipSeries("Vrel-02"), 15);
  EXPECT_FALSE(state().imageLoaded);
}

TEST_F(VrelLoads, FileThenBlockOfTheSameBytesAsTheHostDoes) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-10"), 1);
  const auto file = VrelImage(0x6100, 9);
  const std::string path = WriteFile(file);
  ASSERT_EQ(KvnISP_LoadVrelFileData(path.c_str()), 1);
  const uint16_t fromFile = KvnISP_GetVrelCheckSum();
  ASSERT_TRUE(LoadBlock(file));
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), fromFile);
  EXPECT_EQ(fromFile, ProgramSum(file));
}

TEST(VrelBlock, LoaderAloneReportsTheRecordItLookedUp) {
  auto image = std::make_unique<kvn::ImageBuffer>();
  const auto bytes = VrelImage(0x2900);
  const auto ok = kvn::image::LoadVrelBlock(*image, bytes.data(), 0x2900, true, "vrel-24");
  EXPECT_EQ(ok.error, kvn::image::kVrelOk);
  EXPECT_EQ(ok.chipIndex, std::optional<int32_t>(1));
  // A name that matches nothing counts as record 0 (flashBytes 0x5100).
  const auto none = kvn::image::LoadVrelBlock(*image, bytes.data(), 0x2900, true, "nothing");
  EXPECT_EQ(none.error, kvn::image::kVrelWrongSize);
  EXPECT_EQ(none.chipIndex, std::optional<int32_t>(0));
  const auto early = kvn::image::LoadVrelBlock(*image, bytes.data(), 0x2900, false, "vrel-24");
  EXPECT_EQ(early.error, kvn::image::kVrelNoChip);
  EXPECT_FALSE(early.chipIndex.has_value());
}

}  // namespace
