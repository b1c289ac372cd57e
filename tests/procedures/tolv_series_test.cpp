// The other Tolv chips end to end through the exports: what each sends in
// which order, the security words it writes, its pauses, and the progress a
// polling host sees.
#include <gtest/gtest.h>

#include <algorithm>

#include "tolv_rig.h"

namespace kvn::test {
namespace {

using Word = std::array<uint8_t, 4>;

std::vector<uint8_t> Bytes(const std::vector<uint8_t> &frame, std::size_t from, std::size_t to) {
  return {frame.begin() + from, frame.begin() + to};
}

// Set-feature records of one kind of command, in order.
std::vector<ReportRecord> CommandRecords(const std::vector<ReportRecord> &records, uint8_t code) {
  std::vector<ReportRecord> found;
  for (const ReportRecord &r : records) {
    if (r.kind == ReportRecord::Kind::SetFeature && IsCommand(DataOf(r), code)) found.push_back(r);
  }
  return found;
}

// The smallest pause between consecutive data reports, and the pause from
// the Enable Program answer to the first of them.
struct DataPacing {
  double minGapMs = 1e9;
  double settleMs = 0;
  std::size_t reports = 0;
};

DataPacing PacingOf(const std::vector<ReportRecord> &records) {
  DataPacing pacing;
  std::size_t i = 0;
  while (i < records.size() && !(records[i].kind == ReportRecord::Kind::SetFeature &&
                                 IsCommand(DataOf(records[i]), 0x05)))
    ++i;
  if (i + 2 >= records.size()) return pacing;
  const std::size_t answer = i + 1, first = i + 2;
  pacing.settleMs = MsBetween(records[answer].time, records[first].time);
  for (std::size_t k = first; k < records.size() && records[k].kind == ReportRecord::Kind::SetFeature; ++k) {
    ++pacing.reports;
    if (k > first) pacing.minGapMs = std::min(pacing.minGapMs, MsBetween(records[k - 1].time, records[k].time));
  }
  return pacing;
}

JobRequest RequestFor(const char *chip, std::vector<uint8_t> image, uint32_t level) {
  JobRequest request;
  request.chip = chip;
  request.binImage = std::move(image);
  request.securityLevel = level;
  return request;
}

// Progress as the poller saw it, with repeats dropped.
std::vector<int32_t> DistinctProgress(const std::vector<ProgressSample> &samples) {
  std::vector<int32_t> values;
  for (const ProgressSample &s : samples) {
    if (values.empty() || values.back() != s.progress) values.push_back(s.progress);
  }
  return values;
}

TEST(TolvSeriesJob, Tolv03WritesItsCodeOptionFirstAndKeepsTheImagesZeroFill) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-03"}, {"codeoption", "0xBEEF"}});
  // Half the flash: a Tolv-03 image is filled with 0x00 beyond its data.
  std::vector<uint8_t> image = PatternImage(0x8000, 21);
  const JobOutcome outcome = rig.Run(RequestFor("Tolv-03", image, 0));
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);

  image.resize(0x10000, 0x00);
  EXPECT_TRUE(product.Chip().Flash() == image);
  EXPECT_EQ(JournalText(product.Chip().Journal()),
            StepsText({"set entry", "set version", "get version", "set option", "set program",
                       "get program", "set data x1024", "get verify", "set return"}));
  // Level 0 on Tolv-03 is security word 0x0000, written by the connect step.
  const std::vector<ReportRecord> option = CommandRecords(product.Reports(), 0x03);
  ASSERT_EQ(option.size(), 1u);
  EXPECT_EQ(Bytes(DataOf(option[0]), 4, 8), (std::vector<uint8_t>{0xEF, 0xBE, 0x00, 0x00}));
  EXPECT_EQ(product.Chip().CodeOption(), (Word{0xEF, 0xBE, 0x00, 0x00}));

  const DataPacing pacing = PacingOf(product.Reports());
  EXPECT_EQ(pacing.reports, 1024u);
  EXPECT_GE(pacing.settleMs, 20.0) << "20 ms between Enable Program and the data";
  EXPECT_GE(pacing.minGapMs, 8.0) << "Tolv-03 paces its data reports by 8 ms";
}

TEST(TolvSeriesJob, Tolv04WritesTheRequestedLevelAfterVerify) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-04"}});
  const std::vector<uint8_t> image = PatternImage(0x7800, 22);
  const JobOutcome outcome = rig.Run(RequestFor("Tolv-04", image, 2));
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_TRUE(product.Chip().Flash() == image);
  EXPECT_EQ(JournalText(product.Chip().Journal()),
            StepsText({"set entry", "set version", "get version", "set program", "get program",
                       "set data x480", "get verify", "set option", "set return"}));
  EXPECT_EQ(product.Chip().CodeOption(), (Word{0x34, 0x12, 0xA5, 0xA5}));
  const DataPacing pacing = PacingOf(product.Reports());
  EXPECT_GE(pacing.settleMs, 20.0);
  EXPECT_GE(pacing.minGapMs, 8.0);
}

