// Discovery's filters and table rules, against a fake platform.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "fake_hid_backend.h"
#include "hid/device_table.h"

namespace {

using kvn::hid::DeviceTable;
using kvn::hid::FindDevices;
using kvn::hid::GetDeviceCount;
using kvn::hid::GetDeviceName;
using kvn::platform::HidInterfaceClass;
using kvn::test::FakeHidBackend;
using kvn::test::MatchingInterface;

constexpr uint16_t kVid = 0x1209;
constexpr uint16_t kPid = 0x0047;

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    kvn::hid::SetReportDataLength(64);
    kvn::hid::SelectDevice(0);
  }
  FakeHidBackend fake;
};

std::string RowPath(int row) { return DeviceTable().rows[static_cast<std::size_t>(row)].path.data(); }

TEST_F(Discovery, ListsOnlyMatchingIdsLengthAndReportIdInOrderFound) {
  fake.hid = {
      MatchingInterface("/a", kVid, kPid, 64),
      MatchingInterface("/other-product", kVid, 0x0048, 64),
      MatchingInterface("/other-vendor", 0x1234, kPid, 64),
      MatchingInterface("/short", kVid, kPid, 8),
      MatchingInterface("/b", kVid, kPid, 64),
  };
  auto withId = MatchingInterface("/with-id", kVid, kPid, 64);
  withId.descriptor = kvn::test::VendorFeatureDescriptor(64, 3);
  fake.hid.push_back(withId);
  auto keyboard = MatchingInterface("/keyboard", kVid, kPid, 0);
  keyboard.descriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0};
  fake.hid.push_back(keyboard);

  ASSERT_EQ(FindDevices(kVid, kPid), 2);
  EXPECT_EQ(GetDeviceCount(), 2);
  EXPECT_EQ(RowPath(0), "/a");
  EXPECT_EQ(RowPath(1), "/b");
  const auto &row = DeviceTable().rows[1];
  EXPECT_EQ(row.number, 1);
  EXPECT_STREQ(row.instanceText.data(), "inst-/b");
  EXPECT_EQ(row.capabilities.featureReportByteLength, 65u);
  EXPECT_EQ(row.attributes.versionNumber, 0x0100);
  EXPECT_EQ(fake.classesListed.size(), 1u);  // found in the first class
}

TEST_F(Discovery, ExpectedLengthFollowsTheFrameLength) {
  fake.hid = {MatchingInterface("/long", kVid, kPid, 64), MatchingInterface("/short", kVid, kPid, 8)};
  kvn::hid::SetReportDataLength(8);
  EXPECT_EQ(kvn::hid::ExpectedReportLength(), 9);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), "/short");
  kvn::hid::SetReportDataLength(64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), "/long");
}

TEST_F(Discovery, InterfaceClassesAreTriedInOrderUntilOneLists) {
  fake.keyboard = {MatchingInterface("/kbd0", kVid, kPid, 64), MatchingInterface("/kbd1", kVid, kPid, 64)};
  EXPECT_EQ(FindDevices(kVid, kPid), 2);
  EXPECT_EQ(fake.classesListed, (std::vector<HidInterfaceClass>{HidInterfaceClass::Hid, HidInterfaceClass::Mouse,
                                                                HidInterfaceClass::Keyboard}));
  EXPECT_EQ(RowPath(0), "/kbd0");
}

TEST_F(Discovery, NothingFoundTriesAllClassesAndEmptiesTheTable) {
  fake.hid = {MatchingInterface("/a", kVid, kPid, 64)};
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  fake.classesListed.clear();
  EXPECT_EQ(FindDevices(kVid, 0x9999), 0);
  EXPECT_EQ(fake.classesListed.size(), 3u);
  EXPECT_EQ(GetDeviceCount(), 0);
  EXPECT_EQ(RowPath(0), "");
}

TEST_F(Discovery, ASecondDiscoveryClearsEveryRowOfTheFirst) {
  fake.hid = {MatchingInterface("/a", kVid, kPid, 64), MatchingInterface("/b", kVid, kPid, 64),
              MatchingInterface("/c", kVid, 0x7140, 64)};
  ASSERT_EQ(FindDevices(kVid, kPid), 2);
  kvn::hid::SelectDevice(1);
  ASSERT_EQ(FindDevices(kVid, 0x7140), 1);
  EXPECT_EQ(RowPath(0), "/c");
  EXPECT_EQ(RowPath(1), "");
  EXPECT_EQ(DeviceTable().rows[1].capabilities.featureReportByteLength, 0u);
  EXPECT_EQ(DeviceTable().selectedIndex.load(), 1);  // selection survives discovery
}

TEST_F(Discovery, ReadWriteRefusalFallsBackAndUnopenableIsNeverListed) {
  auto queryOnly = MatchingInterface("/query-only", kVid, kPid, 64);
  queryOnly.openReadWrite = false;
  auto closed = MatchingInterface("/closed", kVid, kPid, 64);
  closed.openReadWrite = closed.openQuery = false;
  fake.hid = {closed, queryOnly};
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), "/query-only");
  EXPECT_EQ(fake.openQueryCalls, 2);
  EXPECT_EQ(fake.closes, 1);  // only what was opened is closed
}

