// Helpers of the image tests: Intel HEX lines, temporary files, a recorder of
// the library's user messages, and a reset of the library state.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/user_messages.h"

namespace kvn::test {

// One record line ":LLAAAATT<data>CC" with a correct checksum, no line end.
inline std::string HexLine(uint8_t type, uint16_t address, const std::vector<uint8_t> &data) {
  char digits[3];
  std::string line = ":";
  unsigned sum = 0;
  auto put = [&](uint8_t byte) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    line += digits;
    sum += byte;
  };
  put(static_cast<uint8_t>(data.size()));
  put(static_cast<uint8_t>(address >> 8));
  put(static_cast<uint8_t>(address));
  put(type);
  for (uint8_t b : data) put(b);
  const auto check = static_cast<uint8_t>(0x100 - (sum & 0xFF));
  std::snprintf(digits, sizeof digits, "%02X", check);
  line += digits;
  return line;
}

inline std::string DataLine(uint16_t address, const std::vector<uint8_t> &data) { return HexLine(0, address, data); }
inline std::string UpperAddressLine(uint16_t upper) {
  return HexLine(4, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
}
inline const std::string kEndLine = ":00000001FF";

// Joins lines, each followed by ending.
inline std::string Lines(const std::vector<std::string> &lines, const std::string &ending = "\r\n") {
  std::string text;
  for (const std::string &line : lines) text += line + ending;
  return text;
}

// Every message the library shows while this object lives.
class MessageRecorder {
 public:
  MessageRecorder() {
    messages().clear();
    platform::SetMessageHandler(&Record);
  }
  ~MessageRecorder() { platform::SetMessageHandler(nullptr); }
  const std::vector<std::string> &texts() const { return messages(); }

 private:
  static std::vector<std::string> &messages() {
    static std::vector<std::string> list;
    return list;
  }
  static int Record(const char *text, const char *, int) {
    messages().push_back(text);
    return 0;
  }
};

inline const std::string kAfterEndMessage = "Error : There is information after the end flag";
inline std::string ChecksumMessage(int line) {
  return "The checksum in hex file is error!! Line number(" + std::to_string(line) + ")";
}
inline std::string OutOfRangeMessage(int line) {
  return "Error : The address in hex file is out of range!! Line number(" + std::to_string(line) + ")";
}

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/kvn-image-XXXXXX";
    path_ = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string &name, std::string_view content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
  }
  std::string Path(const std::string &name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void ResetLibraryState() {
  LibraryState &state = State();
  state.context.lastError.store(0, std::memory_order_release);
  state.chipIndex = 0;
  state.chipSelected = false;
  state.selectedChipName.fill('\0');
  state.imageLoaded = false;
  state.image.bytes.fill(0);
  state.image.imageChecksum = 0;
}

}  // namespace kvn::test
