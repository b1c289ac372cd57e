// The command engine: builds a command frame, sends it, waits, fetches and
// checks the answer. (Filled in with the command set.)
#pragma once

#include <array>
#include <cstdint>

namespace kvn::protocol {

enum class CommandResult : int32_t {
  WriteFailed = 0,
  ReadFailed = 1,
  HeaderMismatch = 2,
  SequenceMismatch = 3,  // reserved; no command produces it
  ResponseMismatch = 4,
  CommandOk = 5,
};

class ISP_Command {
 public:
  virtual ~ISP_Command() = default;

 private:
  std::array<uint8_t, 64> outgoingLong_{};  // unwritten bytes carry over between long commands
  std::array<uint8_t, 64> incomingLong_{};
  int32_t busyCount_ = 0;
};

}  // namespace kvn::protocol
