// Intel HEX text from anywhere: the memory reader and the file reader must
// never read or write outside their buffers, whatever the bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "image/hex_line.h"
#include "image/hex_readers.h"
#include "platform/user_messages.h"

namespace {

int Silent(const char *, const char *, int) { return 0; }

kvn::ImageBuffer &Image() {
  static auto image = std::make_unique<kvn::ImageBuffer>();
  return *image;
}

// The file reader over the same bytes, through an anonymous in-memory file.
void ReadAsFile(const uint8_t *data, size_t size, int32_t record) {
  static const int fd = memfd_create("fuzz-hex", MFD_CLOEXEC);
  if (fd < 0) return;
  if (ftruncate(fd, 0) != 0) return;
  if (pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return;
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  kvn::image::ReadHexFile(Image(), record, path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool quiet = (kvn::platform::SetMessageHandler(&Silent), true);
  (void)quiet;
  if (size == 0) return 0;
  const int32_t record = data[0] % 20;
  const uint8_t *text = data + 1;
  const size_t length = size - 1;

  kvn::image::HexRecord parsed;
  kvn::image::ParseHexLine(std::string_view(reinterpret_cast<const char *>(text), length), parsed);
  kvn::image::ReadHexText(Image(), record, reinterpret_cast<const char *>(text), static_cast<int32_t>(length));
  ReadAsFile(text, length, record);
  return 0;
}