TEST(TolvSeriesJob, Tolv04AlreadyAtTheRequestedLevelGetsNoCodeOptionCommand) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-04"}, {"security", "0x5A5A"}});
  const std::vector<uint8_t> image = PatternImage(0x7800, 23);
  const JobOutcome outcome = rig.Run(RequestFor("Tolv-04", image, 1));
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_TRUE(product.Chip().Flash() == image);
  EXPECT_EQ(JournalText(product.Chip().Journal()),
            StepsText({"set entry", "set version", "get version", "set program", "get program",
                       "set data x480", "get verify", "set return"}));
  EXPECT_EQ(product.Chip().CodeOption(), (Word{0x34, 0x12, 0x5A, 0x5A}));
}

TEST(TolvSeriesJob, Tolv07ErasesWaitsAndShowsTwoProgressRunsToAPollingHost) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-07"}});
  const std::vector<uint8_t> image = PatternImage(0x10000, 24);
  JobRequest request = RequestFor("Tolv-07", image, 3);
  request.sampleProgress = true;
  const JobOutcome outcome = rig.Run(request);
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_TRUE(product.Chip().Flash() == image);
  EXPECT_EQ(JournalText(product.Chip().Journal()),
            StepsText({"set entry", "set version", "get version", "set option-erase", "set erase",
                       "get blank", "set program", "get program", "set data x1024", "get verify",
                       "set option", "set return"}));
  // Level 3 on Tolv-07 is CS3, written after verify.
  EXPECT_EQ(product.Chip().CodeOption(), (Word{0x34, 0x12, 0xAA, 0x55}));

  // Erase: 100 progress steps of two 11 ms waits before the blank check.
  const std::vector<ReportRecord> records = product.Reports();
  const auto erase = std::find_if(records.begin(), records.end(), [](const ReportRecord &r) {
    return r.kind == ReportRecord::Kind::SetFeature && IsCommand(DataOf(r), 0x04);
  });
  ASSERT_NE(erase, records.end());
  ASSERT_NE(erase + 1, records.end());
  EXPECT_GE(MsBetween(erase->time, (erase + 1)->time), 2200.0);

  // Progress: 0 up to 100 over the erase, 0 again, up to 100 over the data.
  const std::vector<ProgressSample> &samples = outcome.samples;
  ASSERT_FALSE(samples.empty());
  for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
    ASSERT_FALSE(samples[i].finished) << "only the last sample may see the end";
    ASSERT_EQ(samples[i].code, 0) << "no code while a good job runs";
  }
  EXPECT_TRUE(samples.back().finished);
  EXPECT_EQ(samples.back().code, 0);
  std::vector<int32_t> values = DistinctProgress(samples);
  ASSERT_FALSE(values.empty());
  for (int32_t v : values) ASSERT_TRUE(v >= 0 && v <= 100) << v;
  values.erase(values.begin(), std::find(values.begin(), values.end(), 0));  // a previous job's value
  std::vector<std::vector<int32_t>> runs(1);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0 && values[i] < values[i - 1]) runs.emplace_back();
    runs.back().push_back(values[i]);
  }
  ASSERT_EQ(runs.size(), 2u) << "an erase run and a program run";
  for (const std::vector<int32_t> &run : runs) {
    EXPECT_EQ(run.front(), 0);
    EXPECT_EQ(run.back(), 100);
    EXPECT_GE(run.size(), 50u) << "the poller should see the percentage climb";
  }
  EXPECT_EQ(samples.back().progress, 100);
}

