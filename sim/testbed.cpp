#include "testbed.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hex_text.h"

namespace kvn::sim {
namespace {

// Linux limits the hidraw driver applies before a request reaches a device.
constexpr std::size_t kMaxDescriptorBytes = 4096;   // HID_MAX_DESCRIPTOR_SIZE
constexpr std::size_t kMaxReportBuffer = 16384;     // HID_MAX_BUFFER_SIZE
constexpr uint32_t kBusUsb = 3;
constexpr unsigned kHidrawMajor = 241;

// A world-readable sysfs file without a write method: the kernel refuses
// every open for writing, even root's, while read-only opens work. A node
// pointed here behaves like a device node whose permissions allow reading
// only, which file modes cannot show while the tests run as root.
constexpr const char *kReadOnlyTarget = "/sys/kernel/uevent_seqnum";

std::atomic<bool> gTestbedExists{false};

}  // namespace

// ---------------------------------------------------------------------------
// The GObject that umockdev calls for every ioctl on one node.

// node is handed to the worker thread through GLib, whose locks the
// sanitizers cannot see: the atomic makes the handoff explicit.
struct KvnSimNodeHandler {
  UMockdevIoctlBase parent;
  std::atomic<Node::Impl *> node;
};
struct KvnSimNodeHandlerClass {
  UMockdevIoctlBaseClass parent;
};

}  // namespace kvn::sim

extern "C" {
static gboolean kvn_sim_node_handler_handle_ioctl(UMockdevIoctlBase *base, UMockdevIoctlClient *client);
static void kvn_sim_node_handler_class_init(kvn::sim::KvnSimNodeHandlerClass *klass);
static void kvn_sim_node_handler_init(kvn::sim::KvnSimNodeHandler *self) { self->node.store(nullptr); }
}

using KvnSimNodeHandler = kvn::sim::KvnSimNodeHandler;
using KvnSimNodeHandlerClass = kvn::sim::KvnSimNodeHandlerClass;
G_DEFINE_TYPE(KvnSimNodeHandler, kvn_sim_node_handler, UMOCKDEV_TYPE_IOCTL_BASE)

namespace kvn::sim {

struct Testbed::Impl {
  UMockdevTestbed *bed = nullptr;
  std::string root;
  std::mutex mutex;  // the umockdev testbed, the product list and the counters
  std::vector<std::unique_ptr<Product>> products;
  unsigned nextHidraw = 0;
  unsigned nextHidSerial = 1;
  unsigned nextPort = 1;
  std::mutex observerMutex;
  TrafficObserver observer;

  void Notify(const Node &node, const ReportRecord &record);
  void UnplugProduct(std::size_t index);
};

struct Node::Impl : ModelHost {
  Testbed::Impl *bed = nullptr;
  Node *self = nullptr;
  std::size_t productIndex = 0;
  std::string devicePath;  // /dev/hidrawN
  std::string hidName;     // 0003:VVVV:PPPP.NNNN
  std::string sysPath;     // /sys/devices/.../hidraw/hidrawN
  std::string hidPath;     // the parent hid device
  std::string interfacePath;  // the usb interface above it
  std::string nodeFile;    // the testbed's file for devicePath
  std::string nodeTarget;  // what nodeFile links to while the node is plain
  std::string nameText;    // HID_NAME
  std::string physText;    // HID_PHYS
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::vector<uint8_t> descriptor;
  KvnSimNodeHandler *handler = nullptr;

  mutable std::mutex mutex;
  std::unique_ptr<DeviceModel> model;
  FaultPlan faults;
  uint32_t sets = 0;
  uint32_t gets = 0;
  uint32_t reports = 0;
  bool gone = false;
  bool unplugRequested = false;
  std::vector<ReportRecord> records;

  const std::string &DevicePath() const override { return devicePath; }
  void Unplug() override { unplugRequested = true; }  // from the model, lock held

