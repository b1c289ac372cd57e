#include "protocol/isp_command.h"

#include <algorithm>

#include "protocol/boot_entry_frame.h"
#include "protocol/command_forms.h"

namespace kvn::protocol {
namespace {

ShortFrame ShortRequest(const CommandForm &form) {
  ShortFrame request{};
  CommandFrame(request).SetHeader(form.code, form.part);
  return request;
}

// Header echo first, then the status of the answer's kind.
CommandResult JudgeAnswer(AnswerKind kind, const uint8_t *request, const uint8_t *answer) {
  if (FrameHeader(answer) != FrameHeader(request)) return CommandResult::HeaderMismatch;
  switch (kind) {
    case AnswerKind::Ack:
      return IsAck(answer) ? CommandResult::CommandOk : CommandResult::ResponseMismatch;
    case AnswerKind::Checksum:
      return answer[4] == kAckByte && answer[5] == kAckByte ? CommandResult::CommandOk
                                                            : CommandResult::ResponseMismatch;
    case AnswerKind::None:
    case AnswerKind::Data:
      break;
  }
  return CommandResult::CommandOk;
}

uint16_t ChecksumOf(const ShortFrame &answer) {
  return static_cast<uint16_t>(answer[6] | answer[7] << 8);
}

}  // namespace

CommandResult ISP_Command::Exchange(const CommandForm &form, const uint8_t *request, uint8_t *answer,
                                    std::size_t length) {
  for (uint8_t i = 0; i < form.pausesBeforeWrite; ++i) CommandDelay(forms::kPauseBeforeWriteMs);
  const auto reportLength = static_cast<int32_t>(length);
  if (!transport_->WriteReport(request, reportLength)) return CommandResult::WriteFailed;
  if (form.answer == AnswerKind::None) return CommandResult::CommandOk;
  if (form.answerDelayMs != 0) CommandDelay(form.answerDelayMs);
  if (!transport_->ReadReport(answer, reportLength)) return CommandResult::ReadFailed;
  return JudgeAnswer(form.answer, request, answer);
}

CommandFrame ISP_Command::BeginLong(const CommandForm &form) {
  CommandFrame frame(outgoingLong_);
  frame.SetHeader(form.code, form.part);
  return frame;
}

CommandResult ISP_Command::ExchangeLong(const CommandForm &form) {
  return Exchange(form, outgoingLong_.data(), incomingLong_.data(), kLongFrameBytes);
}

// --- 0x01 -------------------------------------------------------------------

CommandResult ISP_Command::GetFirmwareVersion01(std::array<uint8_t, 4> &version) {
  const CommandForm &form = forms::kGetFirmwareVersion01;
  ShortFrame request = ShortRequest(form);
  ShortFrame answer{};
  const CommandResult result = Exchange(form, request.data(), answer.data(), kShortFrameBytes);
  if (result == CommandResult::CommandOk) std::copy_n(answer.begin() + 4, 4, version.begin());
  return result;
}

CommandResult ISP_Command::GetFirmwareVersion01Long(std::array<uint8_t, 4> &first,
                                                    std::array<uint8_t, 4> &second) {
  const CommandForm &form = forms::kGetFirmwareVersion01Long;
  BeginLong(form);
  const CommandResult result = ExchangeLong(form);
  if (result == CommandResult::CommandOk) {
    std::copy_n(incomingLong_.begin() + 8, 4, first.begin());
    std::copy_n(incomingLong_.begin() + 12, 4, second.begin());
  }
  return result;
}

// --- 0x02 -------------------------------------------------------------------

CommandResult ISP_Command::CompareIspPassword02(std::span<const uint8_t, 4> password) {
  const CommandForm &form = forms::kCompareIspPassword02;
  ShortFrame request = ShortRequest(form);
  CommandFrame(request).PutBytes(4, password.data(), password.size());
  ShortFrame answer{};
  return Exchange(form, request.data(), answer.data(), kShortFrameBytes);
}

CommandResult ISP_Command::CompareIspPassword02Long() {
  const CommandForm &form = forms::kCompareIspPassword02Long;
  CommandFrame frame = BeginLong(form);
  frame.Zero(6, 10);  // bytes 4-5 carry over from the previous long command
  return ExchangeLong(form);
}

// --- 0x03 -------------------------------------------------------------------

CommandResult ISP_Command::SetEncryptionAlgorithm03() {
  const CommandForm &form = forms::kSetEncryptionAlgorithm03;
  ShortFrame request = ShortRequest(form);
  ShortFrame answer{};
  return Exchange(form, request.data(), answer.data(), kShortFrameBytes);
}

CommandResult ISP_Command::SetEncryptionAlgorithm03Long(std::span<const uint8_t, 4> parameters) {
  const CommandForm &form = forms::kSetEncryptionAlgorithm03Long;
  CommandFrame frame = BeginLong(form);
  frame.PutBytes(4, parameters.data(), parameters.size());
  frame.Zero(8, 13);
  return ExchangeLong(form);
}

CommandResult ISP_Command::SetEncryptionAlgorithm03Block(std::span<const uint8_t, 32> parameters) {
  const CommandForm &form = forms::kSetEncryptionAlgorithm03Block;
  CommandFrame frame = BeginLong(form);
  frame.PutBytes(4, parameters.data(), parameters.size());
  return ExchangeLong(form);
}

// --- 0x04 -------------------------------------------------------------------

CommandResult ISP_Command::EnableErase04(uint16_t start, uint8_t count) {
  const CommandForm &form = forms::kEnableErase04;
  ShortFrame request = ShortRequest(form);
  CommandFrame frame(request);
  frame.Put16(4, start);
  frame.Put8(6, count);
  return Exchange(form, request.data(), nullptr, kShortFrameBytes);
}

CommandResult ISP_Command::EnableErase04Long(uint16_t start, uint16_t count) {
  const CommandForm &form = forms::kEnableErase04Long;
  CommandFrame frame = BeginLong(form);
  frame.Put16(4, start);
  frame.Zero(6, 8);
  frame.Put16(8, count);
  return ExchangeLong(form);
}

CommandResult ISP_Command::ReadEraseStatus04() {
  ShortFrame answer{};
  if (!transport_->ReadReport(answer.data(), static_cast<int32_t>(kShortFrameBytes))) {
    return CommandResult::ReadFailed;
  }
  return JudgeAnswer(AnswerKind::Ack, forms::kEraseStatusHeader.data(), answer.data());
}

// --- 0x05 -------------------------------------------------------------------

CommandResult ISP_Command::EnableProgram05(uint16_t start, uint16_t frames) {
  const CommandForm &form = forms::kEnableProgram05;
  ShortFrame request = ShortRequest(form);
  CommandFrame frame(request);
  frame.Put16(4, start);
  frame.Put16(6, frames);
  ShortFrame answer{};
  return Exchange(form, request.data(), answer.data(), kShortFrameBytes);
}

CommandResult ISP_Command::EnableProgram05Long(uint16_t frames) {
  const CommandForm &form = forms::kEnableProgram05Long;
  CommandFrame frame = BeginLong(form);
  frame.Zero(4, 8);
  frame.Put16(8, frames);
  return ExchangeLong(form);
}

// --- 0x06 -------------------------------------------------------------------

CommandResult ISP_Command::GetCheckSum06(uint16_t &sum) {
  const CommandForm &form = forms::kGetCheckSum06;
  ShortFrame request = ShortRequest(form);
  ShortFrame answer{};
  const CommandResult result = Exchange(form, request.data(), answer.data(), kShortFrameBytes);
  if (result == CommandResult::CommandOk) sum = ChecksumOf(answer);
  return result;
}

CommandResult ISP_Command::GetCheckSumAt06(uint16_t address, uint16_t &sum) {
  const CommandForm &form = forms::kGetCheckSumAt06;
  ShortFrame request = ShortRequest(form);
  CommandFrame(request).Put16(4, address);
  ShortFrame answer{};
  const CommandResult result = Exchange(form, request.data(), answer.data(), kShortFrameBytes);
  if (result == CommandResult::CommandOk) sum = ChecksumOf(answer);
  return result;
}

// --- 0x07 -------------------------------------------------------------------

CommandResult ISP_Command::ReturnUserMode07() {
  const CommandForm &form = forms::kReturnUserMode07;
  ShortFrame request = ShortRequest(form);
  return Exchange(form, request.data(), nullptr, kShortFrameBytes);
}

// --- 0x08 / 0x09 --------------------------------------------------------------

CommandResult ISP_Command::SetCodeOption08(std::span<const uint8_t, 8> codeOption) {
  for (std::size_t part = 0; part < forms::kSetCodeOption08.size(); ++part) {
    const CommandForm &form = forms::kSetCodeOption08[part];
    ShortFrame request = ShortRequest(form);
    CommandFrame(request).PutBytes(4, codeOption.data() + 4 * part, 4);
    ShortFrame answer{};
    const CommandResult result = Exchange(form, request.data(), answer.data(), kShortFrameBytes);
    if (result != CommandResult::CommandOk) return result;
  }
  return CommandResult::CommandOk;
}

CommandResult ISP_Command::ReadCodeOptionParts(uint8_t *dest, std::size_t parts) {
  for (std::size_t part = 0; part < parts && part < forms::kGetCodeOption09.size(); ++part) {
    const CommandForm &form = forms::kGetCodeOption09[part];
    ShortFrame request = ShortRequest(form);
    ShortFrame answer{};
    const CommandResult result = Exchange(form, request.data(), answer.data(), kShortFrameBytes);
    if (result != CommandResult::CommandOk) return result;
    std::copy_n(answer.begin() + 4, 4, dest + 4 * part);
  }
  return CommandResult::CommandOk;
}

CommandResult ISP_Command::GetCodeOption09(std::array<uint8_t, 8> &codeOption) {
  return ReadCodeOptionParts(codeOption.data(), 2);
}

CommandResult ISP_Command::GetCodeOption09FourPart(std::array<uint8_t, 16> &codeOption) {
  return ReadCodeOptionParts(codeOption.data(), 4);
}

CommandResult ISP_Command::GetCodeOption09Long(std::array<uint8_t, 32> &codeOption) {
  const CommandForm &form = forms::kGetCodeOption09Long;
  LongFrame request{};
  CommandFrame(request).SetHeader(form.code, form.part);
  LongFrame answer{};
  const CommandResult result = Exchange(form, request.data(), answer.data(), kLongFrameBytes);
  if (result == CommandResult::CommandOk) std::copy_n(answer.begin() + 4, 32, codeOption.begin());
  return result;
}

// --- 0x2A ---------------------------------------------------------------------

CommandResult ISP_Command::EnableCheckData2A(std::array<uint8_t, 8> &answer) {
  const CommandForm &form = forms::kCheckData2A;
  const ShortFrame request = ShortRequest(form);
  const auto length = static_cast<int32_t>(kShortFrameBytes);
  if (!transport_->WriteReport(request.data(), length)) return CommandResult::WriteFailed;
  busyCount_ = 0;
  CommandDelay(form.answerDelayMs);
  if (!transport_->ReadReport(answer.data(), length)) return CommandResult::ReadFailed;
  while (IsBusy(answer.data())) {
    ++busyCount_;
    if (busyCount_ >= kMaxBusyAnswers) break;
    CommandDelay(form.answerDelayMs);
    if (!transport_->ReadReport(answer.data(), length)) return CommandResult::ReadFailed;
  }
  return CommandResult::CommandOk;
}

// --- Raw reports and boot entry --------------------------------------------------

bool ISP_Command::WriteShortReport(std::span<const uint8_t, 8> data) {
  return transport_->WriteReport(data.data(), static_cast<int32_t>(data.size()));
}

bool ISP_Command::ReadShortReport(std::array<uint8_t, 8> &dest) {
  return transport_->ReadReport(dest.data(), static_cast<int32_t>(dest.size()));
}

bool ISP_Command::WriteLongReport(std::span<const uint8_t, 64> data) {
  return transport_->WriteReport(data.data(), static_cast<int32_t>(data.size()));
}

bool ISP_Command::EnterBootMode(int32_t chipNumber, std::string_view checkDeviceCmd) {
  const BootEntryFrame frame = ChooseBootEntryFrame(chipNumber, checkDeviceCmd);
  if (!transport_->WriteReport(frame.data(), static_cast<int32_t>(frame.size()))) return false;
  CommandDelay(forms::kBootEntryDelayMs);
  return true;
}

uint32_t ByteSum(const uint8_t *bytes, std::size_t count) {
  uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

}  // namespace kvn::protocol
