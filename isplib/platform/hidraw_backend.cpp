// Linux: libudev lists the hidraw nodes, the hidraw ioctls answer the rest.
//
// Ids come from the parent hid device's HID_ID and the version from the
// USB device's bcdDevice (0 for other buses). The name a user sees is the
// hid device's sysfs name, e.g. "0003:1209:0047.0001" (bus:vendor:product.
// instance), the same on every plug-in of the interface, or the node's
// name when a node has no hid parent. Nodes are listed in the order of
// their numbers: hidraw2 before hidraw10.
#include "platform/hidraw_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace kvn::platform {
namespace hidraw {
namespace {

// The kernel's own bounds (HID_MAX_DESCRIPTOR_SIZE; the 14-bit size field
// of an ioctl request).
constexpr int32_t kMaxDescriptorBytes = 4096;
constexpr uint32_t kMaxIoctlBytes = (1u << _IOC_SIZEBITS) - 1;
constexpr int kMaxInterruptedRetries = 100;

struct ListedNode {
  std::string path;
  std::string instance;
  HidAttributes attributes;
  std::optional<uint32_t> number;
  std::string sysname;
};

template <typename Call>
int RetryInterrupted(Call call) {
  int result = -1;
  for (int attempt = 0; attempt < kMaxInterruptedRetries; ++attempt) {
    result = call();
    if (result >= 0 || errno != EINTR) break;
  }
  return result;
}

std::optional<uint32_t> ParseHex(std::string_view text, uint32_t max) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

uint16_t VersionOf(udev_device *node) {
  udev_device *usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
  if (usb == nullptr) return 0;
  const char *bcd = udev_device_get_sysattr_value(usb, "bcdDevice");
  if (bcd == nullptr) return 0;
  std::string_view text(bcd);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  return static_cast<uint16_t>(ParseHex(text, 0xFFFF).value_or(0));
}

// One hidraw node as listed, or none when it cannot be identified.
std::optional<ListedNode> DescribeNode(udev *context, const char *syspath) {
  udev_device *node = udev_device_new_from_syspath(context, syspath);
  if (node == nullptr) return std::nullopt;
  std::optional<ListedNode> listed;
  const char *devnode = udev_device_get_devnode(node);
  udev_device *hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
  const char *hidId = hid != nullptr ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
  const char *sysname = udev_device_get_sysname(node);
  if (devnode != nullptr && hidId != nullptr && sysname != nullptr) {
    if (const auto attributes = ParseHidId(hidId)) {
      listed.emplace();
      listed->path = devnode;
      const char *hidName = udev_device_get_sysname(hid);
      listed->instance = hidName != nullptr ? hidName : sysname;
      listed->attributes = *attributes;
      listed->attributes.versionNumber = VersionOf(node);
      listed->sysname = sysname;
      listed->number = NodeNumber(sysname);
    }
  }
  udev_device_unref(node);
  return listed;
}

bool ListNodes(std::vector<ListedNode> &nodes) {
  udev *context = udev_new();
  if (context == nullptr) return false;
  udev_enumerate *walk = udev_enumerate_new(context);
  bool ok = walk != nullptr && udev_enumerate_add_match_subsystem(walk, "hidraw") >= 0 &&
            udev_enumerate_scan_devices(walk) >= 0;
  if (ok) {
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(walk)) {
      if (auto node = DescribeNode(context, udev_list_entry_get_name(entry))) nodes.push_back(std::move(*node));
    }
  }
  if (walk != nullptr) udev_enumerate_unref(walk);
  udev_unref(context);
  std::stable_sort(nodes.begin(), nodes.end(), [](const ListedNode &a, const ListedNode &b) {
    if (a.number && b.number) return *a.number < *b.number;
    if (a.number || b.number) return a.number.has_value();
    return a.sysname < b.sysname;
  });
  return ok;
}

bool ListInterfaces(HidInterfaceClass cls, HidInterfaceVisitor visit, void *context) {
  // hidraw lists keyboards and mice too: the other classes add nothing.
  if (cls != HidInterfaceClass::Hid) return true;
  try {
    std::vector<ListedNode> nodes;
    const bool ok = ListNodes(nodes);
    for (const ListedNode &node : nodes) {
      HidInterfaceInfo info;
      info.path = node.path.c_str();
      info.instanceText = node.instance.c_str();
      info.attributes = node.attributes;
      if (!visit(context, info)) break;
    }
    return ok;
  } catch (...) {  // out of memory while listing: no list
    return false;
  }
}

HidHandle Open(const char *path, HidAccess access) {
  const int flags = (access == HidAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  const int fd = RetryInterrupted([&] { return ::open(path, flags); });
  return fd >= 0 ? static_cast<HidHandle>(fd) : kInvalidHidHandle;
}

bool GetAttributes(HidHandle, const HidInterfaceInfo &info, HidAttributes &out) {
  out = info.attributes;
  return true;
}

int32_t GetReportDescriptor(HidHandle handle, uint8_t *dest, uint32_t capacity) {
  const int fd = static_cast<int>(handle);
  int size = 0;
  if (RetryInterrupted([&] { return ::ioctl(fd, HIDIOCGRDESCSIZE, &size); }) < 0) return -1;
  if (size < 0 || size > kMaxDescriptorBytes || static_cast<uint32_t>(size) > capacity) return -1;
  hidraw_report_descriptor descriptor{};
  descriptor.size = static_cast<uint32_t>(size);
  if (RetryInterrupted([&] { return ::ioctl(fd, HIDIOCGRDESC, &descriptor); }) < 0) return -1;
  std::memcpy(dest, descriptor.value, static_cast<std::size_t>(size));
  return size;
}

bool SetFeature(HidHandle handle, const uint8_t *report, uint32_t length) {
  if (length == 0 || length > kMaxIoctlBytes) return false;
  const int fd = static_cast<int>(handle);
  const int sent = RetryInterrupted([&] { return ::ioctl(fd, HIDIOCSFEATURE(length), report); });
  return sent >= 0 && static_cast<uint32_t>(sent) == length;
}

int32_t GetFeature(HidHandle handle, uint8_t *report, uint32_t length) {
  if (length == 0 || length > kMaxIoctlBytes) return -1;
  const int fd = static_cast<int>(handle);
  const int received = RetryInterrupted([&] { return ::ioctl(fd, HIDIOCGFEATURE(length), report); });
  if (received < 1) return -1;
  // The kernel never reports more than it was given room for; a driver
  // that claims so is held to the buffer.
  return static_cast<int32_t>(std::min<uint32_t>(static_cast<uint32_t>(received), length));
}

void Close(HidHandle handle) { ::close(static_cast<int>(handle)); }

const HidBackend kHidrawBackend = {
    ListInterfaces, Open, GetAttributes, GetReportDescriptor, SetFeature, GetFeature, Close,
};

}  // namespace

std::optional<HidAttributes> ParseHidId(std::string_view text) {
  const std::size_t first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = ParseHex(text.substr(0, first), 0xFFFF);
  const auto vendor = ParseHex(text.substr(first + 1, second - first - 1), 0xFFFF);
  const auto product = ParseHex(text.substr(second + 1), 0xFFFF);
  if (!bus || !vendor || !product) return std::nullopt;
  HidAttributes attributes;
  attributes.vendorId = static_cast<uint16_t>(*vendor);
  attributes.productId = static_cast<uint16_t>(*product);
  return attributes;
}

std::optional<uint32_t> NodeNumber(std::string_view sysname) {
  constexpr std::string_view kPrefix = "hidraw";
  if (sysname.size() <= kPrefix.size() || sysname.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const std::string_view digits = sysname.substr(kPrefix.size());
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace hidraw

const HidBackend &PlatformHidBackend() { return hidraw::kHidrawBackend; }

}  // namespace kvn::platform