  void Handle(UMockdevIoctlClient *client);
  long AnswerSetFeature(UMockdevIoctlData *buf, std::size_t size, ReportRecord &record);
  long AnswerGetFeature(UMockdevIoctlData *buf, std::size_t size, ReportRecord &record);
  void PointNodeAt(const std::string &target);
  void MakeNodeUnopenable();
};

}  // namespace kvn::sim

static gboolean kvn_sim_node_handler_handle_ioctl(UMockdevIoctlBase *base, UMockdevIoctlClient *client) {
  auto *self = reinterpret_cast<KvnSimNodeHandler *>(base);
  kvn::sim::Node::Impl *node = self->node.load(std::memory_order_acquire);
  if (node == nullptr) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
  } else {
    node->Handle(client);
  }
  return TRUE;
}

static void kvn_sim_node_handler_class_init(KvnSimNodeHandlerClass *klass) {
  reinterpret_cast<UMockdevIoctlBaseClass *>(klass)->handle_ioctl = kvn_sim_node_handler_handle_ioctl;
}

namespace kvn::sim {
namespace {

// The buffer the ioctl's pointer argument points to, size bytes of it;
// changes go back to the caller when the ioctl completes.
UMockdevIoctlData *ResolveArgument(UMockdevIoctlClient *client, std::size_t size) {
  GError *error = nullptr;
  UMockdevIoctlData *data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
  if (error != nullptr) g_error_free(error);
  return data;
}

void Complete(UMockdevIoctlClient *client, long result) {
  if (result < 0) {
    umockdev_ioctl_client_complete(client, -1, static_cast<gint>(-result));
  } else {
    umockdev_ioctl_client_complete(client, result, 0);
  }
}

// Answers with size bytes of the argument filled by fill, or EFAULT.
template <typename Fill>
void AnswerInto(UMockdevIoctlClient *client, std::size_t size, long result, Fill fill) {
  UMockdevIoctlData *buf = ResolveArgument(client, size);
  if (buf == nullptr) return Complete(client, -EFAULT);
  fill(buf->data);
  Complete(client, result);
  g_object_unref(buf);
}

// Text with its terminator, at most size bytes, as the hidraw driver gives
// its name and phys; the result is the bytes copied.
void AnswerText(UMockdevIoctlClient *client, std::size_t size, const std::string &text) {
  const std::size_t length = std::min(text.size() + 1, size);
  if (length == 0) return Complete(client, 0);
  AnswerInto(client, length, static_cast<long>(length),
             [&](uint8_t *out) { std::memcpy(out, text.c_str(), length); });
}

bool IsFeatureRequest(gulong request, unsigned number) {
  return _IOC_NR(request) == number && _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE);
}

bool IsTextRequest(gulong request, unsigned number) {
  return _IOC_NR(request) == number && _IOC_DIR(request) == _IOC_READ;
}

}  // namespace

