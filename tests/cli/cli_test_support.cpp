#include "cli_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kvnisp::testing {

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/kvnisp-test-XXXXXX";
  if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string &name, const std::string &bytes) const {
  std::string file = path_ + "/" + name;
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

namespace {

std::string Record(uint8_t type, uint16_t address, const uint8_t *data, size_t count) {
  char text[16];
  std::string line = ":";
  unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF) + type;
  std::snprintf(text, sizeof text, "%02X%04X%02X", static_cast<unsigned>(count), address, type);
  line += text;
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(text, sizeof text, "%02X", data[i]);
    line += text;
    sum += data[i];
  }
  std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  line += text;
  return line + "\r\n";
}

}  // namespace

std::string HexText(uint32_t address, const std::vector<uint8_t> &data) {
  std::string text;
  uint32_t upper = 0xFFFFFFFF;
  for (size_t offset = 0; offset < data.size(); offset += 16) {
    uint32_t at = address + static_cast<uint32_t>(offset);
    if ((at >> 16) != upper) {
      upper = at >> 16;
      uint8_t high[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
      text += Record(4, 0, high, 2);
    }
    size_t count = std::min<size_t>(16, data.size() - offset);
    text += Record(0, static_cast<uint16_t>(at & 0xFFFF), data.data() + offset, count);
  }
  text += Record(1, 0, nullptr, 0);
  return text;
}

uint16_t WordSum(const std::vector<uint8_t> &data, uint32_t flashBytes, uint8_t blank) {
  std::vector<uint8_t> buffer(flashBytes, blank);
  for (size_t i = 0; i < data.size() && i < buffer.size(); ++i) buffer[i] = data[i];
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < buffer.size(); i += 2) sum += buffer[i] | (buffer[i + 1] << 8);
  return static_cast<uint16_t>(sum);
}

}  // namespace kvnisp::testing
