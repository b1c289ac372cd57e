// The command engine: builds a command frame, sends it, waits, fetches and
// checks the answer, and returns one of six results. The procedures decide
// what a result means for the job.
//
// Short-frame commands build request and answer in cleared local frames, so
// their unused bytes are always zero. Long-frame commands write into the
// engine's outgoing long frame only the bytes they define; every other byte
// goes out as the previous long-frame command left it. Procedures rely on
// that carry-over (a password command resends the encryption parameters).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/command_frame.h"
#include "protocol/delays.h"
#include "protocol/report_transport.h"

namespace kvn::protocol {

struct CommandForm;

enum class CommandResult : int32_t {
  WriteFailed = 0,
  ReadFailed = 1,
  HeaderMismatch = 2,
  SequenceMismatch = 3,  // reserved; no command produces it
  ResponseMismatch = 4,
  CommandOk = 5,
};

// Polls of EnableCheckData2A: at most this many answers are read.
inline constexpr int32_t kMaxBusyAnswers = 50;

class ISP_Command {
 public:
  ISP_Command() : transport_(&HidReportTransport()) {}
  explicit ISP_Command(ReportTransport &transport) : transport_(&transport) {}
  virtual ~ISP_Command() = default;

  ISP_Command(const ISP_Command &) = delete;
  ISP_Command &operator=(const ISP_Command &) = delete;

  // Routes every later report through transport (tests); the default is the
  // selected HID device.
  void SetTransport(ReportTransport &transport) { transport_ = &transport; }
  ReportTransport &Transport() const { return *transport_; }

  // --- 0x01 Get Firmware Version -------------------------------------------
  // Short: answer bytes 4-7.
  CommandResult GetFirmwareVersion01(std::array<uint8_t, 4> &version);
  // Long: answer bytes 8-11 and 12-15 (bytes 4-7 are ignored).
  CommandResult GetFirmwareVersion01Long(std::array<uint8_t, 4> &first,
                                         std::array<uint8_t, 4> &second);

  // --- 0x02 Compare ISP Password -------------------------------------------
  CommandResult CompareIspPassword02(std::span<const uint8_t, 4> password);
  // Write-only; bytes 4-5 carry over, 6-9 are zero.
  CommandResult CompareIspPassword02Long();

  // --- 0x03 Set Encryption Algorithm ---------------------------------------
  CommandResult SetEncryptionAlgorithm03();
  // Write-only; parameters in bytes 4-7, bytes 8-12 zero.
  CommandResult SetEncryptionAlgorithm03Long(std::span<const uint8_t, 4> parameters);
  // Write-only; parameters in bytes 4-35.
  CommandResult SetEncryptionAlgorithm03Block(std::span<const uint8_t, 32> parameters);

  // --- 0x04 Enable Erase ----------------------------------------------------
  // Write-only; the outcome is read later by ReadEraseStatus04.
  CommandResult EnableErase04(uint16_t start, uint8_t count);
  // Write-only; start in bytes 4-5, count in bytes 8-9.
  CommandResult EnableErase04Long(uint16_t start, uint16_t count);
  // Writes nothing: reads one short answer and expects 04 AA 55 00 and AckValue.
  CommandResult ReadEraseStatus04();

  // --- 0x05 Enable Program --------------------------------------------------
  CommandResult EnableProgram05(uint16_t start, uint16_t frames);
  CommandResult EnableProgram05Long(uint16_t frames);

  // --- 0x06 Get Checksum ----------------------------------------------------
  CommandResult GetCheckSum06(uint16_t &sum);
  // Addressed form (byte 3 = 1).
  CommandResult GetCheckSumAt06(uint16_t address, uint16_t &sum);

  // --- 0x07 Return User Mode (write-only) ----------------------------------
  CommandResult ReturnUserMode07();

  // --- 0x08 / 0x09 Code option ---------------------------------------------
  // Two parts: bytes 0-3, then 4-7.
  CommandResult SetCodeOption08(std::span<const uint8_t, 8> codeOption);
  // Two parts, 8 bytes. Parts already read stay in codeOption on a failure.
  CommandResult GetCodeOption09(std::array<uint8_t, 8> &codeOption);
  // Four parts, 16 bytes.
  CommandResult GetCodeOption09FourPart(std::array<uint8_t, 16> &codeOption);
  // A fresh all-zero long request; answer bytes 4-35. Leaves the engine's
  // long frames alone.
  CommandResult GetCodeOption09Long(std::array<uint8_t, 32> &codeOption);

  // --- 0x2A: fetches the answer of the previous polled command -------------
  // Re-reads while the device answers busy, at most kMaxBusyAnswers answers.
  // Returns WriteFailed, ReadFailed or CommandOk; answer holds the last read.
  CommandResult EnableCheckData2A(std::array<uint8_t, 8> &answer);
  int32_t BusyCount() const { return busyCount_; }

  // --- Raw reports of the data phases --------------------------------------
  bool WriteShortReport(std::span<const uint8_t, 8> data);
  bool ReadShortReport(std::array<uint8_t, 8> &dest);
  bool WriteLongReport(std::span<const uint8_t, 64> data);

  // Sends the boot-entry report to the selected device (no answer), then
  // CommandDelay(10). checkDeviceCmd of exactly 16 hexadecimal digits
  // replaces the built-in frame; see boot_entry_frame.h. False only when the
  // report cannot be written.
  bool EnterBootMode(int32_t chipNumber, std::string_view checkDeviceCmd);

  // The engine's long frames as they stand (the next long command resends
  // the outgoing bytes it does not write).
  const LongFrame &OutgoingLongFrame() const { return outgoingLong_; }
  const LongFrame &IncomingLongFrame() const { return incomingLong_; }

 private:
  ReportTransport *transport_;
  LongFrame outgoingLong_{};  // unwritten bytes carry over between long commands
  LongFrame incomingLong_{};
  int32_t busyCount_ = 0;

  // Pauses, writes request, waits and reads and judges the answer as form says.
  CommandResult Exchange(const CommandForm &form, const uint8_t *request, uint8_t *answer,
                         std::size_t length);
  // Writes form's header into the outgoing long frame; the rest is kept.
  CommandFrame BeginLong(const CommandForm &form);
  CommandResult ExchangeLong(const CommandForm &form);
  // Parts 0..parts-1 of Get Code Option, 4 bytes each into dest.
  CommandResult ReadCodeOptionParts(uint8_t *dest, std::size_t parts);
};

// Plain sum of count bytes.
uint32_t ByteSum(const uint8_t *bytes, std::size_t count);

}  // namespace kvn::protocol