void Node::Impl::Handle(UMockdevIoctlClient *client) {
  const auto now = std::chrono::steady_clock::now();
  const gulong request = umockdev_ioctl_client_get_request(client);
  const std::size_t size = _IOC_SIZE(request);

  std::unique_lock lock(mutex);
  if (gone) return Complete(client, -ENODEV);
  if (_IOC_TYPE(request) != 'H') return Complete(client, -ENOTTY);

  if (request == HIDIOCGRDESCSIZE) {
    const int answer = faults.descriptorSizeAnswer ? *faults.descriptorSizeAnswer : static_cast<int>(descriptor.size());
    return AnswerInto(client, sizeof answer, 0, [&](uint8_t *out) { std::memcpy(out, &answer, sizeof answer); });
  }
  if (request == HIDIOCGRDESC) {
    // One resolve of the whole struct: umockdev hands out the first view of
    // a pointer again, whatever size is asked for later.
    UMockdevIoctlData *buf = ResolveArgument(client, sizeof(hidraw_report_descriptor));
    if (buf == nullptr) return Complete(client, -EFAULT);
    uint32_t wanted = 0;
    std::memcpy(&wanted, buf->data, sizeof wanted);
    long result = -EINVAL;
    if (wanted <= kMaxDescriptorBytes - 1) {
      const std::size_t n = std::min<std::size_t>(wanted, descriptor.size());
      std::copy_n(descriptor.begin(), n, buf->data + sizeof(uint32_t));
      result = 0;
    }
    Complete(client, result);
    g_object_unref(buf);
    return;
  }
  if (request == HIDIOCGRAWINFO) {
    hidraw_devinfo info{};
    info.bustype = kBusUsb;
    info.vendor = static_cast<__s16>(vendorId);
    info.product = static_cast<__s16>(productId);
    return AnswerInto(client, sizeof info, 0, [&](uint8_t *out) { std::memcpy(out, &info, sizeof info); });
  }
  if (IsTextRequest(request, _IOC_NR(HIDIOCGRAWNAME(0)))) return AnswerText(client, size, nameText);
  if (IsTextRequest(request, _IOC_NR(HIDIOCGRAWPHYS(0)))) return AnswerText(client, size, physText);

  const bool isSet = IsFeatureRequest(request, _IOC_NR(HIDIOCSFEATURE(0)));
  const bool isGet = IsFeatureRequest(request, _IOC_NR(HIDIOCGFEATURE(0)));
  if (!isSet && !isGet) return Complete(client, -ENOTTY);
  // The driver turns these away before the device sees anything.
  if (size < 2 || size > kMaxReportBuffer) return Complete(client, -EINVAL);
  UMockdevIoctlData *buf = ResolveArgument(client, size);
  if (buf == nullptr) return Complete(client, -EFAULT);

  ReportRecord record;
  record.kind = isSet ? ReportRecord::Kind::SetFeature : ReportRecord::Kind::GetFeature;
  record.time = now;
  ++reports;
  record.result = isSet ? AnswerSetFeature(buf, size, record) : AnswerGetFeature(buf, size, record);
  Complete(client, record.result);
  g_object_unref(buf);

  records.push_back(record);
  const bool unplug = unplugRequested || (faults.unplugAfterReports != 0 && reports >= faults.unplugAfterReports);
  unplugRequested = false;
  lock.unlock();

  bed->Notify(*self, record);
  if (unplug) bed->UnplugProduct(productIndex);
}

long Node::Impl::AnswerSetFeature(UMockdevIoctlData *buf, std::size_t size, ReportRecord &record) {
  ++sets;
  record.bytes.assign(buf->data, buf->data + size);
  if (faults.failSetNumber != 0 && sets == faults.failSetNumber) return -faults.setErrno;
  if (!model) return -EPIPE;
  const int error = model->OnSetFeature(buf->data[0], buf->data + 1, size - 1);
  if (error != 0) return -error;
  return faults.setFeatureResult ? *faults.setFeatureResult : static_cast<long>(size);
}

long Node::Impl::AnswerGetFeature(UMockdevIoctlData *buf, std::size_t size, ReportRecord &record) {
  ++gets;
  const uint8_t reportId = buf->data[0];
  record.bytes.assign(1, reportId);
  if (faults.failGetNumber != 0 && gets == faults.failGetNumber) return -faults.getErrno;
  if (!model) return -EPIPE;
  std::vector<uint8_t> answer(size - 1, 0);
  std::size_t sent = answer.size();
  const int error = model->OnGetFeature(reportId, answer.data(), answer.size(), sent);
  if (error != 0) return -error;
  sent = std::min(sent, answer.size());
  // Like the USB transfer: only the bytes the device sent reach the buffer.
  std::copy_n(answer.begin(), sent, buf->data + 1);
  record.bytes.insert(record.bytes.end(), answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(sent));
  if (faults.getFeatureResult) return *faults.getFeatureResult;
  return static_cast<long>(1 + sent);
}

