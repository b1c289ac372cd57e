// Discovery and transfers through real hidraw nodes of the emulator.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <numeric>
#include <string>

#include "hid/device_table.h"
#include "hid/feature_report.h"
#include "testbed_fixture.h"

namespace {

using kvn::hid::DeviceTable;
using kvn::hid::FindDevices;
using kvn::hid::ReadFeatureReport;
using kvn::hid::WriteFeatureReport;
using kvn::sim::DescriptorKind;
using kvn::sim::InterfaceSpec;
using kvn::sim::ReportRecord;
using kvn::test::kPid;
using kvn::test::kVid;
using Bytes = std::vector<uint8_t>;

class Transport : public kvn::test::TestbedTest {};

Bytes Counting(std::size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), uint8_t{1});
  return b;
}

std::string RowPath(int row) { return DeviceTable().rows[static_cast<std::size_t>(row)].path.data(); }
std::string RowName(int row) { return DeviceTable().rows[static_cast<std::size_t>(row)].instanceText.data(); }

TEST_F(Transport, ACompositeProductListsOnlyItsProgrammingInterface) {
  std::vector<InterfaceSpec> interfaces;
  interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Keyboard));
  interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Vendor64, std::make_unique<kvn::sim::EchoModel>()));
  interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Vendor8, std::make_unique<kvn::sim::EchoModel>()));
  interfaces.push_back(
      InterfaceSpec::Of(DescriptorKind::Vendor64WithReportId, std::make_unique<kvn::sim::EchoModel>()));
  kvn::sim::Product &product = Plug(kVid, kPid, std::move(interfaces));
  PlugEcho(DescriptorKind::Vendor64, kVid, 0x0048);  // other product id
  PlugEcho(DescriptorKind::Vendor64, 0x1234, kPid);  // other vendor

  kvn::hid::SetReportDataLength(64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), product.Interface(1).DevicePath());
  EXPECT_EQ(RowName(0), product.Interface(1).HidName());
  EXPECT_EQ(DeviceTable().rows[0].capabilities.featureReportByteLength, 65u);
  EXPECT_EQ(DeviceTable().rows[0].attributes.versionNumber, 0x0100);

  kvn::hid::SetReportDataLength(8);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  EXPECT_EQ(RowPath(0), product.Interface(2).DevicePath());
  EXPECT_EQ(DeviceTable().rows[0].capabilities.featureReportByteLength, 9u);
}

TEST_F(Transport, TwoDiscoveriesWithDifferentIdsReplaceTheTable) {
  PlugEcho(DescriptorKind::Vendor64);
  PlugEcho(DescriptorKind::Vendor64);
  kvn::sim::Node &loader = PlugEcho(DescriptorKind::Vendor64, kVid, 0x7140);
  ASSERT_EQ(FindDevices(kVid, kPid), 2);
  ASSERT_EQ(FindDevices(kVid, 0x7140), 1);
  EXPECT_EQ(RowPath(0), loader.DevicePath());
  EXPECT_EQ(RowPath(1), "");
  EXPECT_EQ(RowName(1), "");
}

TEST_F(Transport, ElevenMatchingNodesListTheFirstTenByNodeNumber) {
  std::vector<std::string> paths;
  for (int i = 0; i < 11; ++i) paths.push_back(PlugEcho(DescriptorKind::Vendor64).DevicePath());
  ASSERT_EQ(FindDevices(kVid, kPid), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(RowPath(i), paths[static_cast<std::size_t>(i)]) << i;  // hidraw10 last
}

TEST_F(Transport, AnEightByteFrameIsPaddedToA65ByteReport) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(8);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  const auto reports = node.Reports();
  ASSERT_EQ(reports.size(), 1u);
  Bytes expected(65, 0);
  std::copy(frame.begin(), frame.end(), expected.begin() + 1);
  EXPECT_EQ(reports[0].bytes, expected);
  EXPECT_EQ(reports[0].result, 65);
}

TEST_F(Transport, ALongFrameIsCutToANineByteReport) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor8);
  kvn::hid::SetReportDataLength(8);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(64);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 64));
  EXPECT_EQ(node.Reports().at(0).bytes, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(Transport, AWriteOfLengthZeroSendsZeros) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(8);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 0));
  EXPECT_EQ(node.Reports().at(0).bytes, Bytes(65, 0));
}

