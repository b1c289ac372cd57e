// The two transfers against a fake platform: what goes on the wire, what
// comes back, and that every transfer opens and closes once.
#include "hid/feature_report.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "fake_hid_backend.h"
#include "hid/device_table.h"

namespace {

using kvn::hid::ReadFeatureReport;
using kvn::hid::WriteFeatureReport;
using kvn::test::FakeHidBackend;
using kvn::test::MatchingInterface;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kVid = 0x1209;
constexpr uint16_t kPid = 0x0047;

class FeatureReport : public ::testing::Test {
 protected:
  // One listed row with reports of dataBytes + 1 bytes.
  void ListOne(uint16_t dataBytes) {
    fake.hid = {MatchingInterface("/dev/fake0", kVid, kPid, dataBytes)};
    kvn::hid::SetReportDataLength(dataBytes);
    ASSERT_EQ(kvn::hid::FindDevices(kVid, kPid), 1);
    kvn::hid::SelectDevice(0);
    fake.openReadWriteCalls = fake.openQueryCalls = fake.closes = 0;
  }
  kvn::test::FakeInterface &Device() { return fake.hid[0]; }

  FakeHidBackend fake;
};

Bytes Counting(std::size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), uint8_t{1});
  return b;
}

TEST_F(FeatureReport, AShortFrameIsPaddedWithZerosToTheWholeReport) {
  ListOne(64);
  const Bytes frame = Counting(8);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  ASSERT_EQ(fake.sent.size(), 1u);
  Bytes expected(65, 0);
  std::copy(frame.begin(), frame.end(), expected.begin() + 1);
  EXPECT_EQ(fake.sent[0], expected);
}

TEST_F(FeatureReport, ALongFrameIsCutToTheDevicesReport) {
  ListOne(8);
  const Bytes frame = Counting(64);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 64));
  EXPECT_EQ(fake.sent.at(0), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(FeatureReport, ZeroAndNegativeLengthsSendAReportOfZeros) {
  ListOne(8);
  const Bytes frame = Counting(8);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 0));
  ASSERT_TRUE(WriteFeatureReport(frame.data(), -5));
  ASSERT_TRUE(WriteFeatureReport(nullptr, 0));
  ASSERT_EQ(fake.sent.size(), 3u);
  for (const Bytes &r : fake.sent) EXPECT_EQ(r, Bytes(9, 0));
}

TEST_F(FeatureReport, NullDataWithALengthSendsNothing) {
  ListOne(8);
  EXPECT_FALSE(WriteFeatureReport(nullptr, 8));
  uint8_t *none = nullptr;
  EXPECT_FALSE(ReadFeatureReport(none, 8));
  EXPECT_TRUE(fake.sent.empty());
  EXPECT_TRUE(fake.getLengths.empty());
}

TEST_F(FeatureReport, EveryTransferOpensAndClosesOnce) {
  ListOne(8);
  const Bytes frame = Counting(8);
  Device().answer = Bytes(9, 0x11);
  uint8_t in[8];
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
    ASSERT_TRUE(ReadFeatureReport(in, 8));
  }
  EXPECT_EQ(fake.openReadWriteCalls, 6);
  EXPECT_EQ(fake.openQueryCalls, 0);
  EXPECT_EQ(fake.closes, 6);
}

TEST_F(FeatureReport, ADeviceRefusingReadWriteStillCompletesTransfers) {
  ListOne(8);
  Device().openReadWrite = false;
  Device().answer = {0, 9, 8, 7, 6, 5, 4, 3, 2};
  const Bytes frame = Counting(8);
  uint8_t in[8] = {};
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), (Bytes{9, 8, 7, 6, 5, 4, 3, 2}));
  EXPECT_EQ(fake.openQueryCalls, 2);
  EXPECT_EQ(fake.closes, 2);
}

TEST_F(FeatureReport, ADeviceThatCannotBeOpenedGetsNothing) {
  ListOne(8);
  Device().openReadWrite = Device().openQuery = false;
  const Bytes frame = Counting(8);
  uint8_t in[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_FALSE(WriteFeatureReport(frame.data(), 8));
  EXPECT_FALSE(ReadFeatureReport(in, 8));
  EXPECT_TRUE(fake.sent.empty());
  EXPECT_EQ(Bytes(in, in + 8), Bytes(8, 0xAA));
  EXPECT_EQ(fake.closes, 0);
}

TEST_F(FeatureReport, ReadsHandBackOnlyDataBytesAndAskForReportIdZero) {
  ListOne(64);
  Bytes answer = Counting(65);
  answer[0] = 0;
  Device().answer = answer;
  uint8_t in[10];
  std::fill(std::begin(in), std::end(in), 0xEE);
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), (Bytes{2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(in[8], 0xEE);  // nothing past the caller's length
  EXPECT_EQ(fake.getLengths.at(0), 65u);
}

TEST_F(FeatureReport, AFailedReadLeavesTheDestinationAlone) {
  ListOne(8);
  Device().answerGet = false;
  uint8_t in[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_FALSE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), Bytes(8, 1));
  EXPECT_EQ(fake.closes, 1);
}

TEST_F(FeatureReport, AShortAnswerSucceedsWithTheMissingBytesZero) {
  ListOne(8);
  Device().answer = {0, 0x41, 0x42, 0x43};
  Device().leftover = 0x99;  // whatever the driver left behind must not show
  uint8_t in[8];
  std::fill(std::begin(in), std::end(in), 0x55);
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), (Bytes{0x41, 0x42, 0x43, 0, 0, 0, 0, 0}));
}

TEST_F(FeatureReport, AnAnswerWithoutEvenTheReportIdIsAFailure) {
  ListOne(8);
  Device().answer = Bytes(9, 7);
  Device().getResult = 0;
  uint8_t in[8] = {};
  EXPECT_FALSE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), Bytes(8, 0));
}

TEST_F(FeatureReport, ARejectedReportIsAFailure) {
  ListOne(8);
  Device().acceptSet = false;
  const Bytes frame = Counting(8);
  EXPECT_FALSE(WriteFeatureReport(frame.data(), 8));
  EXPECT_EQ(fake.closes, 1);
}

TEST_F(FeatureReport, RowsOutsideTheTableOrEmptyFailWithoutOpening) {
  ListOne(8);
  const Bytes frame = Counting(8);
  uint8_t in[8];
  for (int32_t index : {1, 9, 10, -1, 1 << 30}) {
    kvn::hid::SelectDevice(index);
    EXPECT_FALSE(WriteFeatureReport(frame.data(), 8)) << index;
    EXPECT_FALSE(ReadFeatureReport(in, 8)) << index;
  }
  EXPECT_EQ(fake.openReadWriteCalls + fake.openQueryCalls, 0);
}

}  // namespace