void Node::Impl::PointNodeAt(const std::string &target) {
  ::unlink(nodeFile.c_str());
  if (::symlink(target.c_str(), nodeFile.c_str()) != 0) {
    std::fprintf(stderr, "kvnsim: cannot relink %s: %s\n", nodeFile.c_str(), std::strerror(errno));
  }
}

// A socket in the node's place: it exists, so opens of the path stay inside
// the testbed, and every open of it fails (ENXIO), as for a device that is
// no longer there.
void Node::Impl::MakeNodeUnopenable() {
  ::unlink(nodeFile.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (nodeFile.size() < sizeof address.sun_path) {
    std::memcpy(address.sun_path, nodeFile.c_str(), nodeFile.size() + 1);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
      std::fprintf(stderr, "kvnsim: cannot replace %s: %s\n", nodeFile.c_str(), std::strerror(errno));
    }
  }
  ::close(fd);
}

void Testbed::Impl::Notify(const Node &node, const ReportRecord &record) {
  std::lock_guard lock(observerMutex);
  if (observer) observer(node, record);
}

void Testbed::Impl::UnplugProduct(std::size_t index) {
  std::lock_guard lock(mutex);
  if (index >= products.size()) return;
  Product &product = *products[index];
  std::string usbDevice;
  for (std::size_t i = 0; i < product.InterfaceCount(); ++i) {
    Node::Impl &node = *product.Interface(i).impl_;
    {
      std::lock_guard nodeLock(node.mutex);
      if (node.gone) continue;
      node.gone = true;
    }
    umockdev_testbed_remove_device(bed, node.sysPath.c_str());
    umockdev_testbed_remove_device(bed, node.hidPath.c_str());
    umockdev_testbed_remove_device(bed, node.interfacePath.c_str());
    node.MakeNodeUnopenable();
    usbDevice = node.interfacePath.substr(0, node.interfacePath.rfind('/'));
  }
  if (!usbDevice.empty()) umockdev_testbed_remove_device(bed, usbDevice.c_str());
}

// ---------------------------------------------------------------------------

InterfaceSpec InterfaceSpec::Of(DescriptorKind kind, std::unique_ptr<DeviceModel> model) {
  InterfaceSpec def;
  def.descriptor = DescriptorBytes(kind);
  def.model = std::move(model);
  return def;
}

Node::Node(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) { impl_->self = this; }
Node::~Node() = default;

const std::string &Node::DevicePath() const { return impl_->devicePath; }
const std::string &Node::HidName() const { return impl_->hidName; }
const std::string &Node::SysPath() const { return impl_->sysPath; }
uint16_t Node::VendorId() const { return impl_->vendorId; }
uint16_t Node::ProductId() const { return impl_->productId; }

std::vector<ReportRecord> Node::Reports() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->records;
}

void Node::ClearReports() {
  std::lock_guard lock(impl_->mutex);
  impl_->records.clear();
}

void Node::SetFaults(const FaultPlan &plan) {
  std::lock_guard lock(impl_->mutex);
  const bool wasReadOnly = impl_->faults.refuseReadWrite;
  impl_->faults = plan;
  impl_->sets = impl_->gets = impl_->reports = 0;
  if (!impl_->gone && plan.refuseReadWrite != wasReadOnly) {
    impl_->PointNodeAt(plan.refuseReadWrite ? kReadOnlyTarget : impl_->nodeTarget);
  }
}

bool Node::Gone() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->gone;
}

void Node::WithModel(const std::function<void(DeviceModel *)> &fn) {
  std::lock_guard lock(impl_->mutex);
  fn(impl_->model.get());
}

void Product::Unplug() { bed_->UnplugProduct(index_); }

