#include "protocol/command_frame.h"

#include <algorithm>

namespace kvn::protocol {

void CommandFrame::SetHeader(uint8_t code, uint8_t part) {
  Put8(0, code);
  Put8(1, kFrameMark1);
  Put8(2, kFrameMark2);
  Put8(3, part);
}

void CommandFrame::Put8(std::size_t offset, uint8_t value) {
  if (offset < length_) bytes_[offset] = value;
}

void CommandFrame::Put16(std::size_t offset, uint16_t value) {
  Put8(offset, static_cast<uint8_t>(value & 0xFFu));
  Put8(offset + 1, static_cast<uint8_t>(value >> 8));
}

void CommandFrame::PutBytes(std::size_t offset, const uint8_t *source, std::size_t count) {
  if (offset >= length_) return;
  const std::size_t n = std::min(count, length_ - offset);
  std::copy_n(source, n, bytes_ + offset);
}

void CommandFrame::Zero(std::size_t from, std::size_t to) {
  to = std::min(to, length_);
  if (from < to) std::fill(bytes_ + from, bytes_ + to, uint8_t{0});
}

uint32_t FrameHeader(const uint8_t *frame) {
  return static_cast<uint32_t>(frame[0]) | static_cast<uint32_t>(frame[1]) << 8 |
         static_cast<uint32_t>(frame[2]) << 16 | static_cast<uint32_t>(frame[3]) << 24;
}

namespace {
bool StatusIs(const uint8_t *frame, uint8_t value) {
  return frame[4] == value && frame[5] == value && frame[6] == value && frame[7] == value;
}
}  // namespace

bool IsAck(const uint8_t *frame) { return StatusIs(frame, kAckByte); }

bool IsBusy(const uint8_t *frame) { return StatusIs(frame, kBusyByte); }

}  // namespace kvn::protocol
