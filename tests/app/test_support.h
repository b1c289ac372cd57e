// Helpers of the application's tests: a private temporary folder, a message
// sink that records what it was asked to show, and firmware bytes held in
// memory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "message_sink.h"
#include "temp_files.h"

namespace kvn::app {

// A fresh folder under $TMPDIR, removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(const std::string &tag) {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/kvnapp-" + tag +
                          ".XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  const std::string &Path() const { return path_; }

 private:
  std::string path_;
};

class RecordingSink : public MessageSink {
 public:
  struct Message {
    std::string text;
    std::string caption;
    bool operator==(const Message &) const = default;
  };

  void Notice(const std::string &text, const std::string &caption) override {
    std::lock_guard lock(mutex_);
    notices.push_back({text, caption});
  }
  bool Ask(const std::string &text, const std::string &caption) override {
    std::lock_guard lock(mutex_);
    questions.push_back({text, caption});
    return false;
  }

  std::vector<Message> notices;
  std::vector<Message> questions;

 private:
  std::mutex mutex_;
};

// Firmware bytes in memory, or a look-up that fails with a given status.
class MemoryFirmware : public FirmwareSource {
 public:
  explicit MemoryFirmware(std::string bytes, ResourceStatus status = ResourceStatus::Found)
      : bytes_(std::make_shared<std::string>(std::move(bytes))), status_(status) {}

  FirmwareLookup Lookup() const override {
    if (status_ != ResourceStatus::Found) return {status_, {}, nullptr};
    return {ResourceStatus::Found,
            std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(bytes_->data()), bytes_->size()), bytes_};
  }

 private:
  std::shared_ptr<std::string> bytes_;
  ResourceStatus status_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string &path);
// Writes text as the whole content of a file.
void WriteFile(const std::string &path, const std::string &text);

}  // namespace kvn::app
