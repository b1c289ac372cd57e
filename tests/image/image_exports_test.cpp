// The HEX and binary load exports and their checksums, through the public
// header.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image_test_support.h"
#include "kvn_isp.h"

namespace {

using kvn::test::DataLine;
using kvn::test::kEndLine;
using kvn::test::Lines;

class ImageExports : public ::testing::Test {
 protected:
  void SetUp() override { kvn::test::ResetLibraryState(); }

  kvn::ImageBuffer &image() { return kvn::State().image; }

  // Word sum over the first count bytes, written out independently.
  uint16_t WordSum(std::size_t count) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < count; i += 2) sum += image().bytes[i] | (image().bytes[i + 1] << 8);
    return static_cast<uint16_t>(sum);
  }
  uint16_t ByteSum(std::size_t count) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += image().bytes[i];
    return static_cast<uint16_t>(sum);
  }

  // Data in 0x0000-0xE07C and 55 55 AA AA at 0x3FFFC, as a product image has.
  std::string ProductLikeHex() {
    std::vector<std::string> lines;
    for (uint32_t address = 0; address < 0xE07D; address += 16) {
      std::vector<uint8_t> data;
      for (uint32_t i = address; i < address + 16 && i < 0xE07D; ++i) data.push_back(static_cast<uint8_t>(i * 7 + 3));
      lines.push_back(DataLine(static_cast<uint16_t>(address), data));
    }
    lines.push_back(":020000040003F7");
    lines.push_back(DataLine(0xFFFC, {0x55, 0x55, 0xAA, 0xAA}));
    lines.push_back(kEndLine);
    return Lines(lines);
  }

  kvn::test::TempDir dir_;
  kvn::test::MessageRecorder messages_;
};

TEST_F(ImageExports, Tolv01HexFileFillsWithFFAndSumsAllWords) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  ASSERT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.hex", ProductLikeHex()).c_str()), 1);
  EXPECT_EQ(image().bytes[0xE07C], static_cast<uint8_t>(0xE07C * 7 + 3));
  EXPECT_EQ(image().bytes[0xE07D], 0xFF);
  EXPECT_EQ(image().bytes[0x3FFFB], 0xFF);
  EXPECT_EQ(image().bytes[0x3FFFC], 0x55);
  EXPECT_EQ(image().bytes[0x3FFFF], 0xAA);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), WordSum(0x40000));
  EXPECT_EQ(image().imageChecksum, WordSum(0x40000));
}

TEST_F(ImageExports, Tolv03SameFileFillsWithZerosAndSumsItsFlash) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  const std::string path = dir_.Write("fw.hex", ProductLikeHex());
  ASSERT_EQ(KvnISP_LoadHexFileData(path.c_str()), 1);
  const uint16_t tolv01Sum = KvnISP_GetVrelCheckSum();

  ASSERT_EQ(KvnISP_SetChipName("Tolv-03"), 1);
  ASSERT_EQ(KvnISP_LoadHexFileData(path.c_str()), 1);
  EXPECT_EQ(image().bytes[0xE07D], 0x00);
  EXPECT_EQ(image().bytes[0x3FFFC], 0x55);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), WordSum(0x10000));
  EXPECT_NE(KvnISP_GetVrelCheckSum(), tolv01Sum);
}

TEST_F(ImageExports, BlankTolv01ImageSumsToZero) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  image().imageChecksum = 0x1234;
  ASSERT_EQ(KvnISP_LoadBinBuffer(nullptr, 0), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0x0000);
}

TEST_F(ImageExports, Vrel01HexSumsBytesOfItsFlash) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-01"), 1);
  const std::string text = Lines({DataLine(0x0000, {0x01, 0x02, 0x03}), DataLine(0x3FFF, {0x10}),
                                  DataLine(0x4000, {0x80}), kEndLine});
  ASSERT_EQ(KvnISP_LoadHexBuffer(text.data(), static_cast<int32_t>(text.size())), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), ByteSum(0x4000));
  // 0x4000 - 4 bytes of 0xFF, plus 1 + 2 + 3 + 0x10; the byte at 0x4000 is outside.
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), static_cast<uint16_t>((0x4000 - 4) * 0xFF + 0x16));
}

TEST_F(ImageExports, HexForVrelFileChipLoadsButKeepsChecksumAndFlag) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-27"), 1);
  image().imageChecksum = 0xBEEF;
  kvn::State().imageLoaded = true;
  const std::string text = Lines({DataLine(0x0000, {0x01}), kEndLine});
  ASSERT_EQ(KvnISP_LoadHexBuffer(text.data(), static_cast<int32_t>(text.size())), 1);
  EXPECT_EQ(image().bytes[0], 0x01);
  EXPECT_EQ(image().bytes[1], 0xFF);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0xBEEF);
  EXPECT_TRUE(kvn::State().imageLoaded);
}

