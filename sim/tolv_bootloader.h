// The emulated product's microcontroller: its user firmware, which jumps
// into the boot loader when it receives the boot-entry frame, and the Tolv
// boot loader, which speaks the long-frame ISP commands over feature
// reports and owns an emulated flash and code option.
//
// Only bytes in and bytes out: the device framework calls OnSetFeature and
// OnGetFeature with the report's data bytes (report id stripped) and passes
// the errno the model returns on to the host. Everything the boot loader
// answers it computes from its own flash; it never sees the host's image.
//
// Boot loader behaviour, per set-feature report:
//   data phase    the next announced data report: programmed at 64 x k
//                 (programming can only clear bits, as on real flash)
//   01 AA 55 00   answer: header, ack, version (8-11), code option (12-15)
//   02 AA 55 ..   code option erased to FF FF FF FF (write only)
//   03 AA 55 ..   code option := bytes 4-7 (write only)
//   04 AA 55 ..   erase sectors [b4|b5<<8, + b8|b9<<8) (write only); the
//                 flash reads blank once the chip's erase time has passed
//   05 AA 55 ..   announce b8|b9<<8 data reports; answer: header, ack (or
//                 busy while erasing, or no ack when they do not fit)
//   07 AA 55 00   back to the user firmware (write only)
// A get-feature with no answer pending is a status report: header of the
// last command, ack, and the word sum of the whole flash in bytes 8-9.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "tolv_chips.h"
#include "tolv_faults.h"

namespace kvn::sim {

struct TolvConfig {
  const TolvChip *chip = &kTolvChips[0];
  bool startInBootLoader = false;
  std::optional<std::array<uint8_t, 4>> version;  // the chip's own when unset
  // Code option word (bytes 0-1) and security word (bytes 2-3), low byte first.
  std::array<uint8_t, 4> codeOption = {0x34, 0x12, 0xFF, 0xFF};
  std::array<uint8_t, 8> entryFrame{};  // the report that starts the boot loader
  std::optional<uint32_t> eraseMs;      // the chip's own when unset
  TolvFaults faults;
  // Flash contents at power-on; a stand-in for older firmware when empty.
  std::vector<uint8_t> initialFlash;
};

// One entry of the boot loader's journal: a report it saw, by step (runs of
// data reports collapse into one entry with their count), and whether the
// transfer failed.
struct TolvJournalEntry {
  TolvStep step;
  bool read;    // a get-feature (the answer of step), else a set-feature
  bool failed;
  uint32_t count;

  bool operator==(const TolvJournalEntry &) const = default;
};

class TolvBootloader {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TolvBootloader(TolvConfig config);

  // A set-feature report with length data bytes; 0 or an errno.
  int OnSetFeature(const uint8_t *data, std::size_t length, Clock::time_point now = Clock::now());
  // Fills length answer bytes of a get-feature report; 0 or an errno.
  int OnGetFeature(uint8_t *answer, std::size_t length, Clock::time_point now = Clock::now());

  // Snapshots, safe from any thread.
  bool InBootLoader() const;
  bool Gone() const;
  std::vector<uint8_t> Flash() const;
  std::array<uint8_t, 4> CodeOption() const;
  uint16_t FlashChecksum() const;
  std::vector<TolvJournalEntry> Journal() const;
  const TolvChip &Chip() const { return *config_.chip; }

  // The low 16 bits of the sum of the 16-bit little-endian words of bytes.
  static uint16_t WordSum(const std::vector<uint8_t> &bytes);

 private:
  struct PendingErase {
    uint32_t first;
    uint32_t end;
    Clock::time_point doneAt;
  };
  enum class Answer : uint8_t { None, Version, Program };

  TolvStep ClassifySet(const uint8_t *data, std::size_t length) const;
  bool IsEntryFrame(const uint8_t *data, std::size_t length) const;
  void Record(TolvStep step, bool read, bool failed);
  void SettleErase(Clock::time_point now);
  void TakeCommand(TolvStep step, const uint8_t *frame, Clock::time_point now);
  void TakeDataReport(const uint8_t *data, std::size_t length);
  void TakeEnableProgram(const uint8_t *frame, Clock::time_point now);
  void FillAnswer(uint8_t *answer, std::size_t length, TolvStep step);
  TolvStep ClassifyGet() const;

  TolvConfig config_;
  std::array<uint8_t, 4> version_{};
  uint32_t eraseMs_ = 0;

  mutable std::mutex mutex_;
  bool inBootLoader_ = false;
  bool gone_ = false;
  std::vector<uint8_t> flash_;
  std::array<uint8_t, 4> codeOption_{};
  std::optional<PendingErase> erase_;
  Answer pending_ = Answer::None;
  std::array<uint8_t, 4> lastHeader_{};
  bool programmedSinceErase_ = false;  // a status read now is a verify, not a blank check
  uint32_t dataExpected_ = 0;          // data reports still to come in this phase
  uint32_t dataIndex_ = 0;             // next data report's block number
  bool busyAnswer_ = false;            // Enable Program came in while erasing
  bool programAccepted_ = false;       // the announced data reports fit the flash
  uint64_t dataTaken_ = 0;             // data reports taken since power-on
  std::vector<TolvJournalEntry> journal_;
};

}  // namespace kvn::sim
