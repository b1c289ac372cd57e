#include "descriptors.h"

namespace kvn::sim {
namespace {

// Usage page FF00, application collection, one feature field of count
// bytes (logical 0-255); with reportId nonzero a Report ID item leads it.
std::vector<uint8_t> VendorFeature(uint8_t count, uint8_t reportId) {
  std::vector<uint8_t> d = {0x06, 0x00, 0xFF,  // Usage Page (vendor FF00)
                            0x09, 0x01,        // Usage (1)
                            0xA1, 0x01};       // Collection (Application)
  if (reportId != 0) d.insert(d.end(), {0x85, reportId});  // Report ID
  d.insert(d.end(), {0x09, 0x02,                           // Usage (2)
                     0x15, 0x00,                           // Logical Minimum (0)
                     0x26, 0xFF, 0x00,                     // Logical Maximum (255)
                     0x75, 0x08,                           // Report Size (8)
                     0x95, count,                          // Report Count
                     0xB1, 0x02,                           // Feature (Data, Var, Abs)
                     0xC0});                               // End Collection
  return d;
}

const std::vector<uint8_t> kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,  // modifier keys
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  //   8 x 1 bit input
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // reserved byte
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,  // LEDs
    0x29, 0x05, 0x91, 0x02,                          //   5 x 1 bit output
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,              //   padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,  // six key codes
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  //   array input
    0xC0};

}  // namespace

std::vector<uint8_t> DescriptorBytes(DescriptorKind kind) {
  switch (kind) {
    case DescriptorKind::Vendor64: return VendorFeature(64, 0);
    case DescriptorKind::Vendor8: return VendorFeature(8, 0);
    case DescriptorKind::Vendor64WithReportId: return VendorFeature(64, 1);
    case DescriptorKind::Keyboard: return kBootKeyboard;
  }
  return {};
}

std::optional<DescriptorKind> DescriptorKindByName(std::string_view name) {
  struct Named {
    std::string_view name;
    DescriptorKind kind;
  };
  static constexpr Named kNames[] = {
      {"64", DescriptorKind::Vendor64},
      {"8", DescriptorKind::Vendor8},
      {"id", DescriptorKind::Vendor64WithReportId},
      {"keyboard", DescriptorKind::Keyboard},
  };
  for (const Named &n : kNames) {
    if (n.name == name) return n.kind;
  }
  return std::nullopt;
}

}  // namespace kvn::sim
