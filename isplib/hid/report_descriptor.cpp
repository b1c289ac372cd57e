#include "hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <limits>

namespace kvn::hid {
namespace {

// Item types and tags of the HID report descriptor (short items).
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };
enum MainTag : uint8_t { kInput = 0x8, kOutput = 0x9, kFeature = 0xB, kCollection = 0xA, kEndCollection = 0xC };
enum GlobalTag : uint8_t { kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };
enum LocalTag : uint8_t { kUsage = 0x0, kUsageMinimum = 0x1, kUsageMaximum = 0x2 };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint8_t kConstantFlag = 0x01;
constexpr uint8_t kVariableFlag = 0x02;

constexpr uint32_t kMaxReportSize = 256;
constexpr uint32_t kMaxReportCount = 12288;
constexpr std::size_t kMaxGlobalStack = 16;
constexpr uint32_t kMaxReportIds = 256;

struct GlobalState {
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

struct Item {
  uint8_t type = 0;
  uint8_t tag = 0;
  uint32_t value = 0;
};

class Parser {
 public:
  Parser(const uint8_t *data, std::size_t length) : data_(data), length_(length) {}

  ReportDescriptorCaps Run() {
    ReportDescriptorCaps caps;
    while (position_ < length_) {
      Item item;
      if (!NextItem(item)) return caps;
      if (item.type == kReserved) continue;  // a long item, or a reserved one: no meaning here
      if (!Apply(item)) return caps;
    }
    if (depth_ != 0) return caps;
    caps.parsed = true;
    uint64_t largestBits = 0;
    bool anyFeature = false;
    for (uint32_t id = 0; id < kMaxReportIds; ++id) {
      if (!featureSeen_[id]) continue;
      anyFeature = true;
      largestBits = std::max(largestBits, featureBits_[id]);
    }
    if (anyFeature) {
      const uint64_t bytes = 1 + (largestBits + 7) / 8;
      caps.featureReportByteLength =
          static_cast<uint32_t>(std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max()));
    }
    caps.numberFeatureValueCaps = valueCaps_;
    caps.firstFeatureValueReportId = firstValueReportId_;
    return caps;
  }

 private:
  // Reads the item at position_; false when it runs past the end.
  bool NextItem(Item &item) {
    const uint8_t prefix = data_[position_++];
    if (prefix == kLongItemPrefix) {
      if (length_ - position_ < 2) return false;
      const std::size_t dataSize = data_[position_];
      position_ += 2;
      if (length_ - position_ < dataSize) return false;
      position_ += dataSize;
      item.type = kReserved;
      return true;
    }
    static constexpr std::array<std::size_t, 4> kSizes = {0, 1, 2, 4};
    const std::size_t size = kSizes[prefix & 0x3];
    if (length_ - position_ < size) return false;
    item.type = (prefix >> 2) & 0x3;
    item.tag = prefix >> 4;
    item.value = 0;
    for (std::size_t i = 0; i < size; ++i) item.value |= static_cast<uint32_t>(data_[position_ + i]) << (8 * i);
    position_ += size;
    return true;
  }

  bool Apply(const Item &item) {
    switch (item.type) {
      case kMain: return ApplyMain(item);
      case kGlobal: return ApplyGlobal(item);
      case kLocal: ApplyLocal(item); return true;
      default: return true;
    }
  }

  bool ApplyMain(const Item &item) {
    switch (item.tag) {
      case kCollection: ++depth_; break;
      case kEndCollection:
        if (depth_ == 0) return false;
        --depth_;
        break;
      case kFeature: AddFeatureField(static_cast<uint8_t>(item.value)); break;
      case kInput:
      case kOutput: break;
      default: break;  // reserved main items carry nothing we count
    }
    usages_ = 0;  // local items hold for one main item only
    return true;
  }

  void AddFeatureField(uint8_t flags) {
    const uint64_t bits = static_cast<uint64_t>(global_.reportSize) * global_.reportCount;
    uint64_t &total = featureBits_[global_.reportId];
    total = bits > std::numeric_limits<uint64_t>::max() - total ? std::numeric_limits<uint64_t>::max() : total + bits;
    featureSeen_[global_.reportId] = true;
    const bool isValue = (flags & kConstantFlag) == 0 && (flags & kVariableFlag) != 0 && global_.reportSize > 1 &&
                         global_.reportCount > 0;
    if (!isValue) return;
    const uint32_t caps = std::max<uint32_t>(1, std::min(usages_, global_.reportCount));
    if (valueCaps_ == 0) firstValueReportId_ = global_.reportId;
    valueCaps_ = caps > std::numeric_limits<uint32_t>::max() - valueCaps_ ? std::numeric_limits<uint32_t>::max()
                                                                           : valueCaps_ + caps;
  }

  bool ApplyGlobal(const Item &item) {
    switch (item.tag) {
      case kReportSize:
        if (item.value > kMaxReportSize) return false;
        global_.reportSize = item.value;
        return true;
      case kReportCount:
        if (item.value > kMaxReportCount) return false;
        global_.reportCount = item.value;
        return true;
      case kReportId:
        if (item.value == 0 || item.value >= kMaxReportIds) return false;
        global_.reportId = static_cast<uint8_t>(item.value);
        return true;
      case kPush:
        if (stackDepth_ == kMaxGlobalStack) return false;
        stack_[stackDepth_++] = global_;
        return true;
      case kPop:
        if (stackDepth_ == 0) return false;
        global_ = stack_[--stackDepth_];
        return true;
      default: return true;  // usage page, logical and physical ranges, units
    }
  }

  void ApplyLocal(const Item &item) {
    // A Usage counts once; a Usage Minimum/Maximum pair is one range.
    if (item.tag == kUsage || item.tag == kUsageMinimum) {
      if (usages_ < std::numeric_limits<uint32_t>::max()) ++usages_;
    }
  }

  const uint8_t *data_;
  std::size_t length_;
  std::size_t position_ = 0;
  GlobalState global_;
  std::array<GlobalState, kMaxGlobalStack> stack_{};
  std::size_t stackDepth_ = 0;
  uint64_t depth_ = 0;
  uint32_t usages_ = 0;
  std::array<uint64_t, kMaxReportIds> featureBits_{};
  std::array<bool, kMaxReportIds> featureSeen_{};
  uint32_t valueCaps_ = 0;
  uint8_t firstValueReportId_ = 0;
};

}  // namespace

ReportDescriptorCaps ParseReportDescriptor(const uint8_t *data, std::size_t length) {
  if (data == nullptr) length = 0;
  return Parser(data, length).Run();
}

}  // namespace kvn::hid
