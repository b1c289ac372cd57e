#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "image/hex_image_reader.h"
#include "image/hex_readers.h"

namespace kvn::image {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// A line split over two chunks is assembled here. Any line that needs more
// is far past the line store and fails as a bad line anyway.
constexpr std::size_t kCarryBytes = 4096;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

ssize_t ReadSome(int fd, char *into, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, into, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Cuts the file into lines at every line feed, a CR LF counting as one.
class LineSplitter {
 public:
  explicit LineSplitter(HexImageReader &reader) : reader_(reader) {}

  // False once the reader stopped.
  bool Feed(const char *data, std::size_t size) {
    while (size > 0) {
      const void *found = std::memchr(data, '\n', size);
      if (found == nullptr) {
        Keep(data, size);
        return true;
      }
      const std::size_t length = static_cast<std::size_t>(static_cast<const char *>(found) - data);
      std::string_view line(data, length);
      if (carried_ > 0 || tooLong_) {
        Keep(data, length);
        line = std::string_view(carry_.data(), carried_);
      }
      if (!Deliver(line, true)) return false;
      data += length + 1;
      size -= length + 1;
    }
    return true;
  }

  // The last line, when the file does not end with a line feed.
  bool Finish() {
    if (carried_ == 0 && !tooLong_) return true;
    return Deliver(std::string_view(carry_.data(), carried_), false);
  }

 private:
  void Keep(const char *data, std::size_t size) {
    const std::size_t room = carry_.size() - carried_;
    if (size > room) {
      tooLong_ = true;
      size = room;
    }
    std::memcpy(carry_.data() + carried_, data, size);
    carried_ += size;
  }

  bool Deliver(std::string_view line, bool hasLineFeed) {
    if (hasLineFeed && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool tooLong = tooLong_;
    carried_ = 0;
    tooLong_ = false;
    return reader_.OnLine(line, hasLineFeed, tooLong) == HexImageReader::Step::Continue;
  }

  HexImageReader &reader_;
  std::array<char, kCarryBytes> carry_;
  std::size_t carried_ = 0;
  bool tooLong_ = false;
};

}  // namespace

bool ReadHexFile(ImageBuffer &image, int32_t record, const char *path) {
  HexImageReader reader(image, record);
  if (path == nullptr) return false;
  const FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return false;
  // Only a regular file is sure to end; a pipe or device could stall or
  // never stop.
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;

  LineSplitter lines(reader);
  std::array<char, kChunkBytes> chunk;
  for (;;) {
    const ssize_t got = ReadSome(file.get(), chunk.data(), chunk.size());
    if (got < 0) return false;
    if (got == 0) break;
    if (!lines.Feed(chunk.data(), static_cast<std::size_t>(got))) return false;
  }
  if (!lines.Finish()) return false;
  return reader.DataPresent();
}

}  // namespace kvn::image