bool Product::Gone() const {
  for (const auto &node : nodes_) {
    if (!node->Gone()) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------

bool Testbed::PreloadActive() {
  const char *preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "libumockdev-preload.so") != nullptr;
}

Testbed::Testbed() : impl_(std::make_unique<Impl>()) {
  if (!PreloadActive()) {
    error_ = "the umockdev preload is not active (run under umockdev-wrapper or kvnisp-sim)";
    return;
  }
  if (gTestbedExists.exchange(true)) {
    error_ = "another testbed exists in this process";
    return;
  }
  impl_->bed = umockdev_testbed_new();
  gchar *root = umockdev_testbed_get_root_dir(impl_->bed);
  impl_->root = root;
  g_free(root);
}

Testbed::~Testbed() {
  if (impl_->bed == nullptr) return;
  // The testbed's worker thread ends with it; only then do the handlers and
  // models go.
  g_object_unref(impl_->bed);
  // The worker has ended, joined inside GLib where the thread sanitizer does
  // not see it; taking the locks it last held makes its end visible.
  { std::lock_guard lock(impl_->mutex); }
  { std::lock_guard lock(impl_->observerMutex); }
  for (auto &product : impl_->products) {
    for (std::size_t i = 0; i < product->InterfaceCount(); ++i) {
      Node::Impl &node = *product->Interface(i).impl_;
      { std::lock_guard lock(node.mutex); }
      if (node.handler != nullptr) {
        node.handler->node.store(nullptr, std::memory_order_release);
        g_object_unref(node.handler);
      }
    }
  }
  impl_->products.clear();
  gTestbedExists.store(false);
}

namespace {

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
  return text;
}

std::string Hex4Lower(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
  return text;
}

// One device of the umockdev text format: path, then lines.
void AddDevice(std::string &out, const std::string &path, std::initializer_list<std::string> lines) {
  out += "P: " + path.substr(std::strlen("/sys")) + "\n";
  for (const std::string &line : lines) out += line + "\n";
  out += "\n";
}

}  // namespace

