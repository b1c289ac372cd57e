// The device exports through real hidraw nodes: counts, names, selection
// records, and the raw transfers with their pause and error codes.
#include <chrono>
#include <cstring>
#include <numeric>

#include "kvn_isp.h"
#include "library_state.h"
#include "testbed_fixture.h"

namespace {

using kvn::sim::DescriptorKind;
using kvn::sim::InterfaceSpec;
using kvn::test::kPid;
using kvn::test::kVid;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr auto kPause = std::chrono::milliseconds(5);

class DeviceExports : public kvn::test::TestbedTest {
 protected:
  void SetUp() override {
    TestbedTest::SetUp();
    kvn::State().context.lastError.store(0);
  }
};

Bytes Counting(std::size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), uint8_t{0x30});
  return b;
}

TEST_F(DeviceExports, CountsAndNamesFollowTheSelectedChipsFrameLength) {
  kvn::sim::Node &longNode = PlugEcho(DescriptorKind::Vendor64);
  kvn::sim::Node &shortNode = PlugEcho(DescriptorKind::Vendor8);

  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  EXPECT_EQ(KvnISP_GetDevNum(kVid, kPid), 1);
  char name[KVN_ISP_DEV_NAME_SIZE];
  ASSERT_TRUE(KvnISP_GetDevName(0, name));
  EXPECT_EQ(std::string(name), longNode.HidName());

  ASSERT_TRUE(KvnISP_SetChipName("Vrel-32"));
  EXPECT_TRUE(KvnISP_OpenISPDevice(kVid, kPid));
  ASSERT_TRUE(KvnISP_GetDevName(0, name));
  EXPECT_EQ(std::string(name), shortNode.HidName());
  EXPECT_EQ(KvnISP_GetDevNum(0x10000u | kVid, 0xABCD0000u | kPid), 1);  // only the low 16 bits count
  EXPECT_FALSE(KvnISP_OpenISPDevice(kVid, 0x9999));
  EXPECT_EQ(KvnISP_GetDevNum(kVid, 0x9999), 0);
}

TEST_F(DeviceExports, DeviceNamesOnlyBelowTheCount) {
  PlugEcho(DescriptorKind::Vendor64);
  PlugEcho(DescriptorKind::Vendor64);
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(KvnISP_GetDevNum(kVid, kPid), 2);
  char name[KVN_ISP_DEV_NAME_SIZE];
  std::strcpy(name, "untouched");
  EXPECT_FALSE(KvnISP_GetDevName(2, name));
  EXPECT_FALSE(KvnISP_GetDevName(-1, name));
  EXPECT_STREQ(name, "untouched");
  EXPECT_FALSE(KvnISP_GetDevName(0, nullptr));
  EXPECT_TRUE(KvnISP_GetDevName(1, name));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);  // no code for a refused name
}

TEST_F(DeviceExports, SetDevIndexRecordsAndReplacesIndexesAboveTheCount) {
  PlugEcho(DescriptorKind::Vendor64);
  PlugEcho(DescriptorKind::Vendor64);
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(KvnISP_GetDevNum(kVid, kPid), 2);
  KvnISP_SetDevIndex(1);
  EXPECT_EQ(kvn::State().deviceIndex, 1);
  KvnISP_SetDevIndex(2);  // equal to the count: not above it
  EXPECT_EQ(kvn::State().deviceIndex, 2);
  KvnISP_SetDevIndex(3);
  EXPECT_EQ(kvn::State().deviceIndex, 0);
  EXPECT_EQ(kvn::hid::DeviceTable().selectedIndex.load(), 0);  // it selects nothing
}

TEST_F(DeviceExports, WriteAndReadWaitFiveMillisecondsBeforeTheTransfer) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(KvnISP_GetDevNum(kVid, kPid), 1);
  const Bytes frame = Counting(64);
  Bytes in(64, 0);

  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(KvnISP_WriteData(frame.data(), 64));
  ASSERT_TRUE(KvnISP_WriteData(frame.data(), 64));
  ASSERT_TRUE(KvnISP_ReadData(in.data(), 64));
  EXPECT_EQ(in, frame);

  const auto reports = node.Reports();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_GE(reports[0].time - start, kPause);
  EXPECT_GE(reports[1].time - reports[0].time, kPause);
  EXPECT_GE(reports[2].time - reports[1].time, kPause);
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 0);
}

TEST_F(DeviceExports, FailedTransfersStoreTheirCodes) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(KvnISP_GetDevNum(kVid, kPid), 1);
  kvn::sim::FaultPlan plan;
  plan.failSetNumber = 1;
  plan.failGetNumber = 1;
  node.SetFaults(plan);
  const Bytes frame = Counting(8);
  Bytes in(8, 0x5A);

  EXPECT_FALSE(KvnISP_WriteData(frame.data(), 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 21);
  EXPECT_FALSE(KvnISP_ReadData(in.data(), 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 28);
  EXPECT_EQ(in, Bytes(8, 0x5A));

  // A success leaves the last code in place.
  EXPECT_TRUE(KvnISP_WriteData(frame.data(), 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 28);
}

TEST_F(DeviceExports, TransfersWithoutADeviceFailWithTheirCodes) {
  ASSERT_TRUE(KvnISP_SetChipName("Tolv-01"));
  ASSERT_EQ(KvnISP_GetDevNum(kVid, kPid), 0);
  const Bytes frame = Counting(8);
  Bytes in(8, 0);
  EXPECT_FALSE(KvnISP_WriteData(frame.data(), 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 21);
  EXPECT_FALSE(KvnISP_ReadData(in.data(), 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 28);
  EXPECT_FALSE(KvnISP_WriteData(nullptr, 8));
  EXPECT_EQ(KvnISP_GetLastErrorCode(), 21);
}

}  // namespace
