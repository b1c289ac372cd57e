// The direct-answer command set as data: for every command form its code,
// part, pauses and the kind of answer it expects. The engine runs them all
// through one exchange.
#pragma once

#include <array>
#include <cstdint>

namespace kvn::protocol {

enum class AnswerKind : uint8_t {
  None,      // write-only: CommandOk as soon as the report is written
  Ack,       // header echo and AckValue in bytes 4-7
  Checksum,  // header echo, bytes 4-5 = FA FA, checksum in bytes 6-7
  Data,      // header echo; the data are handed back unchecked
};

struct CommandForm {
  uint8_t code;
  uint8_t part;               // byte 3
  uint8_t pausesBeforeWrite;  // CommandDelay(10) calls before the report is written
  uint16_t answerDelayMs;     // CommandDelay before the answer is read; 0 reads at once
  AnswerKind answer;
};

namespace forms {

inline constexpr CommandForm kGetFirmwareVersion01{0x01, 0, 0, 5, AnswerKind::Data};
inline constexpr CommandForm kGetFirmwareVersion01Long{0x01, 0, 0, 10, AnswerKind::Data};
inline constexpr CommandForm kCompareIspPassword02{0x02, 0, 0, 5, AnswerKind::Ack};
inline constexpr CommandForm kCompareIspPassword02Long{0x02, 0, 2, 0, AnswerKind::None};
inline constexpr CommandForm kSetEncryptionAlgorithm03{0x03, 0, 0, 5, AnswerKind::Ack};
inline constexpr CommandForm kSetEncryptionAlgorithm03Long{0x03, 0, 2, 0, AnswerKind::None};
inline constexpr CommandForm kSetEncryptionAlgorithm03Block{0x03, 0, 2, 0, AnswerKind::None};
inline constexpr CommandForm kEnableErase04{0x04, 0, 0, 0, AnswerKind::None};
inline constexpr CommandForm kEnableErase04Long{0x04, 0, 1, 0, AnswerKind::None};
inline constexpr CommandForm kEnableProgram05{0x05, 0, 0, 5, AnswerKind::Ack};
inline constexpr CommandForm kEnableProgram05Long{0x05, 0, 0, 10, AnswerKind::Ack};
inline constexpr CommandForm kGetCheckSum06{0x06, 0, 0, 150, AnswerKind::Checksum};
inline constexpr CommandForm kGetCheckSumAt06{0x06, 1, 0, 150, AnswerKind::Checksum};
inline constexpr CommandForm kReturnUserMode07{0x07, 0, 0, 0, AnswerKind::None};
inline constexpr std::array<CommandForm, 2> kSetCodeOption08{{
    {0x08, 0, 0, 0, AnswerKind::Ack},
    {0x08, 1, 0, 50, AnswerKind::Ack},
}};
inline constexpr std::array<CommandForm, 4> kGetCodeOption09{{
    {0x09, 0, 0, 0, AnswerKind::Data},
    {0x09, 1, 0, 0, AnswerKind::Data},
    {0x09, 2, 0, 0, AnswerKind::Data},
    {0x09, 3, 0, 0, AnswerKind::Data},
}};
inline constexpr CommandForm kGetCodeOption09Long{0x09, 0, 0, 0, AnswerKind::Data};
inline constexpr CommandForm kCheckData2A{0x2A, 0, 0, 10, AnswerKind::Data};

// ReadEraseStatus04 reads an answer to this header without writing a request.
inline constexpr std::array<uint8_t, 4> kEraseStatusHeader{0x04, 0xAA, 0x55, 0x00};

// Pause unit of the pauses before a write.
inline constexpr uint32_t kPauseBeforeWriteMs = 10;
// The pause after the boot-entry report.
inline constexpr uint32_t kBootEntryDelayMs = 10;

}  // namespace forms
}  // namespace kvn::protocol
