// The protocol's pauses as lower bounds: CommandDelay(n) lasts at least 2n,
// every command waits its pause between request and answer, and the long
// write-only forms pause before they write.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "protocol/delays.h"
#include "protocol/isp_command.h"
#include "scripted_transport.h"

namespace kvn::test {
namespace {

using protocol::CommandResult;
using protocol::ISP_Command;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(Delays, CommandDelayIsSleepThenSpinOfTheSameLength) {
  for (uint32_t ms : {1u, 5u, 10u}) {
    const auto start = Clock::now();
    protocol::CommandDelay(ms);
    EXPECT_GE(MsSince(start), 2.0 * ms) << "CommandDelay(" << ms << ")";
  }
}

TEST(Delays, SpinDelayWaitsAtLeastItsTime) {
  for (uint32_t ms : {1u, 3u, 7u}) {
    const auto start = Clock::now();
    protocol::SpinDelay(ms);
    EXPECT_GE(MsSince(start), 1.0 * ms) << "SpinDelay(" << ms << ")";
  }
}

struct Case {
  const char *name;
  std::function<CommandResult(ISP_Command &)> run;
  Bytes answer;
  double minWriteToReadMs;
};

TEST(CommandPauses, AnswerIsReadNoEarlierThanTheCommandsPause) {
  std::array<uint8_t, 4> version{};
  std::array<uint8_t, 4> second{};
  uint16_t sum = 0;
  const std::vector<Case> cases = {
      {"GetFirmwareVersion01", [&](ISP_Command &e) { return e.GetFirmwareVersion01(version); },
       Header(0x01, 0), 10},
      {"GetFirmwareVersion01Long",
       [&](ISP_Command &e) { return e.GetFirmwareVersion01Long(version, second); }, Header(0x01, 0), 20},
      {"CompareIspPassword02",
       [&](ISP_Command &e) { return e.CompareIspPassword02(std::array<uint8_t, 4>{}); }, Ack(0x02), 10},
      {"SetEncryptionAlgorithm03", [&](ISP_Command &e) { return e.SetEncryptionAlgorithm03(); },
       Ack(0x03), 10},
      {"EnableProgram05", [&](ISP_Command &e) { return e.EnableProgram05(0, 1); }, Ack(0x05), 10},
      {"EnableProgram05Long", [&](ISP_Command &e) { return e.EnableProgram05Long(1); }, Ack(0x05), 20},
      {"GetCheckSum06", [&](ISP_Command &e) { return e.GetCheckSum06(sum); },
       WithTail(Header(0x06, 0), {0xFA, 0xFA, 0, 0}), 300},
      {"GetCheckSumAt06", [&](ISP_Command &e) { return e.GetCheckSumAt06(0, sum); },
       WithTail(Header(0x06, 1), {0xFA, 0xFA, 0, 0}), 300},
  };
  for (const Case &c : cases) {
    ScriptedTransport device;
    ISP_Command engine{device};
    device.Answer(c.answer);
    EXPECT_EQ(c.run(engine), CommandResult::CommandOk) << c.name;
    const auto &log = device.Log();
    ASSERT_EQ(log.size(), 2u) << c.name;
    EXPECT_GE(MsBetween(log[0], log[1]), c.minWriteToReadMs) << c.name;
  }
}

TEST(CommandPauses, SetCodeOptionWaitsOnlyBeforeThePart1Answer) {
  ScriptedTransport device;
  ISP_Command engine{device};
  device.Answer(Ack(0x08, 0));
  device.Answer(Ack(0x08, 1));
  ASSERT_EQ(engine.SetCodeOption08(std::array<uint8_t, 8>{}), CommandResult::CommandOk);
  const auto &log = device.Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_GE(MsBetween(log[2], log[3]), 100.0) << "CommandDelay(50) before part 1's answer";
}

TEST(CommandPauses, LongWriteOnlyFormsPauseBeforeTheirWrite) {
  struct WriteOnly {
    const char *name;
    std::function<CommandResult(ISP_Command &)> run;
    double minBeforeWriteMs;
  };
  const std::vector<WriteOnly> cases = {
      {"CompareIspPassword02Long", [](ISP_Command &e) { return e.CompareIspPassword02Long(); }, 40},
      {"SetEncryptionAlgorithm03Long",
       [](ISP_Command &e) { return e.SetEncryptionAlgorithm03Long(std::array<uint8_t, 4>{}); }, 40},
      {"SetEncryptionAlgorithm03Block",
       [](ISP_Command &e) { return e.SetEncryptionAlgorithm03Block(std::array<uint8_t, 32>{}); }, 40},
      {"EnableErase04Long", [](ISP_Command &e) { return e.EnableErase04Long(0, 1); }, 20},
  };
  for (const WriteOnly &c : cases) {
    ScriptedTransport device;
    ISP_Command engine{device};
    const auto start = Clock::now();
    EXPECT_EQ(c.run(engine), CommandResult::CommandOk) << c.name;
    ASSERT_EQ(device.Log().size(), 1u) << c.name << " reads no answer";
    const double beforeWrite =
        std::chrono::duration<double, std::milli>(device.Log()[0].time - start).count();
    EXPECT_GE(beforeWrite, c.minBeforeWriteMs) << c.name;
  }
}

}  // namespace
}  // namespace kvn::test
