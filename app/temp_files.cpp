#include "temp_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "executable_folder.h"

namespace kvn::app {

namespace {

constexpr const char *kTempFolderName = "/isptemp";
constexpr const char *kFirmwareFileName = "/temp.hex";
constexpr const char *kWarningCaption = "警告";

std::string HomeFolder() {
  const char *home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd *found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

// mkdir -p with private modes; an existing folder is fine.
void MakeFolders(const std::string &path) {
  for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string part = slash == std::string::npos ? path : path.substr(0, slash);
    if (!part.empty()) mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void RemoveIfFile(const std::string &path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) unlink(path.c_str());
}

}  // namespace

std::string GetAppDataFolder() {
  const char *dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return dataHome;
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return home + "/.local/share";
}

bool FileExists(const std::string &path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

TempFiles::TempFiles(FolderQuery folderQuery, const FirmwareSource &firmware, MessageSink &messages)
    : folderQuery_(std::move(folderQuery)), firmware_(firmware), messages_(messages) {}

std::string TempFiles::TempFolder() const { return folderQuery_() + kTempFolderName; }

std::string TempFiles::FirmwarePath() const { return TempFolder() + kFirmwareFileName; }

std::string TempFiles::LibraryCopyPath() const { return TempFolder() + "/" + kLibraryFileName; }

FirmwareLookup TempFiles::FindFirmwareResource() const {
  FirmwareLookup found = firmware_.Lookup();
  if (found.status == ResourceStatus::Found && found.bytes.empty()) found.status = ResourceStatus::Empty;
  switch (found.status) {
    case ResourceStatus::Found:
      return found;
    case ResourceStatus::NotFound:
      messages_.Notice("查找资源失败", kWarningCaption);
      break;
    case ResourceStatus::NotLoaded:
      messages_.Notice("加载资源失败", kWarningCaption);
      break;
    case ResourceStatus::Empty:
      messages_.Notice("获取资源失败", kWarningCaption);
      break;
  }
  return FirmwareLookup{found.status, {}, nullptr};
}

bool TempFiles::PrepareUpgradeFiles() const {
  // A failure here (the folder exists already, say) shows when the file is
  // created.
  MakeFolders(TempFolder());

  const FirmwareLookup firmware = FindFirmwareResource();
  if (firmware.status != ResourceStatus::Found) return false;

  const std::string path = FirmwarePath();
  // O_NOFOLLOW: the file is ours; a link planted at its place is refused.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, firmware.bytes);
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    unlink(path.c_str());  // a partial image must not be flashed by anyone
    return false;
  }
  return true;
}

void TempFiles::DeleteLibraryCopy() const { RemoveIfFile(LibraryCopyPath()); }

void TempFiles::DeleteFirmwareFile() const { RemoveIfFile(FirmwarePath()); }

}  // namespace kvn::app
