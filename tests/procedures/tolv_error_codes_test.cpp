// Every error code that a Tolv job can end with, each from a fault of the
// emulated product at the step that stores it, through real hidraw nodes.
#include <gtest/gtest.h>

#include "tolv_rig.h"

namespace kvn::test {
namespace {

enum class EndMode { User, Boot };

struct FaultCase {
  const char *name;
  const char *chip;
  sim::ModelOptions options;  // chip= is added from chip
  uint32_t securityLevel;
  uint16_t code;
  const char *lastJournalLine;  // the product's last report, as JournalText writes it
  bool flashUntouched;          // failed before anything was erased or programmed
  EndMode endMode;
};

void PrintTo(const FaultCase &c, std::ostream *os) { *os << c.name; }

const FaultCase kCases[] = {
    {"BootEntryWriteFails", "Tolv-01", {{"fault", "fail-write:entry"}}, 0, 7, "set entry FAILED", true, EndMode::User},
    {"VersionReadFails", "Tolv-01", {{"fault", "fail-read:version"}}, 0, 10, "get version FAILED", true, EndMode::Boot},
    {"VersionAnswerWithOtherPart", "Tolv-01", {{"fault", "garble:version"}}, 0, 10, "get version", true, EndMode::Boot},
    {"VersionByte3Differs", "Tolv-01", {{"version", "20:05:00:01"}}, 0, 11, "get version", true, EndMode::Boot},
    {"VersionByte0Differs", "Tolv-07", {{"version", "21:01:00:03"}}, 0, 11, "get version", true, EndMode::Boot},
    {"VersionOfAnotherChip", "Tolv-06", {{"version", "20:01:00:03"}}, 0, 11, "get version", true, EndMode::Boot},
    {"Cs3RefusedOnTolv07", "Tolv-07", {{"security", "0x55AA"}}, 0, 34, "get version", true, EndMode::Boot},
    {"Cs3RefusedOnTolv04", "Tolv-04", {{"security", "0x55AA"}}, 3, 34, "get version", true, EndMode::Boot},
    {"Tolv03EarlyCodeOptionFails", "Tolv-03", {{"fault", "fail-write:option"}}, 0, 34, "set option FAILED", true, EndMode::Boot},
    {"Tolv04AtLevel2AskedForLevel1", "Tolv-04", {{"security", "0xA5A5"}}, 1, 39, "set return", true, EndMode::User},
    {"Tolv04AtLevel1AskedForLevel0", "Tolv-04", {{"security", "0x5A5A"}}, 0, 39, "set return", true, EndMode::User},
    {"OptionEraseFails", "Tolv-01", {{"fault", "fail-write:option-erase"}}, 0, 29, "set option-erase FAILED", true, EndMode::Boot},
    {"OptionBeforeEraseFails", "Tolv-01", {{"fault", "fail-write:option"}}, 0, 22, "set option FAILED", true, EndMode::Boot},
    {"Tolv02OptionBeforeEraseFails", "Tolv-02", {{"fault", "fail-write:option"}}, 0, 22, "set option FAILED", true, EndMode::Boot},
    {"EraseFails", "Tolv-01", {{"fault", "fail-write:erase"}}, 0, 30, "set erase FAILED", true, EndMode::Boot},
    // CS3 does not stop Tolv-01 and Tolv-02: the run goes on to the erase.
    {"Cs3AcceptedOnTolv01", "Tolv-01", {{"security", "0x55AA"}, {"fault", "fail-write:erase"}}, 0, 30, "set erase FAILED", true, EndMode::Boot},
    {"Cs3AcceptedOnTolv02", "Tolv-02", {{"security", "0x55AA"}, {"fault", "fail-write:erase"}}, 0, 30, "set erase FAILED", true, EndMode::Boot},
    {"EraseErasesNothing", "Tolv-01", {{"fault", "no-erase"}}, 0, 31, "get blank", true, EndMode::Boot},
    {"BlankChecksumWrong", "Tolv-01", {{"fault", "badsum:blank"}}, 0, 31, "get blank", false, EndMode::Boot},
    {"BlankReadFails", "Tolv-01", {{"fault", "fail-read:blank"}}, 0, 31, "get blank FAILED", false, EndMode::Boot},
    {"EnableProgramNotAcknowledged", "Tolv-01", {{"fault", "nak:program"}}, 0, 20, "get program", false, EndMode::Boot},
    {"EnableProgramAnswerWithOtherPart", "Tolv-01", {{"fault", "garble:program"}}, 0, 20, "get program", false, EndMode::Boot},
    {"EnableProgramReadFails", "Tolv-03", {{"fault", "fail-read:program"}}, 0, 20, "get program FAILED", false, EndMode::Boot},
    {"DataReportRefused", "Tolv-05", {{"fault", "accept-data:10"}}, 0, 21, "set data FAILED", false, EndMode::Boot},
    {"FlashDiffersAfterProgramming", "Tolv-05", {{"fault", "stuck:0x1234"}}, 0, 26, "get verify", false, EndMode::Boot},
    {"VerifyReadFails", "Tolv-05", {{"fault", "fail-read:verify"}}, 0, 26, "get verify FAILED", false, EndMode::Boot},
    {"OptionAfterVerifyFails", "Tolv-05", {{"fault", "fail-write:option"}}, 0, 32, "set option FAILED", false, EndMode::Boot},
    {"ReturnUserModeFails", "Tolv-05", {{"fault", "fail-write:return"}}, 0, 27, "set return FAILED", false, EndMode::Boot},
};

std::string LastLine(const std::string &text) {
  if (text.empty()) return {};
  const std::size_t end = text.size() - 1;  // drop the final newline
  const std::size_t start = text.rfind('\n', end - 1);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

class TolvErrorCode : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TolvErrorCode, FaultAtItsStepEndsTheJobWithItsCode) {
  const FaultCase &c = GetParam();
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  sim::ModelOptions options = c.options;
  options["chip"] = c.chip;
  const RigProduct product = rig.Add(options);
  ASSERT_NE(product.model, nullptr);
  const std::vector<uint8_t> before = product.Chip().Flash();

