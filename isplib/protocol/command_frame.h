// Command frames: the 8-byte short and 64-byte long requests and answers of
// the boot loader protocol, as they travel after the report id byte.
//
//   byte 0     command code
//   bytes 1-2  0xAA 0x55
//   byte 3     part number or sub-function
//   bytes 4-7  parameters (16-bit values low byte first), or in an answer
//              the status or value
//   bytes 8-63 long frames only
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvn::protocol {

inline constexpr std::size_t kShortFrameBytes = 8;
inline constexpr std::size_t kLongFrameBytes = 64;
inline constexpr std::size_t kHeaderBytes = 4;

using ShortFrame = std::array<uint8_t, kShortFrameBytes>;
using LongFrame = std::array<uint8_t, kLongFrameBytes>;

inline constexpr uint8_t kFrameMark1 = 0xAA;
inline constexpr uint8_t kFrameMark2 = 0x55;

// Status words of answer bytes 4-7.
inline constexpr uint8_t kAckByte = 0xFA;   // AckValue: FA FA FA FA
inline constexpr uint8_t kBusyByte = 0xF0;  // BusyValue: F0 F0 F0 F0

// Writes into a caller's frame buffer of either length. Every write is
// bounded by the frame; nothing outside it is touched.
class CommandFrame {
 public:
  CommandFrame(uint8_t *bytes, std::size_t length) : bytes_(bytes), length_(length) {}
  template <std::size_t N>
  explicit CommandFrame(std::array<uint8_t, N> &frame) : bytes_(frame.data()), length_(N) {}

  // Bytes 0-3: code, 0xAA, 0x55, part.
  void SetHeader(uint8_t code, uint8_t part);
  // One byte; ignored beyond the frame.
  void Put8(std::size_t offset, uint8_t value);
  // Two bytes, low byte first.
  void Put16(std::size_t offset, uint16_t value);
  // count bytes from source; clipped at the end of the frame.
  void PutBytes(std::size_t offset, const uint8_t *source, std::size_t count);
  // Bytes [from, to) set to zero; clipped at the end of the frame.
  void Zero(std::size_t from, std::size_t to);

  const uint8_t *data() const { return bytes_; }
  std::size_t size() const { return length_; }

 private:
  uint8_t *bytes_;
  std::size_t length_;
};

// Bytes 0-3 as one value (byte 0 lowest), for the header comparison.
uint32_t FrameHeader(const uint8_t *frame);

// True when bytes 4-7 are AckValue.
bool IsAck(const uint8_t *frame);

// True when bytes 4-7 are BusyValue.
bool IsBusy(const uint8_t *frame);

}  // namespace kvn::protocol
