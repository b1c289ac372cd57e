// A device is untrusted input: descriptor sizes and transfer lengths that
// the kernel (here: the emulator) reports are bounded before use.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "fake_hid_backend.h"
#include "hid/device_table.h"
#include "hid/feature_report.h"
#include "platform/hid_backend.h"
#include "testbed_fixture.h"

namespace {

using kvn::hid::FindDevices;
using kvn::sim::DescriptorKind;
using kvn::sim::FaultPlan;
using kvn::sim::InterfaceSpec;
using kvn::test::kPid;
using kvn::test::kVid;
using Bytes = std::vector<uint8_t>;

class BadDeviceInput : public kvn::test::TestbedTest {};

TEST_F(BadDeviceInput, AbsurdDescriptorSizesAreNotBelieved) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  for (int32_t size : {-1, 4097, 1 << 30, -2147483647 - 1}) {
    FaultPlan plan;
    plan.descriptorSizeAnswer = size;
    node.SetFaults(plan);
    EXPECT_EQ(FindDevices(kVid, kPid), 0) << size;
  }
  node.SetFaults({});
  EXPECT_EQ(FindDevices(kVid, kPid), 1);
}

TEST_F(BadDeviceInput, ADescriptorSizeShorterThanTheDescriptorGivesATruncatedOne) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor64);
  FaultPlan plan;
  plan.descriptorSizeAnswer = 10;  // cut inside the collection: malformed
  node.SetFaults(plan);
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
}

TEST_F(BadDeviceInput, AFeatureReportLargerThanTheStagingBufferIsNeverListed) {
  std::vector<InterfaceSpec> interfaces(1);
  interfaces[0].descriptor = kvn::test::VendorFeatureDescriptor(4200);
  interfaces[0].model = std::make_unique<kvn::sim::EchoModel>();
  Plug(kVid, kPid, std::move(interfaces));
  kvn::hid::SetReportDataLength(4200);
  EXPECT_EQ(FindDevices(kVid, kPid), 0);
}

TEST_F(BadDeviceInput, GetFeatureLengthsBeyondTheReportAreHeldToTheBuffer) {
  kvn::sim::ScriptedModel *model = nullptr;
  kvn::sim::Node &node = PlugScripted(DescriptorKind::Vendor8, model);
  kvn::hid::SetReportDataLength(8);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  FaultPlan plan;
  plan.getFeatureResult = 100000;  // more than the 9 bytes asked for
  node.SetFaults(plan);
  model->Queue({Bytes{1, 2, 3, 4, 5, 6, 7, 8}, 0});
  uint8_t in[8] = {};
  ASSERT_TRUE(kvn::hid::ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(BadDeviceInput, AGetFeatureReturningNothingIsAFailure) {
  kvn::sim::ScriptedModel *model = nullptr;
  kvn::sim::Node &node = PlugScripted(DescriptorKind::Vendor8, model);
  kvn::hid::SetReportDataLength(8);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  FaultPlan plan;
  plan.getFeatureResult = 0;
  node.SetFaults(plan);
  model->Queue({Bytes(8, 5), 0});
  uint8_t in[8] = {};
  EXPECT_FALSE(kvn::hid::ReadFeatureReport(in, 8));
  EXPECT_EQ(Bytes(in, in + 8), Bytes(8, 0));
}

TEST_F(BadDeviceInput, ADriverTakingLessThanTheWholeReportFailsTheWrite) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor8);
  kvn::hid::SetReportDataLength(8);
  ASSERT_EQ(FindDevices(kVid, kPid), 1);
  const uint8_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (long result : {5L, 0L, 10L}) {
    FaultPlan plan;
    plan.setFeatureResult = result;
    node.SetFaults(plan);
    EXPECT_FALSE(kvn::hid::WriteFeatureReport(frame, 8)) << result;
  }
  node.SetFaults({});
  EXPECT_TRUE(kvn::hid::WriteFeatureReport(frame, 8));
}

TEST_F(BadDeviceInput, ReportLengthsThatNoIoctlCanCarryAreRefused) {
  kvn::sim::Node &node = PlugEcho(DescriptorKind::Vendor8);
  const auto &backend = kvn::platform::PlatformHidBackend();
  const auto handle = backend.open(node.DevicePath().c_str(), kvn::platform::HidAccess::ReadWrite);
  ASSERT_NE(handle, kvn::platform::kInvalidHidHandle);
  std::vector<uint8_t> report(1u << 15, 0);
  EXPECT_TRUE(backend.setFeature(handle, report.data(), 9));
  EXPECT_FALSE(backend.setFeature(handle, report.data(), 0));
  EXPECT_FALSE(backend.setFeature(handle, report.data(), 1u << 14));  // past the request's size field
  EXPECT_EQ(backend.getFeature(handle, report.data(), 1u << 14), -1);
  backend.close(handle);
  EXPECT_EQ(node.Reports().size(), 1u);  // only the good one reached the device
}

TEST_F(BadDeviceInput, AKeyboardStallsFeatureRequests) {
  std::vector<InterfaceSpec> interfaces;
  interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Keyboard));
  kvn::sim::Node &node = Plug(kVid, kPid, std::move(interfaces)).Interface(0);
  const int fd = ::open(node.DevicePath().c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  uint8_t report[9] = {};
  EXPECT_LT(::ioctl(fd, HIDIOCGFEATURE(9), report), 0);
  EXPECT_EQ(errno, EPIPE);
  ::close(fd);
}

}  // namespace
