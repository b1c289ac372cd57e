// What both Intel HEX readers do with each line of their text: skip the
// 0x1FFF upper-address record and its follower, refuse anything after the
// end record, check every record and store the data records in the image.
#pragma once

#include <cstdint>
#include <string_view>

#include "image/hex_line.h"
#include "image/image_buffer.h"

namespace kvn::image {

// Caption of the readers' messages to the user.
inline constexpr const char *kHexMessageCaption = "KvnHidLib";

// An extended linear address record for upper address 0x1FFF, whose data
// would lie far outside the image; it and the line after it are ignored.
inline constexpr std::string_view kSkippedAddressLine = ":020000041FFFDC";

class HexImageReader {
 public:
  // Fills the image with the record's blank value; nothing else is kept
  // from an earlier read.
  HexImageReader(ImageBuffer &image, int32_t record);

  enum class Step { Continue, Stop };

  // content: one line without its line end; hasLineFeed: the line ended with
  // one (a last line or a piece without it is ignored); tooLong: the reader
  // could not hold the whole line. Stop means the read failed: the user was
  // told why.
  Step OnLine(std::string_view content, bool hasLineFeed, bool tooLong = false);

  // True when data records stored at least one byte.
  bool DataPresent() const { return bytesStored_ > 0; }

  int32_t LineNumber() const { return lineNumber_; }

 private:
  Step Fail(const char *format);
  bool StoreData(const HexRecord &record);

  ImageBuffer &image_;
  HexRecord record_;
  uint32_t extendedAddress_ = 0;
  bool endSeen_ = false;
  bool skipNext_ = false;
  int32_t lineNumber_ = 0;
  uint64_t bytesStored_ = 0;
};

}  // namespace kvn::image