TEST_F(ImageExports, FileKindComesFromTheLastThreeCharacters) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  const std::string hex = Lines({DataLine(0, {0x21}), kEndLine});
  ASSERT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.HEX", hex).c_str()), 1);
  EXPECT_EQ(image().bytes[0], 0x21);
  ASSERT_EQ(KvnISP_LoadHexFileData(dir_.Write("fwhex", hex).c_str()), 1);  // no dot needed

  // The same text read as a binary file lands byte for byte.
  ASSERT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.Bin", hex).c_str()), 1);
  EXPECT_EQ(image().bytes[0], ':');
  EXPECT_EQ(image().bytes[hex.size()], 0xFF);

  image().bytes.fill(0x5A);
  image().imageChecksum = 0x4321;
  EXPECT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.txt", hex).c_str()), 0);
  EXPECT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.hex.bak", hex).c_str()), 0);
  EXPECT_EQ(KvnISP_LoadHexFileData("ex"), 0);
  EXPECT_EQ(KvnISP_LoadHexFileData(""), 0);
  EXPECT_EQ(KvnISP_LoadHexFileData(nullptr), 0);
  EXPECT_EQ(image().bytes[0], 0x5A);
  EXPECT_EQ(image().bytes[0x3FFFF], 0x5A);
  EXPECT_EQ(image().imageChecksum, 0x4321u);
}

TEST_F(ImageExports, NoChipNamedMeansNoLoad) {
  image().bytes.fill(0x5A);
  const std::string hex = Lines({DataLine(0, {0x21}), kEndLine});
  const uint8_t bin[4] = {1, 2, 3, 4};
  EXPECT_EQ(KvnISP_LoadHexFileData(dir_.Write("fw.hex", hex).c_str()), 0);
  EXPECT_EQ(KvnISP_LoadHexBuffer(hex.data(), static_cast<int32_t>(hex.size())), 0);
  EXPECT_EQ(KvnISP_LoadBinBuffer(bin, 4), 0);
  EXPECT_EQ(image().bytes[0], 0x5A);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
}

TEST_F(ImageExports, AfterAFailedChipNameTheLoadsUseTheEarlierChip) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-03"), 1);
  ASSERT_EQ(KvnISP_SetChipName("bogus"), 0);
  const uint8_t bin[2] = {1, 2};
  ASSERT_EQ(KvnISP_LoadBinBuffer(bin, 2), 1);
  EXPECT_EQ(image().bytes[2], 0x00);  // Tolv-03's blank
  EXPECT_EQ(kvn::State().chipIndex, 14);
}

TEST_F(ImageExports, BinBufferOf16BytesForTolv01) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  std::vector<uint8_t> data(16);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(0x10 + i);
  ASSERT_EQ(KvnISP_LoadBinBuffer(data.data(), 16), 1);
  EXPECT_EQ(image().bytes[15], 0x1F);
  EXPECT_EQ(image().bytes[16], 0xFF);
  EXPECT_EQ(image().bytes[0x3FFFF], 0xFF);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), WordSum(0x40000));
}

TEST_F(ImageExports, BinBufferRefusedForVrelFileChipsAndOversizedImages) {
  image().bytes.fill(0x5A);
  std::vector<uint8_t> data(0x40001, 0x01);
  ASSERT_EQ(KvnISP_SetChipName("Zenk-01"), 1);
  EXPECT_EQ(KvnISP_LoadBinBuffer(data.data(), 16), 0);
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  EXPECT_EQ(KvnISP_LoadBinBuffer(data.data(), 0x40001), 0);
  EXPECT_EQ(KvnISP_LoadBinBuffer(nullptr, 16), 0);
  EXPECT_EQ(image().bytes[0], 0x5A);
  // Exactly the image's size is fine.
  EXPECT_EQ(KvnISP_LoadBinBuffer(data.data(), 0x40000), 1);
  EXPECT_EQ(image().bytes[0x3FFFF], 0x01);
}

TEST_F(ImageExports, BinaryFileMissingEmptyOrOversized) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  image().imageChecksum = 0x1111;
  const std::string missing = dir_.Path("missing.bin");
  EXPECT_EQ(KvnISP_LoadHexFileData(missing.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(image().bytes[0], 0xFF);  // filled before the open

  EXPECT_EQ(KvnISP_LoadHexFileData(dir_.Write("empty.bin", "").c_str()), 0);
  EXPECT_EQ(KvnISP_LoadHexFileData(dir_.Write("big.bin", std::string(0x40001, 'x')).c_str()), 0);
  EXPECT_EQ(image().imageChecksum, 0x1111u);

  ASSERT_EQ(KvnISP_LoadHexFileData(dir_.Write("full.bin", std::string(0x40000, '\x01')).c_str()), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), static_cast<uint16_t>(0x20000 * 0x0101));
}

TEST_F(ImageExports, FailedHexLoadKeepsTheChecksumAndThePartialImage) {
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  const std::string good = Lines({DataLine(0, {0x01}), kEndLine});
  ASSERT_EQ(KvnISP_LoadHexBuffer(good.data(), static_cast<int32_t>(good.size())), 1);
  const uint16_t sum = KvnISP_GetVrelCheckSum();
  const std::string bad = Lines({DataLine(0, {0x02}), ":0100010003FF", kEndLine});
  EXPECT_EQ(KvnISP_LoadHexBuffer(bad.data(), static_cast<int32_t>(bad.size())), 0);
  EXPECT_EQ(image().bytes[0], 0x02);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), sum);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);  // HEX loads store no code
  ASSERT_EQ(messages_.texts().size(), 1u);
  EXPECT_EQ(messages_.texts()[0], kvn::test::ChecksumMessage(2));
}

}  // namespace