TEST_F(Transport, ReadsHandBackOnlyTheDataBytes) {
  kvn::sim::ScriptedModel *model = nullptr;
  kvn::sim::Node &node = PlugScripted(DescriptorKind::Vendor64, model);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  model->Queue({Counting(64), 0});
  uint8_t in[12];
  std::fill(std::begin(in), std::end(in), 0xEE);
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), Counting(8));
  EXPECT_EQ(in[8], 0xEE);
  const auto get = node.Reports().at(0);
  EXPECT_EQ(get.kind, ReportRecord::Kind::GetFeature);
  EXPECT_EQ(get.bytes.at(0), 0);  // asked for report id 0
  EXPECT_EQ(get.result, 65);
}

TEST_F(Transport, AShortAnswerReadsZerosNotAnEarlierReport) {
  kvn::sim::ScriptedModel *model = nullptr;
  PlugScripted(DescriptorKind::Vendor64, model);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  model->Queue({Bytes(64, 0x77), 0});
  model->Queue({Bytes{1, 2, 3}, 0});
  uint8_t in[64];
  ASSERT_TRUE(ReadFeatureReport(in, 64));
  ASSERT_TRUE(ReadFeatureReport(in, 64));
  Bytes expected(64, 0);
  expected[0] = 1, expected[1] = 2, expected[2] = 3;
  EXPECT_EQ(Bytes(in, in + 64), expected);
}

TEST_F(Transport, ANodeRefusingReadWriteIsFoundAndServedThroughAReadOnlyOpen) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  kvn::sim::FaultPlan plan;
  plan.refuseReadWrite = true;
  node.SetFaults(plan);
  const int fd = ::open(node.DevicePath().c_str(), O_RDWR);
  EXPECT_LT(fd, 0);  // the knob itself works
  if (fd >= 0) ::close(fd);

  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(8);
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  uint8_t in[8] = {};
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), frame);
}

TEST_F(Transport, EmptyRowsAndRowsOutsideTheTableFail) {
  PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(8);
  uint8_t in[8];
  for (int32_t index : {1, 9, 10, -1}) {
    kvn::hid::SelectDevice(index);
    EXPECT_FALSE(WriteFeatureReport(frame.data(), 8));
    EXPECT_FALSE(ReadFeatureReport(in, 8));
  }
}

TEST_F(Transport, DeviceErrorsFailTheTransfer) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const Bytes frame = Counting(8);
  for (int error : {ENODEV, EIO, EPIPE, ETIMEDOUT}) {
    kvn::sim::FaultPlan plan;
    plan.failSetNumber = 1;
    plan.setErrno = error;
    plan.failGetNumber = 1;
    plan.getErrno = error;
    node.SetFaults(plan);
    uint8_t in[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(WriteFeatureReport(frame.data(), 8)) << error;
    EXPECT_FALSE(ReadFeatureReport(in, 8)) << error;
    EXPECT_EQ(Bytes(in, in + 8), Bytes(8, 9)) << error;
    EXPECT_TRUE(WriteFeatureReport(frame.data(), 8)) << error;  // only the first failed
  }
}

TEST_F(Transport, AnInterruptedTransferIsRetried) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  kvn::sim::FaultPlan plan;
  plan.failSetNumber = 1;
  plan.setErrno = EINTR;
  plan.failGetNumber = 1;
  plan.getErrno = EINTR;
  node.SetFaults(plan);
  node.ClearReports();
  const Bytes frame = Counting(8);
  uint8_t in[8] = {};
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  ASSERT_TRUE(ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), frame);
  const auto reports = node.Reports();
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(reports[0].result, -EINTR);
  EXPECT_EQ(reports[1].bytes, reports[0].bytes);  // the same report again
}

TEST_F(Transport, ANodeThatVanishesAfterDiscoveryFailsEveryTransfer) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  kvn::sim::FaultPlan plan;
  plan.unplugAfterReports = 1;
  node.SetFaults(plan);
  const Bytes frame = Counting(8);
  uint8_t in[8];
  ASSERT_TRUE(WriteFeatureReport(frame.data(), 8));
  EXPECT_TRUE(node.Gone());
  EXPECT_FALSE(WriteFeatureReport(frame.data(), 8));
  EXPECT_FALSE(ReadFeatureReport(in, 8));
  EXPECT_EQ(node.Reports().size(), 1u);
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
}

}  // namespace
