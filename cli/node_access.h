// A look at the machine's hidraw nodes beside the library's discovery: which
// nodes carry given USB ids and whether this process may open them. The
// exports only count the interfaces they can use, so this is how kvnisp
// tells "no product" from "a product whose node we may not open" (udev rules
// missing) and from "a product whose reports do not fit the chip".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvnisp {

struct HidrawNode {
  std::string name;         // "hidraw3"
  std::string devicePath;   // "/dev/hidraw3"
  std::string hidName;      // HID_NAME of the parent hid device, may be empty
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  int openError = 0;        // errno of a read-write open; 0 when it opened
};

struct NodeRoots {
  std::string sysClassHidraw = "/sys/class/hidraw";
  std::string devDir = "/dev";
};

// Every hidraw node whose parent's HID_ID carries the two ids, in name order.
std::vector<HidrawNode> ScanHidrawNodes(uint16_t vendorId, uint16_t productId, const NodeRoots &roots = {});

// True for the errors that mean "not allowed" rather than "not there".
bool IsPermissionError(int error);

// Reads "HID_ID=bbbb:vvvvvvvv:pppppppp" out of a uevent text.
bool ParseHidId(const std::string &ueventText, uint16_t &vendorId, uint16_t &productId);

}  // namespace kvnisp
