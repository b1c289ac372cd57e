#include "image/vrel_image.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <span>

#include "chip_catalogue.h"
#include "image/image_checksum.h"

namespace kvn::image {
namespace {

constexpr int32_t kFileRecords[] = {0, 1, 2, 3, 4, 5, 8, 12, 15, 19};
constexpr int32_t kBlockRecords[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 15, 19};

template <std::size_t N>
bool Contains(const int32_t (&records)[N], int32_t record) {
  return std::find(std::begin(records), std::end(records), record) != std::end(records);
}

int32_t RecordOf(std::string_view chipName) { return catalogue::LookupChipRow(chipName).value_or(0); }

VrelOutcome Failed(int32_t error, std::optional<int32_t> chipIndex = std::nullopt) {
  VrelOutcome outcome;
  outcome.error = error;
  outcome.chipIndex = chipIndex;
  return outcome;
}

// Reads exactly size bytes at offset; false on a short read or an error.
bool ReadAt(int fd, uint8_t *into, std::size_t size, off_t offset) {
  std::size_t total = 0;
  while (total < size) {
    const ssize_t got = ::pread(fd, into + total, size - total, offset + static_cast<off_t>(total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    total += static_cast<std::size_t>(got);
  }
  return true;
}

bool HasWriteBit(const struct stat &info) { return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

class OpenVrelFile {
 public:
  // Opened for reading and writing, like the host's own access to it, and
  // locked against other lockers; a file without any write permission counts
  // as read-only also for a privileged caller.
  explicit OpenVrelFile(const char *path) {
    if (path == nullptr) return;
    fd_ = ::open(path, O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return;
    if (::fstat(fd_, &info_) != 0 || !S_ISREG(info_.st_mode) || !HasWriteBit(info_) ||
        ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  OpenVrelFile(const OpenVrelFile &) = delete;
  OpenVrelFile &operator=(const OpenVrelFile &) = delete;
  ~OpenVrelFile() {
    if (fd_ >= 0) ::close(fd_);  // also drops the lock
  }

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  uint64_t size() const { return static_cast<uint64_t>(info_.st_size); }

 private:
  int fd_ = -1;
  struct stat info_ {};
};

}  // namespace

VrelOutcome LoadVrelBlock(ImageBuffer &image, const uint8_t *data, uint32_t count, bool chipSelected,
                          std::string_view chipName) {
  if (data == nullptr || count <= kVrelHeaderBytes) return Failed(kVrelLoadFailed);
  const uint32_t length = std::min(count, kVrelMaxBytes);
  if (!chipSelected) return Failed(kVrelNoChip);
  const int32_t record = RecordOf(chipName);
  if (length != catalogue::CatalogueLayout(record).flashBytes) return Failed(kVrelWrongSize, record);

  const std::size_t program = length - kVrelHeaderBytes;
  std::memcpy(image.bytes.data(), data + kVrelHeaderBytes, program);
  if (!Contains(kBlockRecords, record)) return Failed(kVrelLoadFailed, record);
  VrelOutcome outcome;
  outcome.chipIndex = record;
  outcome.checksum = ByteSum(std::span<const uint8_t>(image.bytes.data(), program));
  return outcome;
}

VrelOutcome LoadVrelFile(ImageBuffer &image, const char *path, bool chipSelected, std::string_view chipName) {
  const OpenVrelFile file(path);
  if (!file.ok()) return Failed(kVrelLoadFailed);
  if (file.size() <= kVrelHeaderBytes) return Failed(kVrelLoadFailed);
  const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(file.size(), kVrelMaxBytes));
  if (!chipSelected) return Failed(kVrelNoChip);
  const int32_t record = RecordOf(chipName);

  // The header names the chip in the maker's own words; nothing of it is
  // used, but a file too short to hold it is unusable.
  std::array<uint8_t, kVrelHeaderBytes> header;
  if (!ReadAt(file.fd(), header.data(), header.size(), 0)) return Failed(kVrelLoadFailed, record);
  if (length != catalogue::CatalogueLayout(record).flashBytes) return Failed(kVrelWrongSize, record);

  const std::size_t program = length - kVrelHeaderBytes;
  if (!ReadAt(file.fd(), image.bytes.data(), program, kVrelHeaderBytes)) return Failed(kVrelLoadFailed, record);
  if (!Contains(kFileRecords, record)) return Failed(kVrelLoadFailed, record);
  VrelOutcome outcome;
  outcome.chipIndex = record;
  outcome.checksum = ByteSum(std::span<const uint8_t>(image.bytes.data(), program));
  return outcome;
}

}  // namespace kvn::image
