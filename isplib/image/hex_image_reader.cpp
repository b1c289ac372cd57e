#include "image/hex_image_reader.h"

#include <cstdio>
#include <cstring>

#include "image/image_fill.h"
#include "platform/user_messages.h"

namespace kvn::image {
namespace {

constexpr const char *kChecksumMessage = "The checksum in hex file is error!! Line number(%d)";
constexpr const char *kAfterEndMessage = "Error : There is information after the end flag";
constexpr const char *kOutOfRangeMessage = "Error : The address in hex file is out of range!! Line number(%d)";

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSkippedAddressLine(std::string_view content) {
  if (content.size() != kSkippedAddressLine.size()) return false;
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (FoldAscii(content[i]) != FoldAscii(kSkippedAddressLine[i])) return false;
  }
  return true;
}

}  // namespace

HexImageReader::HexImageReader(ImageBuffer &image, int32_t record) : image_(image) { FillBlank(image_, record); }

HexImageReader::Step HexImageReader::Fail(const char *format) {
  char text[128];
  std::snprintf(text, sizeof text, format, lineNumber_);
  platform::ShowMessage(text, kHexMessageCaption);
  return Step::Stop;
}

bool HexImageReader::StoreData(const HexRecord &record) {
  // Computed wide, so that no upper address wraps back into the image.
  const uint64_t offset = uint64_t{extendedAddress_} + record.address;
  if (offset + record.length > kImageBytes) return false;
  std::memcpy(image_.bytes.data() + offset, record.data.data(), record.length);
  bytesStored_ += record.length;
  return true;
}

HexImageReader::Step HexImageReader::OnLine(std::string_view content, bool hasLineFeed, bool tooLong) {
  if (skipNext_) {
    skipNext_ = false;
    return Step::Continue;
  }
  if (endSeen_) return Fail(kAfterEndMessage);
  if (IsSkippedAddressLine(content)) {
    skipNext_ = true;
    return Step::Continue;
  }
  if (!hasLineFeed) return Step::Continue;

  ++lineNumber_;
  if (tooLong || !ParseHexLine(content, record_)) return Fail(kChecksumMessage);
  switch (record_.type) {
    case kHexEndOfFile:
      endSeen_ = true;
      break;
    case kHexData:
      if (record_.length > 0 && !StoreData(record_)) return Fail(kOutOfRangeMessage);
      break;
    case kHexExtendedLinearAddress:
      extendedAddress_ = uint32_t{record_.upperAddress} * 65536u + record_.address;
      break;
    default:  // start linear address and every other type change nothing
      break;
  }
  return Step::Continue;
}

}  // namespace kvn::image
