// The bytes every command puts on the wire: short frames zero-padded, long
// frames with the bytes a command does not define carried over from the
// previous long-frame command.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "protocol/isp_command.h"
#include "scripted_transport.h"

namespace kvn::test {
namespace {

using protocol::CommandResult;
using protocol::ISP_Command;

class CommandBytes : public ::testing::Test {
 protected:
  ScriptedTransport device;
  ISP_Command engine{device};

  Bytes OnlyWrite() const {
    const auto writes = device.Writes();
    EXPECT_EQ(writes.size(), 1u);
    return writes.empty() ? Bytes{} : writes.front().bytes;
  }
};

TEST_F(CommandBytes, ShortAcknowledgedCommands) {
  device.Answer(Ack(0x02));
  EXPECT_EQ(engine.CompareIspPassword02(std::array<uint8_t, 4>{0x20, 0x46, 0x13, 0x79}),
            CommandResult::CommandOk);
  device.Answer(Ack(0x03));
  EXPECT_EQ(engine.SetEncryptionAlgorithm03(), CommandResult::CommandOk);
  device.Answer(Ack(0x05));
  EXPECT_EQ(engine.EnableProgram05(8, 300), CommandResult::CommandOk);

  const auto writes = device.Writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].bytes, (Bytes{0x02, 0xAA, 0x55, 0x00, 0x20, 0x46, 0x13, 0x79}));
  EXPECT_EQ(writes[1].bytes, (Bytes{0x03, 0xAA, 0x55, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(writes[2].bytes, (Bytes{0x05, 0xAA, 0x55, 0x00, 0x08, 0x00, 0x2C, 0x01}));
  for (const Transfer &t : device.Log()) EXPECT_EQ(t.length, 8);
}

TEST_F(CommandBytes, ShortReadCommands) {
  device.Answer(Header(0x01, 0));
  std::array<uint8_t, 4> version{};
  EXPECT_EQ(engine.GetFirmwareVersion01(version), CommandResult::CommandOk);
  uint16_t sum = 0;
  device.Answer(WithTail(Header(0x06, 0), {0xFA, 0xFA, 0, 0}));
  EXPECT_EQ(engine.GetCheckSum06(sum), CommandResult::CommandOk);
  device.Answer(WithTail(Header(0x06, 1), {0xFA, 0xFA, 0, 0}));
  EXPECT_EQ(engine.GetCheckSumAt06(0x0F00, sum), CommandResult::CommandOk);

  const auto writes = device.Writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].bytes, (Bytes{0x01, 0xAA, 0x55, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(writes[1].bytes, (Bytes{0x06, 0xAA, 0x55, 0x00, 0, 0, 0, 0}));
  EXPECT_EQ(writes[2].bytes, (Bytes{0x06, 0xAA, 0x55, 0x01, 0x00, 0x0F, 0x00, 0x00}));
  EXPECT_EQ(device.Reads().size(), 3u);
}

TEST_F(CommandBytes, ShortWriteOnlyCommandsReadNothing) {
  EXPECT_EQ(engine.EnableErase04(0x0F00, 1), CommandResult::CommandOk);
  EXPECT_EQ(engine.ReturnUserMode07(), CommandResult::CommandOk);
  const auto writes = device.Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes, (Bytes{0x04, 0xAA, 0x55, 0x00, 0x00, 0x0F, 0x01, 0x00}));
  EXPECT_EQ(writes[1].bytes, (Bytes{0x07, 0xAA, 0x55, 0x00, 0, 0, 0, 0}));
  EXPECT_TRUE(device.Reads().empty());
}

TEST_F(CommandBytes, CodeOptionPartsCarryTheirNumberAndFourBytesEach) {
  device.Answer(Ack(0x08, 0));
  device.Answer(Ack(0x08, 1));
  EXPECT_EQ(engine.SetCodeOption08(std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}),
            CommandResult::CommandOk);
  for (uint8_t part = 0; part < 4; ++part) device.Answer(Header(0x09, part));
  std::array<uint8_t, 16> option{};
  EXPECT_EQ(engine.GetCodeOption09FourPart(option), CommandResult::CommandOk);

  const auto writes = device.Writes();
  ASSERT_EQ(writes.size(), 6u);
  EXPECT_EQ(writes[0].bytes, (Bytes{0x08, 0xAA, 0x55, 0x00, 1, 2, 3, 4}));
  EXPECT_EQ(writes[1].bytes, (Bytes{0x08, 0xAA, 0x55, 0x01, 5, 6, 7, 8}));
  for (uint8_t part = 0; part < 4; ++part) {
    EXPECT_EQ(writes[2 + part].bytes, (Bytes{0x09, 0xAA, 0x55, part, 0, 0, 0, 0}));
  }
}

TEST_F(CommandBytes, CheckData2AFrame) {
  device.Answer(Ack(0x21));
  std::array<uint8_t, 8> answer{};
  EXPECT_EQ(engine.EnableCheckData2A(answer), CommandResult::CommandOk);
  EXPECT_EQ(OnlyWrite(), (Bytes{0x2A, 0xAA, 0x55, 0x00, 0, 0, 0, 0}));
}

// The long frames: a fixed sequence whose carried-over bytes are known.
class LongFrames : public CommandBytes {
 protected:
  std::array<uint8_t, 32> block{};
  void SetUp() override { std::iota(block.begin(), block.end(), uint8_t{0x40}); }

  static Bytes Expect(Bytes previous, std::initializer_list<std::pair<std::size_t, uint8_t>> changes) {
    for (const auto &[offset, value] : changes) previous.at(offset) = value;
    return previous;
  }
};

TEST_F(LongFrames, UnwrittenBytesGoOutAsThePreviousCommandLeftThem) {
  ASSERT_EQ(engine.SetEncryptionAlgorithm03Block(block), CommandResult::CommandOk);
  ASSERT_EQ(engine.SetEncryptionAlgorithm03Long(std::array<uint8_t, 4>{0xA0, 0xA1, 0xA2, 0xA3}),
            CommandResult::CommandOk);
  ASSERT_EQ(engine.CompareIspPassword02Long(), CommandResult::CommandOk);
  ASSERT_EQ(engine.EnableErase04Long(0x1234, 0x0102), CommandResult::CommandOk);
  device.Answer(Ack(0x05));
  ASSERT_EQ(engine.EnableProgram05Long(300), CommandResult::CommandOk);
  device.Answer(Header(0x01, 0));
  std::array<uint8_t, 4> first{}, second{};
  ASSERT_EQ(engine.GetFirmwareVersion01Long(first, second), CommandResult::CommandOk);

  const auto w = device.Writes();
  ASSERT_EQ(w.size(), 6u);
  for (const Transfer &t : w) EXPECT_EQ(t.length, 64);

  Bytes frame(64, 0);
  frame = Expect(frame, {{0, 0x03}, {1, 0xAA}, {2, 0x55}, {3, 0x00}});
  for (std::size_t i = 0; i < 32; ++i) frame[4 + i] = block[i];
  EXPECT_EQ(w[0].bytes, frame) << "block: bytes 4-35, the rest as the fresh engine holds it";

  frame = Expect(frame, {{4, 0xA0}, {5, 0xA1}, {6, 0xA2}, {7, 0xA3},
                         {8, 0}, {9, 0}, {10, 0}, {11, 0}, {12, 0}});
  EXPECT_EQ(w[1].bytes, frame) << "parameters in 4-7, zeros in 8-12, 13 on kept";

  frame = Expect(frame, {{0, 0x02}, {6, 0}, {7, 0}, {8, 0}, {9, 0}});
  EXPECT_EQ(w[2].bytes, frame) << "password: bytes 4-5 resent (A0 A1), 6-9 zero";
  EXPECT_EQ(w[2].bytes[4], 0xA0);
  EXPECT_EQ(w[2].bytes[5], 0xA1);

  frame = Expect(frame, {{0, 0x04}, {4, 0x34}, {5, 0x12}, {6, 0}, {7, 0}, {8, 0x02}, {9, 0x01}});
  EXPECT_EQ(w[3].bytes, frame) << "erase: start 4-5, zeros 6-7, count 8-9";

  frame = Expect(frame, {{0, 0x05}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0x2C}, {9, 0x01}});
  EXPECT_EQ(w[4].bytes, frame) << "program: zeros 4-7, frames 8-9";

  frame = Expect(frame, {{0, 0x01}});
  EXPECT_EQ(w[5].bytes, frame) << "version: only the header is written";
  EXPECT_EQ(w[5].bytes[13], block[9]) << "a block byte survived five later commands";
}

TEST_F(LongFrames, CodeOptionLongUsesAFreshFrameAndLeavesTheEngineFramesAlone) {
  ASSERT_EQ(engine.SetEncryptionAlgorithm03Block(block), CommandResult::CommandOk);
  device.Answer(Header(0x01, 0));
  std::array<uint8_t, 4> first{}, second{};
  ASSERT_EQ(engine.GetFirmwareVersion01Long(first, second), CommandResult::CommandOk);
  const protocol::LongFrame outgoing = engine.OutgoingLongFrame();
  const protocol::LongFrame incoming = engine.IncomingLongFrame();

  Bytes answer = Header(0x09, 0);
  for (uint8_t i = 0; i < 60; ++i) answer.push_back(static_cast<uint8_t>(0x80 + i));
  device.Answer(answer);
  std::array<uint8_t, 32> option{};
  ASSERT_EQ(engine.GetCodeOption09Long(option), CommandResult::CommandOk);

  Bytes expected(64, 0);
  expected[0] = 0x09;
  expected[1] = 0xAA;
  expected[2] = 0x55;
  EXPECT_EQ(device.Writes().back().bytes, expected);
  EXPECT_EQ(device.Reads().back().length, 64);
  for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(option[i], 0x80 + i);
  EXPECT_EQ(engine.OutgoingLongFrame(), outgoing);
  EXPECT_EQ(engine.IncomingLongFrame(), incoming);
}

TEST_F(CommandBytes, RawReportsPassTheBytesUnchanged) {
  std::array<uint8_t, 8> shortData{9, 8, 7, 6, 5, 4, 3, 2};
  std::array<uint8_t, 64> longData{};
  std::iota(longData.begin(), longData.end(), uint8_t{1});
  EXPECT_TRUE(engine.WriteShortReport(shortData));
  EXPECT_TRUE(engine.WriteLongReport(longData));
  device.Answer(Bytes{1, 1, 2, 3, 5, 8, 13, 21});
  std::array<uint8_t, 8> read{};
  EXPECT_TRUE(engine.ReadShortReport(read));
  EXPECT_EQ(read, (std::array<uint8_t, 8>{1, 1, 2, 3, 5, 8, 13, 21}));
  EXPECT_FALSE(engine.ReadShortReport(read)) << "nothing left to read";

  const auto writes = device.Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes, Bytes(shortData.begin(), shortData.end()));
  EXPECT_EQ(writes[1].bytes, Bytes(longData.begin(), longData.end()));
  EXPECT_EQ(engine.OutgoingLongFrame(), protocol::LongFrame{}) << "raw reports are not commands";
}

}  // namespace
}  // namespace kvn::test
