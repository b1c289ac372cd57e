// The emulated products seen the way the kernel would show them: sysfs
// through libudev, and the hidraw ioctls on their nodes.
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "echo_model.h"
#include "scripted_model.h"
#include "testbed.h"

namespace {

using kvn::sim::DescriptorKind;
using kvn::sim::FaultPlan;
using kvn::sim::InterfaceSpec;
using kvn::sim::ReportRecord;
using Bytes = std::vector<uint8_t>;

// Records the thread every call arrives on and, when told, unplugs.
class ProbeModel : public kvn::sim::DeviceModel {
 public:
  int OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) override {
    thread = std::this_thread::get_id();
    lastId = reportId;
    last.assign(data, data + length);
    if (unplugOnSet && host != nullptr) host->Unplug();
    return 0;
  }
  int OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length, std::size_t &sent) override {
    lastId = reportId;
    for (std::size_t i = 0; i < length; ++i) answer[i] = static_cast<uint8_t>(0xA0 + i);
    sent = shortBy < length ? length - shortBy : 0;
    return 0;
  }
  void Attach(kvn::sim::ModelHost &h) override { host = &h; }

  std::atomic<std::thread::id> thread{};
  uint8_t lastId = 0xFF;
  Bytes last;
  bool unplugOnSet = false;
  std::size_t shortBy = 0;
  kvn::sim::ModelHost *host = nullptr;
};

// Reads the probe under the lock its calls run under.
template <typename Read>
auto Peek(kvn::sim::Node &node, Read read) {
  decltype(read(std::declval<ProbeModel &>())) value{};
  node.WithModel([&](kvn::sim::DeviceModel *model) { value = read(*static_cast<ProbeModel *>(model)); });
  return value;
}

class Testbed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kvn::sim::Testbed::PreloadActive());
    bed = std::make_unique<kvn::sim::Testbed>();
    ASSERT_TRUE(bed->Ok()) << bed->Error();
  }

  kvn::sim::Product &PlugProbe(DescriptorKind kind, ProbeModel *&probe, std::size_t extraKeyboards = 0) {
    kvn::sim::ProductSpec def;
    def.vendorId = 0x1209;
    def.productId = 0x0047;
    def.bcdDevice = 0x0321;
    def.name = "Probe pad";
    for (std::size_t i = 0; i < extraKeyboards; ++i) def.interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Keyboard));
    auto owned = std::make_unique<ProbeModel>();
    probe = owned.get();
    def.interfaces.push_back(InterfaceSpec::Of(kind, std::move(owned)));
    std::string error;
    kvn::sim::Product *product = bed->AddProduct(std::move(def), error);
    EXPECT_NE(product, nullptr) << error;
    return *product;
  }

  int OpenNode(const kvn::sim::Node &node, int flags = O_RDWR) { return ::open(node.DevicePath().c_str(), flags); }

  std::unique_ptr<kvn::sim::Testbed> bed;
};

TEST_F(Testbed, SysfsShowsTheHidParentAndTheUsbDevice) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor64, probe, 1).Interface(1);
  EXPECT_EQ(node.DevicePath(), "/dev/hidraw1");
  EXPECT_EQ(node.HidName(), "0003:1209:0047.0002");

  udev *u = udev_new();
  udev_device *dev = udev_device_new_from_subsystem_sysname(u, "hidraw", "hidraw1");
  ASSERT_NE(dev, nullptr);
  EXPECT_STREQ(udev_device_get_devnode(dev), "/dev/hidraw1");
  udev_device *hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
  ASSERT_NE(hid, nullptr);
  EXPECT_STREQ(udev_device_get_property_value(hid, "HID_ID"), "0003:00001209:00000047");
  EXPECT_STREQ(udev_device_get_property_value(hid, "HID_NAME"), "Probe pad");
  udev_device *usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
  ASSERT_NE(usb, nullptr);
  EXPECT_STREQ(udev_device_get_sysattr_value(usb, "bcdDevice"), "0321");
  udev_device_unref(dev);
  udev_unref(u);

  char link[512] = {};
  ASSERT_GT(::readlink("/sys/class/hidraw/hidraw1/device", link, sizeof link - 1), 0);
  EXPECT_NE(std::string(link).find(node.HidName()), std::string::npos);
}

