// The boot-entry report: the built-in frame, its chip-6 variant, and the
// CheckDeviceCmd setting that replaces it only when it is exactly 16
// hexadecimal digits.
#include <gtest/gtest.h>

#include "kvn_product.h"
#include "protocol/boot_entry_frame.h"
#include "protocol/isp_command.h"
#include "scripted_transport.h"

namespace kvn::test {
namespace {

using protocol::BootEntryFrame;
using protocol::ChooseBootEntryFrame;

const BootEntryFrame kDefault = KVN_BOOT_ENTRY_FRAME_INIT;

BootEntryFrame Chip6Default() {
  BootEntryFrame f = kDefault;
  f[7] = KVN_BOOT_ENTRY_CHIP6_LAST_BYTE;
  return f;
}

TEST(BootEntryFrame, BuiltInFrameAndChip6Variant) {
  EXPECT_EQ(ChooseBootEntryFrame(0, ""), kDefault);
  EXPECT_EQ(ChooseBootEntryFrame(5, ""), kDefault);
  EXPECT_EQ(ChooseBootEntryFrame(KVN_BOOT_ENTRY_CHIP6_INDEX, ""), Chip6Default());
  EXPECT_NE(Chip6Default(), kDefault);
}

TEST(BootEntryFrame, SixteenHexDigitsReplaceAllEightBytes) {
  const BootEntryFrame expected{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789abcdef"), expected);
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789ABCDEF"), expected);
  EXPECT_EQ(ChooseBootEntryFrame(KVN_BOOT_ENTRY_CHIP6_INDEX, "0123456789AbCdEf"), expected)
      << "the setting wins over the chip-6 variant too";
}

TEST(BootEntryFrame, OtherLengthsKeepTheBuiltInFrame) {
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789abcde"), kDefault);     // 15
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789abcdef0"), kDefault);   // 17
  EXPECT_EQ(ChooseBootEntryFrame(KVN_BOOT_ENTRY_CHIP6_INDEX, "0123456789abcde"), Chip6Default());
}

TEST(BootEntryFrame, ASixteenCharacterTextThatIsNotAllHexIsIgnoredWhole) {
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789abcdeg"), kDefault);
  EXPECT_EQ(ChooseBootEntryFrame(0, "zz23456789abcdef"), kDefault);
  EXPECT_EQ(ChooseBootEntryFrame(0, "0x23456789abcdef"), kDefault);
  EXPECT_EQ(ChooseBootEntryFrame(0, " 123456789abcdef"), kDefault);
  // 16 characters in 17 bytes: the last is a two-byte UTF-8 letter.
  EXPECT_EQ(ChooseBootEntryFrame(0, "0123456789abcde\xC3\xA9"), kDefault);
}

TEST(EnterBootMode, WritesOneEightByteReportThenPauses) {
  ScriptedTransport device;
  protocol::ISP_Command engine{device};
  const auto start = Clock::now();
  EXPECT_TRUE(engine.EnterBootMode(0, "a1b2c3d4e5f60718"));
  const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  ASSERT_EQ(device.Log().size(), 1u) << "no answer is read";
  EXPECT_EQ(device.Log()[0].bytes, (Bytes{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}));
  EXPECT_EQ(device.Log()[0].length, 8);
  EXPECT_GE(elapsed, 20.0) << "CommandDelay(10) after the report";

  EXPECT_TRUE(engine.EnterBootMode(KVN_BOOT_ENTRY_CHIP6_INDEX, "a1b2c3d4e5f6071"));
  const BootEntryFrame chip6 = Chip6Default();
  EXPECT_EQ(device.Log()[1].bytes, Bytes(chip6.begin(), chip6.end()));
}

TEST(EnterBootMode, FailsOnlyWhenTheReportCannotBeWritten) {
  ScriptedTransport device;
  protocol::ISP_Command engine{device};
  device.FailWrite(1);
  EXPECT_FALSE(engine.EnterBootMode(0, ""));
  EXPECT_TRUE(engine.EnterBootMode(0, ""));
}

}  // namespace
}  // namespace kvn::test
