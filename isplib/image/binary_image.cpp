#include "image/binary_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/image_fill.h"

namespace kvn::image {
namespace {

// Reads exactly size bytes unless the file ends or fails first; the count read.
std::size_t ReadFully(int fd, uint8_t *into, std::size_t size, bool &failed) {
  std::size_t total = 0;
  failed = false;
  while (total < size) {
    const ssize_t got = ::read(fd, into + total, size - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failed = true;
      break;
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return total;
}

}  // namespace

bool LoadBinaryBlock(ImageBuffer &image, int32_t record, const uint8_t *data, uint32_t count) {
  if (count > kImageBytes || (data == nullptr && count > 0)) return false;
  FillBlank(image, record);
  if (count > 0) std::memcpy(image.bytes.data(), data, count);
  return true;
}

bool LoadBinaryFile(ImageBuffer &image, int32_t record, const char *path) {
  FillBlank(image, record);
  if (path == nullptr) return false;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<uint64_t>(info.st_size) <= kImageBytes;
  if (ok) {
    // One byte more than the image holds tells a file that grew meanwhile.
    uint8_t probe = 0;
    bool failed = false;
    const std::size_t got = ReadFully(fd, image.bytes.data(), kImageBytes, failed);
    ok = !failed && got > 0 && ReadFully(fd, &probe, 1, failed) == 0 && !failed;
  }
  ::close(fd);
  return ok;
}

}  // namespace kvn::image