TEST_F(Testbed, DescriptorAndInfoIoctls) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor8, probe).Interface(0);
  const int fd = OpenNode(node);
  ASSERT_GE(fd, 0);
  int size = 0;
  ASSERT_EQ(::ioctl(fd, HIDIOCGRDESCSIZE, &size), 0);
  const Bytes expected = kvn::sim::DescriptorBytes(DescriptorKind::Vendor8);
  EXPECT_EQ(size, static_cast<int>(expected.size()));
  hidraw_report_descriptor d{};
  d.size = static_cast<uint32_t>(size);
  ASSERT_EQ(::ioctl(fd, HIDIOCGRDESC, &d), 0);
  EXPECT_EQ(Bytes(d.value, d.value + size), expected);
  d.size = 4096;
  EXPECT_LT(::ioctl(fd, HIDIOCGRDESC, &d), 0);
  EXPECT_EQ(errno, EINVAL);

  hidraw_devinfo info{};
  ASSERT_EQ(::ioctl(fd, HIDIOCGRAWINFO, &info), 0);
  EXPECT_EQ(info.bustype, 3u);
  EXPECT_EQ(static_cast<uint16_t>(info.vendor), 0x1209);
  EXPECT_EQ(static_cast<uint16_t>(info.product), 0x0047);
  char name[64] = {};
  EXPECT_EQ(::ioctl(fd, HIDIOCGRAWNAME(sizeof name), name), 10);
  EXPECT_STREQ(name, "Probe pad");
  ::close(fd);
}

TEST_F(Testbed, FeatureIoctlsBehaveLikeTheKernelsAndAreRecorded) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor8, probe).Interface(0);
  const int fd = OpenNode(node);
  ASSERT_GE(fd, 0);
  const auto before = std::chrono::steady_clock::now();
  uint8_t out[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), out), 9);
  EXPECT_EQ(Peek(node, [](ProbeModel &p) { return p.last; }), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_NE(probe->thread.load(), std::this_thread::get_id());  // answered on the testbed's thread

  node.WithModel([](kvn::sim::DeviceModel *m) { static_cast<ProbeModel *>(m)->shortBy = 3; });
  uint8_t in[9];
  std::memset(in, 0xEE, sizeof in);
  in[0] = 0;
  EXPECT_EQ(::ioctl(fd, HIDIOCGFEATURE(9), in), 6);  // report id + 5 bytes
  EXPECT_EQ(Bytes(in, in + 9), (Bytes{0, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xEE, 0xEE, 0xEE}));

  uint8_t tiny[1] = {0};
  EXPECT_LT(::ioctl(fd, HIDIOCSFEATURE(1), tiny), 0);
  EXPECT_EQ(errno, EINVAL);
  ::close(fd);

  const auto reports = node.Reports();
  ASSERT_EQ(reports.size(), 2u);  // the refused one never reached the device
  EXPECT_EQ(reports[0].kind, ReportRecord::Kind::SetFeature);
  EXPECT_EQ(reports[0].bytes, Bytes(out, out + 9));
  EXPECT_EQ(reports[0].result, 9);
  EXPECT_EQ(reports[1].kind, ReportRecord::Kind::GetFeature);
  EXPECT_EQ(reports[1].bytes, (Bytes{0, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4}));
  EXPECT_GE(reports[0].time, before);
  EXPECT_GE(reports[1].time, reports[0].time);
  node.ClearReports();
  EXPECT_TRUE(node.Reports().empty());
}

TEST_F(Testbed, TheRequestedReportIdReachesTheModel) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor64WithReportId, probe).Interface(0);
  const int fd = OpenNode(node);
  ASSERT_GE(fd, 0);
  uint8_t in[65] = {1};
  EXPECT_EQ(::ioctl(fd, HIDIOCGFEATURE(65), in), 65);
  EXPECT_EQ(Peek(node, [](ProbeModel &p) { return p.lastId; }), 1);
  EXPECT_EQ(in[0], 1);
  ::close(fd);
}

TEST_F(Testbed, TheNthSetAndGetFailWithTheirErrno) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor8, probe).Interface(0);
  FaultPlan plan;
  plan.failSetNumber = 2;
  plan.setErrno = EIO;
  plan.failGetNumber = 1;
  plan.getErrno = ETIMEDOUT;
  node.SetFaults(plan);
  const int fd = OpenNode(node);
  ASSERT_GE(fd, 0);
  uint8_t report[9] = {};
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), report), 9);
  EXPECT_LT(::ioctl(fd, HIDIOCSFEATURE(9), report), 0);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), report), 9);
  EXPECT_LT(::ioctl(fd, HIDIOCGFEATURE(9), report), 0);
  EXPECT_EQ(errno, ETIMEDOUT);
  EXPECT_EQ(::ioctl(fd, HIDIOCGFEATURE(9), report), 9);
  ::close(fd);
  EXPECT_EQ(node.Reports().at(1).result, -EIO);
}

