// The temporary folder "isptemp" in the per-user data folder, the firmware
// file written there from the executable's resource before every run, and
// the library-copy path that the library client tries second.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "message_sink.h"

namespace kvn::app {

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share (the home
// folder from $HOME, else from the password database). Empty when neither
// can be told.
std::string GetAppDataFolder();

// What a look-up of the firmware resource found.
enum class ResourceStatus { Found, NotFound, NotLoaded, Empty };

struct FirmwareLookup {
  ResourceStatus status = ResourceStatus::NotFound;
  std::span<const uint8_t> bytes;
  std::shared_ptr<const void> keepAlive;  // owner of bytes
};

// Where the firmware image comes from (the executable's resources; tests
// give their own).
class FirmwareSource {
 public:
  virtual ~FirmwareSource() = default;
  virtual FirmwareLookup Lookup() const = 0;
};

class TempFiles {
 public:
  using FolderQuery = std::function<std::string()>;

  // folderQuery is asked afresh for every path built (GetAppDataFolder in
  // the application).
  TempFiles(FolderQuery folderQuery, const FirmwareSource &firmware, MessageSink &messages);

  std::string TempFolder() const;       // ".../isptemp"
  std::string FirmwarePath() const;     // ".../isptemp/temp.hex"
  std::string LibraryCopyPath() const;  // ".../isptemp/libKvnHidLib.so"

  // The resource's bytes and size, or a status after showing its message
  // ("查找资源失败", "加载资源失败", "获取资源失败"; caption "警告").
  FirmwareLookup FindFirmwareResource() const;
  // Creates the folder and writes the firmware file, replacing an earlier
  // one. False after any failure; no partial file is left behind.
  bool PrepareUpgradeFiles() const;
  // Deletes a file at the library-copy path; failures are ignored.
  void DeleteLibraryCopy() const;
  // Deletes the firmware file; failures are ignored.
  void DeleteFirmwareFile() const;

 private:
  FolderQuery folderQuery_;
  const FirmwareSource &firmware_;
  MessageSink &messages_;
};

bool FileExists(const std::string &path);

}  // namespace kvn::app
