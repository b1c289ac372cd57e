// How the engine judges answers: header echo (code and part), AckValue,
// checksum answers, read data, failed transfers, multi-part stops and the
// busy poll of command 0x2A.
#include <gtest/gtest.h>

#include <array>

#include "protocol/isp_command.h"
#include "scripted_transport.h"

namespace kvn::test {
namespace {

using protocol::CommandResult;
using protocol::ISP_Command;

class Answers : public ::testing::Test {
 protected:
  ScriptedTransport device;
  ISP_Command engine{device};
};

TEST_F(Answers, ReadCommandsHandBackTheirDataBytes) {
  device.Answer(WithTail(Header(0x01, 0), {0x11, 0x22, 0x33, 0x44}));
  std::array<uint8_t, 4> version{};
  EXPECT_EQ(engine.GetFirmwareVersion01(version), CommandResult::CommandOk);
  EXPECT_EQ(version, (std::array<uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));

  // The long form ignores bytes 4-7 (even a busy word) and returns 8-11, 12-15.
  device.Answer(WithTail(Header(0x01, 0), {0xF0, 0xF0, 0xF0, 0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  std::array<uint8_t, 4> first{}, second{};
  EXPECT_EQ(engine.GetFirmwareVersion01Long(first, second), CommandResult::CommandOk);
  EXPECT_EQ(first, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(second, (std::array<uint8_t, 4>{5, 6, 7, 8}));
  EXPECT_EQ(engine.IncomingLongFrame()[16], 9) << "the answer lands in the engine's incoming frame";
}

TEST_F(Answers, HeaderMustEchoCodeMarksAndPart) {
  uint16_t sum = 0;
  device.Answer(WithTail(Header(0x06, 0), {0xFA, 0xFA, 0x34, 0x12}));
  EXPECT_EQ(engine.GetCheckSumAt06(0x0F00, sum), CommandResult::HeaderMismatch)
      << "right code, other part number";
  device.Answer(WithTail(Header(0x05, 0), {0xFA, 0xFA, 0x34, 0x12}));
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::HeaderMismatch) << "other code";
  device.Answer(Bytes{0x06, 0xAA, 0x56, 0x00, 0xFA, 0xFA, 0x34, 0x12});
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::HeaderMismatch) << "damaged mark";
  EXPECT_EQ(sum, 0) << "no checksum handed back from a rejected answer";

  std::array<uint8_t, 4> version{0xEE, 0xEE, 0xEE, 0xEE};
  device.Answer(WithTail(Header(0x01, 1), {1, 2, 3, 4}));
  EXPECT_EQ(engine.GetFirmwareVersion01(version), CommandResult::HeaderMismatch);
  EXPECT_EQ(version, (std::array<uint8_t, 4>{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(Answers, AcknowledgedCommandsNeedAllFourAckBytes) {
  const std::array<uint8_t, 4> password{0x20, 0x46, 0x13, 0x79};
  device.Answer(WithTail(Header(0x02, 0), {0xFA, 0xFA, 0xFA, 0xFB}));
  EXPECT_EQ(engine.CompareIspPassword02(password), CommandResult::ResponseMismatch);
  device.Answer(WithTail(Header(0x03, 0), {0xF0, 0xF0, 0xF0, 0xF0}));
  EXPECT_EQ(engine.SetEncryptionAlgorithm03(), CommandResult::ResponseMismatch);
  device.Answer(WithTail(Header(0x05, 0), {0xFB, 0xFA, 0xFA, 0xFA}));
  EXPECT_EQ(engine.EnableProgram05(0, 1), CommandResult::ResponseMismatch);
  device.Answer(Ack(0x05));
  EXPECT_EQ(engine.EnableProgram05(0, 1), CommandResult::CommandOk);

  Bytes longAnswer = WithTail(Header(0x05, 0), {0xFA, 0xFA, 0xFA, 0x00});
  device.Answer(longAnswer);
  EXPECT_EQ(engine.EnableProgram05Long(4), CommandResult::ResponseMismatch);
  device.Answer(Ack(0x05));
  EXPECT_EQ(engine.EnableProgram05Long(4), CommandResult::CommandOk);
}

TEST_F(Answers, ChecksumAnswers) {
  uint16_t sum = 0;
  device.Answer(WithTail(Header(0x06, 0), {0xFA, 0xFA, 0x34, 0x12}));
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::CommandOk);
  EXPECT_EQ(sum, 0x1234);
  device.Answer(WithTail(Header(0x06, 1), {0xFA, 0xFA, 0xFF, 0xFF}));
  EXPECT_EQ(engine.GetCheckSumAt06(0x0F00, sum), CommandResult::CommandOk);
  EXPECT_EQ(sum, 0xFFFF);
  sum = 7;
  device.Answer(Bytes{0x06, 0xAA, 0x55, 0x00, 0xFA, 0xFB, 0x00, 0x00});
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::ResponseMismatch);
  device.Answer(Bytes{0x06, 0xAA, 0x55, 0x00, 0xFB, 0xFA, 0x00, 0x00});
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::ResponseMismatch);
  EXPECT_EQ(sum, 7);
}

TEST_F(Answers, FailedTransfers) {
  device.FailWrite(1);
  std::array<uint8_t, 4> version{};
  EXPECT_EQ(engine.GetFirmwareVersion01(version), CommandResult::WriteFailed);
  EXPECT_TRUE(device.Reads().empty()) << "no answer is read after a failed write";

  device.FailRead();
  EXPECT_EQ(engine.GetFirmwareVersion01(version), CommandResult::ReadFailed);

  ScriptedTransport failing;
  ISP_Command other{failing};
  failing.FailWrite(1);
  EXPECT_EQ(other.ReturnUserMode07(), CommandResult::WriteFailed);
  failing.FailWrite(2);
  EXPECT_EQ(other.EnableErase04(0, 1), CommandResult::WriteFailed);
  failing.FailWrite(3);
  EXPECT_EQ(other.EnableErase04Long(0, 1), CommandResult::WriteFailed);
  failing.FailWrite(4);
  EXPECT_EQ(other.CompareIspPassword02Long(), CommandResult::WriteFailed);
  failing.FailWrite(5);
  EXPECT_EQ(other.SetEncryptionAlgorithm03Long(std::array<uint8_t, 4>{}), CommandResult::WriteFailed);
  failing.FailWrite(6);
  EXPECT_EQ(other.SetEncryptionAlgorithm03Block(std::array<uint8_t, 32>{}), CommandResult::WriteFailed);
  EXPECT_TRUE(failing.Reads().empty());
}

TEST_F(Answers, EraseStatusIsAReadOnlyCheckOfAFixedHeader) {
  device.Answer(Ack(0x04, 0));
  EXPECT_EQ(engine.ReadEraseStatus04(), CommandResult::CommandOk);
  device.Answer(Ack(0x04, 1));
  EXPECT_EQ(engine.ReadEraseStatus04(), CommandResult::HeaderMismatch);
  device.Answer(WithTail(Header(0x04, 0), {0xFA, 0xFA, 0xFA, 0xF0}));
  EXPECT_EQ(engine.ReadEraseStatus04(), CommandResult::ResponseMismatch);
  device.FailWrite(1);  // would matter only if it wrote
  device.FailRead();
  EXPECT_EQ(engine.ReadEraseStatus04(), CommandResult::ReadFailed);
  EXPECT_TRUE(device.Writes().empty());
  for (const Transfer &t : device.Reads()) EXPECT_EQ(t.length, 8);
}

TEST_F(Answers, GetCodeOptionStopsAtTheFirstBadPartKeepingWhatItRead) {
  std::array<uint8_t, 8> option;
  option.fill(0xEE);
  device.Answer(WithTail(Header(0x09, 0), {1, 2, 3, 4}));
  device.Answer(WithTail(Header(0x09, 0), {5, 6, 7, 8}));  // part 1 answered as part 0
  EXPECT_EQ(engine.GetCodeOption09(option), CommandResult::HeaderMismatch);
  EXPECT_EQ(option, (std::array<uint8_t, 8>{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}));

  std::array<uint8_t, 16> four{};
  device.ClearLog();
  device.Answer(WithTail(Header(0x09, 0), {1, 2, 3, 4}));
  device.FailRead();
  EXPECT_EQ(engine.GetCodeOption09FourPart(four), CommandResult::ReadFailed);
  EXPECT_EQ(device.Writes().size(), 2u) << "parts 2 and 3 are not sent";
}

TEST_F(Answers, GetCodeOptionCollectsEveryPart) {
  std::array<uint8_t, 16> four{};
  for (uint8_t part = 0; part < 4; ++part) {
    const auto b = static_cast<uint8_t>(part * 4);
    device.Answer(WithTail(Header(0x09, part), {b, uint8_t(b + 1), uint8_t(b + 2), uint8_t(b + 3)}));
  }
  EXPECT_EQ(engine.GetCodeOption09FourPart(four), CommandResult::CommandOk);
  for (uint8_t i = 0; i < 16; ++i) EXPECT_EQ(four[i], i);
}

TEST_F(Answers, SetCodeOptionStopsWhenAPartIsRefused) {
  device.Answer(WithTail(Header(0x08, 0), {0xFA, 0xFA, 0xFA, 0x00}));
  EXPECT_EQ(engine.SetCodeOption08(std::array<uint8_t, 8>{}), CommandResult::ResponseMismatch);
  EXPECT_EQ(device.Writes().size(), 1u);

  device.ClearLog();
  device.Answer(Ack(0x08, 0));
  device.Answer(Ack(0x08, 0));  // part 1 answered with part 0's header
  EXPECT_EQ(engine.SetCodeOption08(std::array<uint8_t, 8>{}), CommandResult::HeaderMismatch);
  EXPECT_EQ(device.Writes().size(), 2u);
}

TEST_F(Answers, CodeOptionLongChecksTheHeader) {
  std::array<uint8_t, 32> option{};
  device.Answer(Header(0x09, 1));
  EXPECT_EQ(engine.GetCodeOption09Long(option), CommandResult::HeaderMismatch);
  device.FailRead();
  EXPECT_EQ(engine.GetCodeOption09Long(option), CommandResult::ReadFailed);
}

Bytes Busy() { return Bytes{0x21, 0xAA, 0x55, 0x00, 0xF0, 0xF0, 0xF0, 0xF0}; }

TEST_F(Answers, BusyPollSucceedsAfter49BusyAnswers) {
  for (int i = 0; i < 49; ++i) device.Answer(Busy());
  device.Answer(Ack(0x21));
  std::array<uint8_t, 8> answer{};
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::CommandOk);
  EXPECT_EQ(engine.BusyCount(), 49);
  EXPECT_EQ(device.Reads().size(), 50u);
  EXPECT_EQ(Bytes(answer.begin(), answer.end()), Ack(0x21));
  const auto log = device.Log();
  for (std::size_t i = 1; i < log.size(); ++i) {
    EXPECT_GE(MsBetween(log[i - 1], log[i]), 20.0) << "CommandDelay(10) before read " << i;
  }
}

TEST_F(Answers, BusyPollGivesUpAfter50BusyAnswers) {
  for (int i = 0; i < 51; ++i) device.Answer(Busy());
  std::array<uint8_t, 8> answer{};
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::CommandOk);
  EXPECT_EQ(engine.BusyCount(), 50);
  EXPECT_EQ(device.Reads().size(), 50u) << "no 51st read";
  EXPECT_EQ(device.PendingAnswers(), 1u);
  EXPECT_EQ(Bytes(answer.begin(), answer.end()), Busy()) << "the caller judges the busy answer";

  // A new poll starts its count again.
  device.ClearLog();
  device.Answer(Ack(0x21));
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::CommandOk);
  EXPECT_EQ(engine.BusyCount(), 1) << "the leftover busy answer, then the ack";
}

TEST_F(Answers, BusyPollReportsFailedTransfers) {
  std::array<uint8_t, 8> answer{};
  device.Answer(Busy());
  device.FailRead();
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::ReadFailed);
  device.FailWrite(2);
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::WriteFailed);
}

TEST(ByteSum, PlainSumWithoutWrap) {
  const std::array<uint8_t, 3> bytes{0xFF, 0xFF, 0x02};
  EXPECT_EQ(protocol::ByteSum(bytes.data(), bytes.size()), 0x200u);
  EXPECT_EQ(protocol::ByteSum(bytes.data(), 0), 0u);
  std::vector<uint8_t> image(0x40000, 0xFF);
  EXPECT_EQ(protocol::ByteSum(image.data(), image.size()), 0x40000u * 0xFFu);
}

}  // namespace
}  // namespace kvn::test