TEST_F(Testbed, UnplugAfterNReportsTakesTheWholeProductAway) {
  ProbeModel *probe = nullptr;
  kvn::sim::Product &product = PlugProbe(DescriptorKind::Vendor8, probe, 1);
  kvn::sim::Node &node = product.Interface(1);
  FaultPlan plan;
  plan.unplugAfterReports = 2;
  node.SetFaults(plan);
  const int fd = OpenNode(node);
  ASSERT_GE(fd, 0);
  uint8_t report[9] = {};
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), report), 9);
  EXPECT_FALSE(product.Gone());
  EXPECT_EQ(::ioctl(fd, HIDIOCGFEATURE(9), report), 9);  // the second report is still answered
  EXPECT_TRUE(product.Gone());
  EXPECT_LT(::ioctl(fd, HIDIOCSFEATURE(9), report), 0);
  EXPECT_EQ(errno, ENODEV);
  ::close(fd);
  EXPECT_LT(OpenNode(node), 0);
  EXPECT_LT(OpenNode(product.Interface(0), O_RDONLY), 0);

  udev *u = udev_new();
  udev_enumerate *e = udev_enumerate_new(u);
  udev_enumerate_add_match_subsystem(e, "hidraw");
  udev_enumerate_scan_devices(e);
  EXPECT_EQ(udev_enumerate_get_list_entry(e), nullptr);
  udev_enumerate_unref(e);
  udev_unref(u);
}

TEST_F(Testbed, AModelCanUnplugItsProduct) {
  ProbeModel *probe = nullptr;
  kvn::sim::Product &product = PlugProbe(DescriptorKind::Vendor8, probe);
  product.Interface(0).WithModel([](kvn::sim::DeviceModel *m) { static_cast<ProbeModel *>(m)->unplugOnSet = true; });
  const int fd = OpenNode(product.Interface(0));
  ASSERT_GE(fd, 0);
  uint8_t report[9] = {};
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), report), 9);
  EXPECT_TRUE(product.Gone());
  ::close(fd);
}

TEST_F(Testbed, RefusingReadWriteLeavesReadOnlyOpensWorking) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor8, probe).Interface(0);
  FaultPlan plan;
  plan.refuseReadWrite = true;
  node.SetFaults(plan);
  EXPECT_LT(OpenNode(node, O_RDWR), 0);
  EXPECT_LT(OpenNode(node, O_WRONLY), 0);
  const int fd = OpenNode(node, O_RDONLY);
  ASSERT_GE(fd, 0);
  uint8_t report[9] = {};
  EXPECT_EQ(::ioctl(fd, HIDIOCSFEATURE(9), report), 9);
  ::close(fd);
  node.SetFaults({});
  const int again = OpenNode(node, O_RDWR);
  EXPECT_GE(again, 0);
  if (again >= 0) ::close(again);
}

TEST_F(Testbed, TheObserverSeesEveryReport) {
  ProbeModel *probe = nullptr;
  kvn::sim::Node &node = PlugProbe(DescriptorKind::Vendor8, probe).Interface(0);
  std::mutex mutex;
  std::vector<std::string> seen;
  bed->SetTrafficObserver([&](const kvn::sim::Node &n, const ReportRecord &r) {
    std::lock_guard lock(mutex);
    seen.push_back(n.DevicePath() + (r.kind == ReportRecord::Kind::SetFeature ? " set" : " get"));
  });
  const int fd = OpenNode(node);
  uint8_t report[9] = {};
  ::ioctl(fd, HIDIOCSFEATURE(9), report);
  ::ioctl(fd, HIDIOCGFEATURE(9), report);
  ::close(fd);
  bed->SetTrafficObserver(nullptr);
  std::lock_guard lock(mutex);
  EXPECT_EQ(seen, (std::vector<std::string>{"/dev/hidraw0 set", "/dev/hidraw0 get"}));
}

TEST_F(Testbed, UnusableProductsAndASecondTestbedAreRefused) {
  std::string error;
  kvn::sim::ProductSpec none;
  none.vendorId = 1;
  none.productId = 2;
  EXPECT_EQ(bed->AddProduct(std::move(none), error), nullptr);
  kvn::sim::ProductSpec zero;
  zero.interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Vendor8));
  EXPECT_EQ(bed->AddProduct(std::move(zero), error), nullptr);
  kvn::sim::ProductSpec newline;
  newline.vendorId = 1;
  newline.productId = 2;
  newline.name = "two\nlines";
  newline.interfaces.push_back(InterfaceSpec::Of(DescriptorKind::Vendor8));
  EXPECT_EQ(bed->AddProduct(std::move(newline), error), nullptr);
  EXPECT_EQ(bed->ProductCount(), 0u);

  kvn::sim::Testbed second;
  EXPECT_FALSE(second.Ok());
}

}  // namespace