  JobRequest request;
  request.chip = c.chip;
  request.securityLevel = c.securityLevel;
  request.binImage = PatternImage(product.Chip().Chip().flashBytes, 7);
  const JobOutcome outcome = rig.Run(request);

  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, c.code);
  const std::string journal = JournalText(product.Chip().Journal());
  EXPECT_EQ(LastLine(journal), c.lastJournalLine) << journal;
  if (c.flashUntouched) {
    EXPECT_TRUE(product.Chip().Flash() == before) << "flash changed";
  }
  EXPECT_EQ(product.Chip().InBootLoader(), c.endMode == EndMode::Boot);
}

INSTANTIATE_TEST_SUITE_P(Group9, TolvErrorCode, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase> &info) { return info.param.name; });

// A product unplugged in the middle of the data phase: the job still ends,
// with a code, and the host is not left polling.
TEST(TolvJob, ProductThatVanishesMidDataPhaseEndsTheJobWithACode) {
  TolvRig rig;
  ASSERT_TRUE(rig.Ok()) << rig.Error();
  const RigProduct product = rig.Add({{"chip", "Tolv-05"}, {"fault", "vanish-data:100"}});
  JobRequest request;
  request.chip = "Tolv-05";
  request.binImage = PatternImage(0x4000, 3);
  const JobOutcome outcome = rig.Run(request);
  ASSERT_EQ(outcome.startResult, 0);
  EXPECT_EQ(outcome.code, 21);
  EXPECT_TRUE(product.product->Gone());
  EXPECT_EQ(LastLine(JournalText(product.Chip().Journal())), "set data FAILED");
}

}  // namespace
}  // namespace kvn::test