// Two jobs on one product in one library session: the engine's long frame
// keeps the bytes no command writes, from one job to the next.
TEST(TolvSeriesJob, LongFrameBytesCarryOverFromTheLastCommandOfTheJobBefore) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-05"}, {"codeoption", "0x9876"}});
  const std::vector<uint8_t> first = PatternImage(0x4000, 25), second = PatternImage(0x4000, 26);
  const JobOutcome one = rig.Run(RequestFor("Tolv-05", first, 1));
  ASSERT_EQ(one.startResult, 0);
  ASSERT_EQ(one.code, 0);
  const std::vector<uint8_t> lastOfFirst = DataOf(CommandRecords(product.Reports(), 0x03).back());
  EXPECT_EQ(Bytes(lastOfFirst, 4, 8), (std::vector<uint8_t>{0x76, 0x98, 0x5A, 0x5A}));
  product.Node().ClearReports();

  const JobOutcome two = rig.Run(RequestFor("Tolv-05", second, 2));
  ASSERT_EQ(two.startResult, 0);
  EXPECT_EQ(two.code, 0);
  EXPECT_TRUE(product.Chip().Flash() == second);
  EXPECT_EQ(product.Chip().CodeOption(), (Word{0x76, 0x98, 0xA5, 0xA5}));

  const std::vector<std::vector<uint8_t>> sent = SentFrames(product.Reports());
  ASSERT_GE(sent.size(), 4u);
  const std::vector<uint8_t> &version = sent[1], &optionErase = sent[2], &erase = sent[3];
  ASSERT_TRUE(IsCommand(version, 0x01));
  EXPECT_EQ(Bytes(version, 4, 64), Bytes(lastOfFirst, 4, 64)) << "0x01 writes only its header";
  ASSERT_TRUE(IsCommand(optionErase, 0x02));
  EXPECT_EQ(Bytes(optionErase, 4, 10), (std::vector<uint8_t>{0x76, 0x98, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(optionErase, 10, 64), Bytes(lastOfFirst, 10, 64));
  ASSERT_TRUE(IsCommand(erase, 0x04));
  EXPECT_EQ(Bytes(erase, 4, 10), (std::vector<uint8_t>{0, 0, 0, 0, 0x10, 0x00}));
  EXPECT_EQ(sent.back(), Padded({0x07, 0xAA, 0x55, 0x00}));
}

// A host's second attempt finds the product already in its boot loader; with
// the reset flag cleared it is left there.
TEST(TolvSeriesJob, ProductAlreadyInItsBootLoaderWithoutResetStaysThere) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-05"}, {"mode", "boot"}});
  const std::vector<uint8_t> image = PatternImage(0x4000, 27);
  JobRequest request = RequestFor("Tolv-05", image, 0);
  request.vendorId = KVN_BOOT_VENDOR_ID;
  request.productId = KVN_BOOT_PRODUCT_ID;
  request.resetAfterProgram = false;
  const JobOutcome outcome = rig.Run(request);
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_TRUE(product.Chip().Flash() == image);
  EXPECT_TRUE(product.Chip().InBootLoader());
  EXPECT_TRUE(CommandRecords(product.Reports(), 0x07).empty()) << "no Return User Mode without the reset flag";
}

// The security word that goes to the device for each level, per chip column.
// Tolv-01/02 and Tolv-03 write it before programming, so a fault right after
// ends those runs early; Tolv-05 writes it after verify.
struct SecurityCase {
  const char *chip;
  uint32_t level;
  const char *fault;
  uint16_t code;
  uint16_t word;
};

void PrintTo(const SecurityCase &c, std::ostream *os) { *os << c.chip << " level " << c.level; }

class TolvSecurityWord : public ::testing::TestWithParam<SecurityCase> {};

TEST_P(TolvSecurityWord, LevelChoosesTheWordInTheCodeOption) {
  const SecurityCase &c = GetParam();
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  sim::ModelOptions options{{"chip", c.chip}, {"codeoption", "0x4321"}};
  if (*c.fault != '\0') options["fault"] = c.fault;
  const RigProduct product = rig.Add(options);
  const JobOutcome outcome =
      rig.Run(RequestFor(c.chip, PatternImage(product.Chip().Chip().flashBytes, 28), c.level));
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, c.code);
  const std::vector<ReportRecord> option = CommandRecords(product.Reports(), 0x03);
  ASSERT_EQ(option.size(), 1u);
  EXPECT_EQ(Bytes(DataOf(option[0]), 4, 8),
            (std::vector<uint8_t>{0x21, 0x43, static_cast<uint8_t>(c.word), static_cast<uint8_t>(c.word >> 8)}));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, TolvSecurityWord,
    ::testing::Values(SecurityCase{"Tolv-01", 0, "fail-write:erase", 30, 0xFFFF},
                      SecurityCase{"Tolv-01", 1, "fail-write:erase", 30, 0x5A5A},
                      SecurityCase{"Tolv-01", 2, "fail-write:erase", 30, 0xA5A5},
                      SecurityCase{"Tolv-01", 3, "fail-write:erase", 30, 0xC3C3},
                      SecurityCase{"Tolv-02", 3, "fail-write:erase", 30, 0xC3C3},
                      SecurityCase{"Tolv-03", 0, "nak:program", 20, 0x0000},
                      SecurityCase{"Tolv-03", 1, "nak:program", 20, 0x5A5A},
                      SecurityCase{"Tolv-03", 2, "nak:program", 20, 0xA5A5},
                      SecurityCase{"Tolv-03", 3, "nak:program", 20, 0x55AA},
                      SecurityCase{"Tolv-05", 0, "", 0, 0xFFFF},
                      SecurityCase{"Tolv-06", 1, "", 0, 0x5A5A}),
    [](const ::testing::TestParamInfo<SecurityCase> &info) {
      std::string name = std::string(info.param.chip) + "_level" + std::to_string(info.param.level);
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

}  // namespace
}  // namespace kvn::test
