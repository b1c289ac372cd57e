#include "image_load.h"

#include "error_words.h"
#include "kvn_isp.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kvnisp {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The library's rule: the last three characters, any letter case.
std::string LastThreeLower(const std::string &path) {
  if (path.size() < 3) return {};
  std::string tail = path.substr(path.size() - 3);
  for (char &c : tail) c = LowerAscii(c);
  return tail;
}

bool ReadableRegularFile(const std::string &path, uint64_t &size, std::string &error) {
  struct stat info = {};
  if (stat(path.c_str(), &info) != 0) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "'" + path + "' is not a regular file";
    return false;
  }
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::fclose(file);
  size = static_cast<uint64_t>(info.st_size);
  return true;
}

ImageLoad LoadHexOrBinary(const std::string &path, uint64_t size) {
  ImageLoad load;
  std::string tail = LastThreeLower(path);
  if (tail != "hex" && tail != "bin") {
    load.error = "'" + path + "' must end in \"hex\" (Intel HEX) or \"bin\" (raw binary)";
    return load;
  }
  if (tail == "bin" && size == 0) {
    load.error = "'" + path + "' is empty";
    return load;
  }
  if (tail == "bin" && size > kMaxBinaryImageBytes) {
    load.error = "'" + path + "' holds " + std::to_string(size) + " bytes, more than the 262144 bytes of the image";
    return load;
  }
  if (KvnISP_LoadHexFileData(path.c_str()) == 0) {
    load.error = "the library refused the image '" + path + "'";
    return load;
  }
  load.ok = true;
  load.checksum = KvnISP_GetVrelCheckSum();
  return load;
}

ImageLoad LoadVrel(const std::string &path, uint64_t size) {
  ImageLoad load;
  if (size > kMaxVrelFileBytes) {
    load.error = "'" + path + "' holds " + std::to_string(size) + " bytes, far more than any Vrel image";
    return load;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    load.error = "cannot read '" + path + "': " + std::strerror(errno);
    return load;
  }
  size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
  bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (readFailed || got != bytes.size()) {
    load.error = "cannot read all of '" + path + "'";
    return load;
  }
  if (KvnISP_LoadBuffer(bytes.data(), static_cast<uint32_t>(bytes.size())) == 0) {
    uint16_t code = KvnISP_GetLastErrorCode();
    load.libraryCode = code;
    load.error = "the library refused the Vrel image '" + path + "': code " + std::to_string(code) + ": " +
                 DescribeErrorCode(code).meaning;
    return load;
  }
  load.ok = true;
  load.checksum = KvnISP_GetVrelCheckSum();
  return load;
}

}  // namespace

ImageLoad LoadImage(const SelectedChip &chip, const std::string &path) {
  uint64_t size = 0;
  ImageLoad load;
  if (!ReadableRegularFile(path, size, load.error)) return load;
  if (chip.facts->imageKind == ImageKind::kVrelFile) return LoadVrel(path, size);
  return LoadHexOrBinary(path, size);
}

}  // namespace kvnisp
