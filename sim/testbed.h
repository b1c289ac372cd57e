// Emulated USB HID products behind real /dev/hidrawN nodes.
//
// A Testbed is a umockdev testbed: while it exists, libudev, open() and
// ioctl() of this process and of every child started with the umockdev
// preload (umockdev-wrapper, or kvnisp-sim) see its sysfs tree and device
// nodes instead of the machine's. Each emulated product is one USB device
// with one or more HID interfaces; each interface is a `hid` device
// (HID_ID, HID_NAME) with a hidraw child whose node answers the hidraw
// ioctls the way the kernel does for a device without report ids:
//
//   HIDIOCGRDESCSIZE, HIDIOCGRDESC   the interface's report descriptor
//   HIDIOCGRAWINFO, HIDIOCGRAWNAME   bus USB, vendor/product, HID_NAME
//   HIDIOCSFEATURE(n)                model.OnSetFeature; returns n
//   HIDIOCGFEATURE(n)                model.OnGetFeature; byte 0 stays the
//                                    requested report id, the answer goes
//                                    to bytes 1...; returns 1 + bytes sent
//
// Every feature report is recorded with its bytes and a steady_clock
// timestamp taken when the ioctl reached the node; the same clock as
// std::chrono::steady_clock in any process of the machine, so tests can
// check the pauses between reports.
//
// Threads: the ioctls of the host are answered on the testbed's own GLib
// worker thread (never the thread that issued them, which is blocked in
// the ioctl). All methods below may be called from any thread; Node's
// accessors take the node's lock.
//
// Only one Testbed may exist in a process at a time; the process must run
// with the umockdev preload (see PreloadActive).
#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "descriptors.h"
#include "device_model.h"

namespace kvn::sim {

// Faults one node shows. Counters start at 0 whenever a plan is set.
struct FaultPlan {
  uint32_t failSetNumber = 0;  // the Nth set-feature (from 1) fails with setErrno; 0: none
  int setErrno = EPIPE;
  uint32_t failGetNumber = 0;  // the Nth get-feature fails with getErrno; 0: none
  int getErrno = EPIPE;
  uint32_t unplugAfterReports = 0;  // after this many feature reports the product is unplugged; 0: never
  bool refuseReadWrite = false;     // opens for writing fail (EACCES); read-only opens work
  std::optional<int32_t> descriptorSizeAnswer;  // HIDIOCGRDESCSIZE answers this instead
  std::optional<long> getFeatureResult;         // HIDIOCGFEATURE returns this instead of 1 + sent
  std::optional<long> setFeatureResult;         // HIDIOCSFEATURE returns this (the model still sees the report)
};

struct ReportRecord {
  enum class Kind : uint8_t { SetFeature, GetFeature };
  Kind kind = Kind::SetFeature;
  std::chrono::steady_clock::time_point time;
  // Byte 0 is the report id. A set: what the host sent. A get: what the node
  // answered (report id and the bytes sent); only the report id when it failed.
  std::vector<uint8_t> bytes;
  long result = 0;  // the ioctl's return value, or -errno
};

struct InterfaceSpec {
  std::vector<uint8_t> descriptor;
  std::unique_ptr<DeviceModel> model;  // none: feature requests stall (EPIPE)

  static InterfaceSpec Of(DescriptorKind kind, std::unique_ptr<DeviceModel> model = nullptr);
};

struct ProductSpec {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t bcdDevice = 0x0100;  // the USB device's release number
  std::string name = "Kvn emulated product";  // HID_NAME of every interface
  std::vector<InterfaceSpec> interfaces;
};

class Testbed;

// One HID interface of a product: its hid device and hidraw node.
class Node {
 public:
  ~Node();
  Node(const Node &) = delete;
  Node &operator=(const Node &) = delete;

  const std::string &DevicePath() const;  // "/dev/hidrawN"
  const std::string &HidName() const;     // the hid device, "0003:VVVV:PPPP.NNNN"
  const std::string &SysPath() const;     // the hidraw device's sysfs path
  uint16_t VendorId() const;
  uint16_t ProductId() const;

  std::vector<ReportRecord> Reports() const;
  void ClearReports();
  void SetFaults(const FaultPlan &plan);
  bool Gone() const;

  // Runs fn with the node's model (nullptr when it has none) under the lock
  // the worker thread holds while it calls the model.
  void WithModel(const std::function<void(DeviceModel *)> &fn);

  struct Impl;

 private:
  friend class Testbed;
  explicit Node(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

class Product {
 public:
  std::size_t InterfaceCount() const { return nodes_.size(); }
  Node &Interface(std::size_t index) { return *nodes_.at(index); }
  const Node &Interface(std::size_t index) const { return *nodes_.at(index); }

  // Takes the whole product away (also what the unplug fault does).
  void Unplug();
  bool Gone() const;

 private:
  friend class Testbed;
  Testbed *bed_ = nullptr;
  std::size_t index_ = 0;
  std::vector<std::unique_ptr<Node>> nodes_;
};

// Sees every feature report of every node, on the worker thread, after it
// was recorded. Must not call back into the testbed.
using TrafficObserver = std::function<void(const Node &node, const ReportRecord &record)>;

class Testbed {
 public:
  Testbed();
  ~Testbed();
  Testbed(const Testbed &) = delete;
  Testbed &operator=(const Testbed &) = delete;

  // The process runs with the umockdev preload, so that a testbed can work.
  static bool PreloadActive();

  // False (with a reason) when the testbed could not be set up.
  bool Ok() const { return error_.empty(); }
  const std::string &Error() const { return error_; }

  // Plugs in a product; nullptr with a reason in error when the description is
  // unusable (no interface, an id of 0) or the testbed refused it.
  Product *AddProduct(ProductSpec def, std::string &error);

  std::size_t ProductCount() const;
  Product &ProductAt(std::size_t index);

  void SetTrafficObserver(TrafficObserver observer);

  struct Impl;

 private:
  friend class Product;
  friend struct Node::Impl;
  void UnplugProduct(std::size_t index);

  std::unique_ptr<Impl> impl_;
  std::string error_;
};

}  // namespace kvn::sim
