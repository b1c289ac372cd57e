// A host that has only the public header and the shared library: set a chip,
// load each kind of image, read its checksum. Links libKvnHidLib.so, so these
// cases also prove that the exports are reachable by name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "kvn_isp.h"

namespace {

std::string TempFile(const std::string &suffix, const std::string &content) {
  char pattern[] = "/tmp/kvn-host-XXXXXX";
  const int fd = mkstemp(pattern);
  if (fd >= 0) close(fd);
  const std::string path = std::string(pattern) + suffix;
  std::ofstream(path, std::ios::binary) << content;
  std::remove(pattern);
  return path;
}

TEST(Host, SetsTolv01AndLoadsAHexFile) {
  ASSERT_EQ(KvnISP_SetPassword("20461379"), 1);
  ASSERT_EQ(KvnISP_SetChipName("Tolv-01"), 1);
  ASSERT_EQ(KvnISP_GetChipSeries("Tolv-01"), 18);
  ASSERT_EQ(KvnISP_SetVendorID(0x1209), 1);
  ASSERT_EQ(KvnISP_SetProductID(0x0047), 1);
  // Word 0 = 0x0201 replaces 0xFFFF: the sum moves from 0 to 0x0201 - 0xFFFF.
  const std::string path = TempFile(".hex", ":020000000102FB\r\n:00000001FF\r\n");
  ASSERT_EQ(KvnISP_LoadHexFileData(path.c_str()), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), static_cast<uint16_t>(0x0201 - 0xFFFF));
  std::remove(path.c_str());
}

TEST(Host, LoadsHexTextAndBinaryBlocks) {
  ASSERT_EQ(KvnISP_SetChipName("Vrel-01"), 1);  // byte sum over 0x4000 bytes
  const char text[] = ":0100000001FE\r\n:00000001FF\r\n";
  ASSERT_EQ(KvnISP_LoadHexBuffer(text, static_cast<int32_t>(sizeof text - 1)), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), static_cast<uint16_t>(0x3FFF * 0xFF + 1));
  const uint8_t bytes[2] = {0, 0};
  ASSERT_EQ(KvnISP_LoadBinBuffer(bytes, 2), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), static_cast<uint16_t>(0x3FFE * 0xFF));
}

TEST(Host, LoadsAVrelImageFromFileAndMemory) {
  ASSERT_EQ(KvnISP_SetChipName("Zenk-01"), 1);
  std::string image(0x2100, '\0');
  for (std::size_t i = 256; i < image.size(); ++i) image[i] = static_cast<char>(i & 0x0F);
  const std::string path = TempFile(".vrel", image);
  ASSERT_EQ(KvnISP_LoadVrelFileData(path.c_str()), 1);
  // 0x2000 program bytes cycling 0..15: 512 rounds of 120.
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 512 * 120);
  ASSERT_EQ(KvnISP_LoadBuffer(reinterpret_cast<const uint8_t *>(image.data()), 0x2100), 1);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 512 * 120);
  EXPECT_EQ(KvnISP_LoadBuffer(reinterpret_cast<const uint8_t *>(image.data()), 0x2000), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 6);
  EXPECT_EQ(KvnISP_GetVrelCheckSum(), 0);
  std::remove(path.c_str());
}

TEST(Host, RefusalsLeaveTheirCodes) {
  EXPECT_EQ(KvnISP_SetPassword("1234"), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 1);
  EXPECT_EQ(KvnISP_SetVendorID(0), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 2);
  EXPECT_EQ(KvnISP_SetProductID(0), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 3);
  EXPECT_EQ(KvnISP_SetChipName("Tolv-99"), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 4);
  EXPECT_EQ(KvnISP_SetCodeSecurity(4), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 33);
  EXPECT_EQ(KvnISP_LoadBuffer(nullptr, 0), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);
  EXPECT_EQ(KvnISP_SetDevNum(256), 0);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 5);  // no code of its own
  EXPECT_EQ(KvnISP_SetDevNum(1), 1);
}

}  // namespace
