// The product's own chip, Tolv-01, programmed from an Intel HEX file through
// the exports, as the upgrade application does it: one whole job, checked
// on the emulated flash, on the wire and on the clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "tolv_rig.h"

namespace kvn::test {
namespace {

constexpr uint32_t kFlashBytes = 0x40000;
constexpr uint32_t kBlocks = 0x1000;

std::vector<HexSegment> FirmwareSegments() {
  return {
      {0x0000, PatternImage(0xE07D, 11)},           // code from the reset vector on
      {0x1FFF0, PatternImage(0x20, 12)},            // across a 64 KiB boundary
      {0x3FFFC, {0x55, 0x55, 0xAA, 0xAA}},          // a marker in the last word pair
  };
}

std::vector<uint8_t> ExpectedFlash(const std::vector<HexSegment> &segments) {
  std::vector<uint8_t> flash(kFlashBytes, 0xFF);
  for (const HexSegment &s : segments) std::copy(s.bytes.begin(), s.bytes.end(), flash.begin() + s.address);
  return flash;
}

bool Same(const std::vector<uint8_t> &frame, std::size_t from, std::size_t to,
          const std::vector<uint8_t> &other) {
  return std::equal(frame.begin() + from, frame.begin() + to, other.begin() + from);
}

bool Zero(const std::vector<uint8_t> &frame, std::size_t from, std::size_t to) {
  return std::all_of(frame.begin() + from, frame.begin() + to, [](uint8_t b) { return b == 0; });
}

TEST(Tolv01Job, IntelHexImageEndsUpInTheFlashByteForByte) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-01"}, {"codeoption", "0x1234"}});
  ASSERT_NE(product.model, nullptr);

  const std::vector<HexSegment> segments = FirmwareSegments();
  const TempFile hex(".hex", IntelHexText(segments));
  JobRequest request;
  request.hexPath = hex.Path();
  const JobOutcome outcome = rig.Run(request);

  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);
  const std::vector<uint8_t> expected = ExpectedFlash(segments);
  const std::vector<uint8_t> flash = product.Chip().Flash();
  ASSERT_EQ(flash.size(), expected.size());
  const auto diff = std::mismatch(flash.begin(), flash.end(), expected.begin());
  EXPECT_TRUE(diff.first == flash.end()) << "first difference at 0x" << std::hex << (diff.first - flash.begin());
  EXPECT_FALSE(product.Chip().InBootLoader()) << "the product must be back in its user firmware";
  // Security level 0 on Tolv-01: word 0xFFFF, the device's code option word kept.
  EXPECT_EQ(product.Chip().CodeOption(), (std::array<uint8_t, 4>{0x34, 0x12, 0xFF, 0xFF}));

  EXPECT_EQ(JournalText(product.Chip().Journal()),
            StepsText({"set entry", "set version", "get version", "set option-erase", "set option",
                       "set erase", "get blank", "set program", "get program", "set data x4096",
                       "get verify", "set return"}));

  // The bytes on the wire.
  const std::vector<ReportRecord> records = product.Reports();
  const std::vector<std::vector<uint8_t>> sent = SentFrames(records);
  ASSERT_EQ(sent.size(), 6u + kBlocks + 1);
  for (const std::vector<uint8_t> &frame : sent) ASSERT_EQ(frame.size(), 64u);
  {
    SCOPED_TRACE("boot entry: the built-in 8 bytes, zero-padded to the report");
    const std::array<uint8_t, 8> entry = KVN_BOOT_ENTRY_FRAME_INIT;
    EXPECT_TRUE(std::equal(entry.begin(), entry.end(), sent[0].begin()));
    EXPECT_TRUE(Zero(sent[0], 8, 64));
  }
  const std::vector<uint8_t> &version = sent[1], &optionErase = sent[2], &option = sent[3],
                             &erase = sent[4], &program = sent[5];
  EXPECT_TRUE(IsCommand(version, 0x01));
  {
    SCOPED_TRACE("0x02: bytes 4-5 carried over, 6-9 zero, the rest carried over");
    EXPECT_TRUE(IsCommand(optionErase, 0x02));
    EXPECT_TRUE(Same(optionErase, 4, 6, version));
    EXPECT_TRUE(Zero(optionErase, 6, 10));
    EXPECT_TRUE(Same(optionErase, 10, 64, version));
  }
  {
    SCOPED_TRACE("0x03: the code option in 4-7, 8-12 zero, the rest carried over");
    EXPECT_TRUE(IsCommand(option, 0x03));
    EXPECT_EQ(std::vector<uint8_t>(option.begin() + 4, option.begin() + 8),
              (std::vector<uint8_t>{0x34, 0x12, 0xFF, 0xFF}));
    EXPECT_TRUE(Zero(option, 8, 13));
    EXPECT_TRUE(Same(option, 13, 64, optionErase));
  }
  {
    SCOPED_TRACE("0x04: start 0 in 4-5, 6-7 zero, count 0x100 in 8-9, the rest carried over");
    EXPECT_TRUE(IsCommand(erase, 0x04));
    EXPECT_TRUE(Zero(erase, 4, 8));
    EXPECT_EQ(erase[8], 0x00);
    EXPECT_EQ(erase[9], 0x01);
    EXPECT_TRUE(Same(erase, 10, 64, option));
  }
  {
    SCOPED_TRACE("0x05: 4-7 zero, 0x1000 data reports in 8-9, the rest carried over");
    EXPECT_TRUE(IsCommand(program, 0x05));
    EXPECT_TRUE(Zero(program, 4, 8));
    EXPECT_EQ(program[8], 0x00);
    EXPECT_EQ(program[9], 0x10);
    EXPECT_TRUE(Same(program, 10, 64, erase));
  }
  for (uint32_t k = 0; k < kBlocks; ++k) {
    ASSERT_TRUE(std::equal(sent[6 + k].begin(), sent[6 + k].end(), expected.begin() + 64 * k))
        << "data report " << k;
  }
  EXPECT_EQ(sent.back(), Padded({0x07, 0xAA, 0x55, 0x00})) << "0x07 is a short frame, zero-padded";

  // The pauses, as lower bounds from the emulator's timestamps.
  ASSERT_EQ(records.size(), 6u + kBlocks + 1 + 4);  // four answers read
  EXPECT_GE(MsBetween(outcome.started, records.front().time), 200.0) << "200 ms before discovery";
  const auto gap = [&](std::size_t i) { return MsBetween(records[i - 1].time, records[i].time); };
  EXPECT_GE(gap(1), 20.0) << "boot entry, then CommandDelay(10)";
  EXPECT_GE(gap(2), 20.0) << "version: CommandDelay(10) before its answer";
  EXPECT_GE(gap(3), 40.0) << "0x02: two CommandDelay(10) before the write";
  EXPECT_GE(gap(4), 40.0) << "0x03: two CommandDelay(10) before the write";
  EXPECT_GE(gap(5), 20.0) << "0x04: one CommandDelay(10) before the write";
  EXPECT_GE(gap(8), 20.0) << "0x05: CommandDelay(10) before its answer";
  const std::size_t firstData = 9;
  for (std::size_t i = firstData + 1; i <= firstData + kBlocks; ++i)
    ASSERT_GE(gap(i), 1.0) << "data report " << i - firstData << " came too soon after the previous";
  EXPECT_GE(MsBetween(records.back().time, outcome.finishedSeen), 500.0)
      << "500 ms after the mask bit before the job is finished";
}

}  // namespace
}  // namespace kvn::test