TEST_F(Discovery, InterfacesWithoutUsableDescriptorAreRejected) {
  auto unreadable = MatchingInterface("/unreadable", kVid, kPid, 64);
  unreadable.descriptorReadable = false;
  auto malformed = MatchingInterface("/malformed", kVid, kPid, 64);
  malformed.descriptor.pop_back();  // collection left open
  fake.hid = {unreadable, malformed};
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
  EXPECT_EQ(fake.closes, 2);
}

TEST_F(Discovery, TheEleventhMatchIsNotListedAndNotEvenOpened) {
  for (int i = 0; i < 12; ++i) fake.hid.push_back(MatchingInterface("/n" + std::to_string(i), kVid, kPid, 64));
  ASSERT_EQ(FindDevices(kVid, kPid), kvn::hid::kMaxDeviceRows);
  EXPECT_EQ(RowPath(9), "/n9");
  EXPECT_EQ(fake.visited, 10);
  EXPECT_EQ(fake.openReadWriteCalls, 10);
}

TEST_F(Discovery, PathsThatDoNotFitTheirRowAreNotListed) {
  const std::string fits(255, 'p');
  const std::string tooLong(256, 'q');
  fake.hid = {MatchingInterface(tooLong, kVid, kPid, 64), MatchingInterface(fits, kVid, kPid, 64)};
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), fits);
}

TEST_F(Discovery, LongInstanceTextsAreCutToTheirField) {
  auto i = MatchingInterface("/a", kVid, kPid, 64);
  i.instanceText = std::string(300, 'n');
  fake.hid = {i};
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  char name[kvn::hid::kDeviceTextBytes + 16];
  std::memset(name, 'X', sizeof name);
  ASSERT_TRUE(GetDeviceName(name, 0));
  EXPECT_EQ(std::strlen(name), 255u);
  EXPECT_EQ(name[256], 'X');  // nothing written past the 256 bytes
}

TEST_F(Discovery, WithoutInstanceTextTheNameComesFromThePath) {
  auto i = MatchingInterface("\\\\?\\hid#vid_1209&pid_0047&mi_00#7&1a2b3c4d&0&0000#{4d1e55b2}", kVid, kPid, 64);
  i.instanceText.clear();
  fake.hid = {i};
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  char name[kvn::hid::kDeviceTextBytes];
  ASSERT_TRUE(GetDeviceName(name, 0));
  EXPECT_STREQ(name, "7&1a2b3c4d&0&0000");
}

TEST_F(Discovery, ReportsLargerThanTheStagingBufferAreNeverListed) {
  fake.hid = {MatchingInterface("/huge", kVid, kPid, 4096), MatchingInterface("/largest", kVid, kPid, 4095)};
  kvn::hid::SetReportDataLength(4096);
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
  kvn::hid::SetReportDataLength(4095);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), "/largest");
}

TEST_F(Discovery, AbsurdFrameLengthsDoNotOverflow) {
  kvn::hid::SetReportDataLength(std::numeric_limits<int32_t>::max());
  EXPECT_EQ(kvn::hid::ExpectedReportLength(), std::numeric_limits<int32_t>::max());
  kvn::hid::SetReportDataLength(-1);
  fake.hid = {MatchingInterface("/a", kVid, kPid, 64)};
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
}

TEST_F(Discovery, AListThatCannotBeObtainedFindsNothing) {
  fake.hid = {MatchingInterface("/a", kVid, kPid, 64)};
  fake.listingFails = true;
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
}

TEST_F(Discovery, ZeroIdsNeverMatchAnInterfaceThatCannotBeOpened) {
  auto closed = MatchingInterface("/closed", 0, 0, 64);
  closed.openReadWrite = closed.openQuery = false;
  fake.hid = {closed};
  EXPECT_EQ(FindDevices(0, 0), 0);
}

TEST_F(Discovery, DeviceNamesOnlyForFilledRows) {
  fake.hid = {MatchingInterface("/a", kVid, kPid, 64), MatchingInterface("/b", kVid, kPid, 64)};
  ASSERT_EQ(FindDevices(kVid, kPid), 2);
  char name[kvn::hid::kDeviceTextBytes] = "unchanged";
  EXPECT_FALSE(GetDeviceName(name, 2));
  EXPECT_FALSE(GetDeviceName(name, -1));
  EXPECT_FALSE(GetDeviceName(name, 1000));
  EXPECT_STREQ(name, "unchanged");
  EXPECT_FALSE(GetDeviceName(nullptr, 0));
  ASSERT_TRUE(GetDeviceName(name, 1));
  EXPECT_STREQ(name, "inst-/b");
}

TEST(InstanceText, TakesWhatFollowsTheSecondHash) {
  char out[kvn::hid::kDeviceTextBytes];
  kvn::hid::InstanceTextFromPath("pre#ids#inst#class", out, sizeof out);
  EXPECT_STREQ(out, "inst");
  kvn::hid::InstanceTextFromPath("pre#ids#inst", out, sizeof out);
  EXPECT_STREQ(out, "inst");
  kvn::hid::InstanceTextFromPath("pre#rest", out, sizeof out);
  EXPECT_STREQ(out, "rest");
  kvn::hid::InstanceTextFromPath("/dev/hidraw3", out, sizeof out);
  EXPECT_STREQ(out, "/dev/hidraw3");
  kvn::hid::InstanceTextFromPath("a#b##c", out, sizeof out);
  EXPECT_STREQ(out, "");
  char small[4];
  kvn::hid::InstanceTextFromPath("a#b#abcdefgh#c", small, sizeof small);
  EXPECT_STREQ(small, "abc");
}

}  // namespace