Product *Testbed::AddProduct(ProductSpec def, std::string &error) {
  if (!Ok()) {
    error = error_;
    return nullptr;
  }
  if (def.interfaces.empty()) {
    error = "a product needs at least one interface";
    return nullptr;
  }
  if (def.vendorId == 0 || def.productId == 0) {
    error = "a product needs nonzero vendor and product ids";
    return nullptr;
  }
  for (const InterfaceSpec &i : def.interfaces) {
    if (i.descriptor.size() > kMaxDescriptorBytes) {
      error = "a report descriptor may hold at most 4096 bytes";
      return nullptr;
    }
  }
  for (char c : def.name) {
    if (c == '\n' || c == '\0') {
      error = "the product name must be one line";
      return nullptr;
    }
  }

  std::lock_guard lock(impl_->mutex);
  auto product = std::make_unique<Product>();
  product->bed_ = this;
  product->index_ = impl_->products.size();

  const unsigned port = impl_->nextPort++;
  const std::string usbDevice = "/sys/devices/platform/kvnsim-hcd.0/usb1/1-" + std::to_string(port);
  const std::string vid = Hex4(def.vendorId);
  const std::string pid = Hex4(def.productId);
  std::string text;

  for (std::size_t i = 0; i < def.interfaces.size(); ++i) {
    InterfaceSpec &interface = def.interfaces[i];
    auto node = std::make_unique<Node::Impl>();
    const unsigned minor = impl_->nextHidraw++;
    char serial[8];
    std::snprintf(serial, sizeof serial, "%04X", impl_->nextHidSerial++ & 0xFFFFu);
    node->bed = impl_.get();
    node->productIndex = product->index_;
    node->vendorId = def.vendorId;
    node->productId = def.productId;
    node->descriptor = std::move(interface.descriptor);
    node->model = std::move(interface.model);
    node->nameText = def.name;
    node->physText = "usb-kvnsim-1-" + std::to_string(port) + "/input" + std::to_string(i);
    node->hidName = "0003:" + vid + ":" + pid + "." + serial;
    node->interfacePath = usbDevice + "/1-" + std::to_string(port) + ":1." + std::to_string(i);
    node->hidPath = node->interfacePath + "/" + node->hidName;
    const std::string devName = "hidraw" + std::to_string(minor);
    node->sysPath = node->hidPath + "/hidraw/" + devName;
    node->devicePath = "/dev/" + devName;
    node->nodeFile = impl_->root + node->devicePath;

    const std::string dev = std::to_string(kHidrawMajor) + ":" + std::to_string(minor);
    AddDevice(text, node->sysPath,
              {"N: " + devName, "E: DEVNAME=" + node->devicePath, "E: SUBSYSTEM=hidraw",
               "E: MAJOR=" + std::to_string(kHidrawMajor), "E: MINOR=" + std::to_string(minor), "A: dev=" + dev,
               "L: device=../../../" + node->hidName});
    AddDevice(text, node->hidPath,
              {"E: SUBSYSTEM=hid", "E: DRIVER=hid-generic", "E: HID_ID=0003:0000" + vid + ":0000" + pid,
               "E: HID_NAME=" + def.name, "E: HID_PHYS=" + node->physText,
               "E: MODALIAS=hid:b0003g0001v0000" + vid + "p0000" + pid,
               "H: report_descriptor=" + HexText(node->descriptor.data(), node->descriptor.size())});
    AddDevice(text, node->interfacePath,
              {"E: SUBSYSTEM=usb", "E: DEVTYPE=usb_interface", "E: DRIVER=usbhid",
               "A: bInterfaceNumber=" + Hex4(static_cast<unsigned>(i)).substr(2), "A: bInterfaceClass=03"});
    product->nodes_.push_back(std::unique_ptr<Node>(new Node(std::move(node))));
  }
  AddDevice(text, usbDevice,
            {"E: SUBSYSTEM=usb", "E: DEVTYPE=usb_device", "E: DRIVER=usb",
             "E: PRODUCT=" + Hex4Lower(def.vendorId) + "/" + Hex4Lower(def.productId) + "/" +
                 Hex4Lower(def.bcdDevice),
             "A: idVendor=" + Hex4Lower(def.vendorId), "A: idProduct=" + Hex4Lower(def.productId),
             "A: bcdDevice=" + Hex4Lower(def.bcdDevice), "A: product=" + def.name,
             "A: busnum=1", "A: devnum=" + std::to_string(port + 1)});

  GError *gerror = nullptr;
  if (!umockdev_testbed_add_from_string(impl_->bed, text.c_str(), &gerror)) {
    error = std::string("umockdev refused the product: ") + (gerror ? gerror->message : "unknown reason");
    if (gerror) g_error_free(gerror);
    return nullptr;
  }
  for (auto &n : product->nodes_) {
    Node::Impl &node = *n->impl_;
    char target[4096];
    const ssize_t length = ::readlink(node.nodeFile.c_str(), target, sizeof target - 1);
    if (length > 0) node.nodeTarget.assign(target, static_cast<std::size_t>(length));
    if (node.model) node.model->Attach(node);
    node.handler = static_cast<KvnSimNodeHandler *>(g_object_new(kvn_sim_node_handler_get_type(), nullptr));
    node.handler->node.store(&node, std::memory_order_release);
    if (!umockdev_testbed_attach_ioctl(impl_->bed, node.devicePath.c_str(),
                                       reinterpret_cast<UMockdevIoctlBase *>(node.handler), &gerror)) {
      error = std::string("umockdev refused the ioctl handler: ") + (gerror ? gerror->message : "unknown reason");
      if (gerror) g_error_free(gerror);
      return nullptr;
    }
  }
  impl_->products.push_back(std::move(product));
  return impl_->products.back().get();
}

std::size_t Testbed::ProductCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->products.size();
}

Product &Testbed::ProductAt(std::size_t index) {
  std::lock_guard lock(impl_->mutex);
  return *impl_->products.at(index);
}

void Testbed::SetTrafficObserver(TrafficObserver observer) {
  std::lock_guard lock(impl_->observerMutex);
  impl_->observer = std::move(observer);
}

void Testbed::UnplugProduct(std::size_t index) { impl_->UnplugProduct(index); }

}  // namespace kvn::sim
