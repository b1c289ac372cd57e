#include "node_access.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace kvnisp {
namespace {

// uevent files are a few hundred bytes; anything beyond this is not read.
constexpr size_t kMaxUeventBytes = 16384;

std::string ReadSmallFile(const std::string &path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  while (text.size() < kMaxUeventBytes) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(std::min<ssize_t>(got, static_cast<ssize_t>(kMaxUeventBytes - text.size()))));
  }
  close(fd);
  return text;
}

std::string UeventValue(const std::string &text, const std::string &key) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

bool ParseHexField(const std::string &field, uint32_t &value) {
  if (field.empty() || field.size() > 8) return false;
  char *end = nullptr;
  unsigned long parsed = std::strtoul(field.c_str(), &end, 16);
  if (end == nullptr || *end != '\0') return false;
  for (char c : field) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  value = static_cast<uint32_t>(parsed);
  return true;
}

int TryOpenReadWrite(const std::string &path) {
  int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == 0 ? EIO : errno;
  close(fd);
  return 0;
}

bool IsHidrawName(const char *name) {
  if (std::strncmp(name, "hidraw", 6) != 0 || name[6] == '\0') return false;
  for (const char *p = name + 6; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

int NodeNumber(const std::string &name) { return std::atoi(name.c_str() + 6); }

}  // namespace

bool ParseHidId(const std::string &ueventText, uint16_t &vendorId, uint16_t &productId) {
  std::string id = UeventValue(ueventText, "HID_ID");
  size_t first = id.find(':');
  size_t second = first == std::string::npos ? std::string::npos : id.find(':', first + 1);
  if (second == std::string::npos) return false;
  uint32_t bus = 0, vendor = 0, product = 0;
  if (!ParseHexField(id.substr(0, first), bus) || !ParseHexField(id.substr(first + 1, second - first - 1), vendor) ||
      !ParseHexField(id.substr(second + 1), product)) {
    return false;
  }
  if (vendor > 0xFFFF || product > 0xFFFF) return false;
  vendorId = static_cast<uint16_t>(vendor);
  productId = static_cast<uint16_t>(product);
  return true;
}

bool IsPermissionError(int error) { return error == EACCES || error == EPERM; }

std::vector<HidrawNode> ScanHidrawNodes(uint16_t vendorId, uint16_t productId, const NodeRoots &roots) {
  std::vector<HidrawNode> nodes;
  DIR *dir = opendir(roots.sysClassHidraw.c_str());
  if (dir == nullptr) return nodes;
  while (dirent *entry = readdir(dir)) {
    if (!IsHidrawName(entry->d_name)) continue;
    std::string name = entry->d_name;
    std::string uevent = ReadSmallFile(roots.sysClassHidraw + "/" + name + "/device/uevent");
    HidrawNode node;
    if (!ParseHidId(uevent, node.vendorId, node.productId)) continue;
    if (node.vendorId != vendorId || node.productId != productId) continue;
    node.name = name;
    node.devicePath = roots.devDir + "/" + name;
    node.hidName = UeventValue(uevent, "HID_NAME");
    node.openError = TryOpenReadWrite(node.devicePath);
    nodes.push_back(std::move(node));
  }
  closedir(dir);
  std::sort(nodes.begin(), nodes.end(),
            [](const HidrawNode &a, const HidrawNode &b) { return NodeNumber(a.name) < NodeNumber(b.name); });
  return nodes;
}

}  // namespace kvnisp
