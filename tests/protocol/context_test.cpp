// The context's helpers: result check, progress, and the crystal question.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "platform/user_messages.h"
#include "protocol/isp_context.h"

namespace kvn::test {
namespace {

using protocol::CommandResult;
using protocol::IspContext;

TEST(CheckCommandResult, OnlyCommandOkPasses) {
  EXPECT_TRUE(IspContext::CheckCommandResult(CommandResult::CommandOk));
  for (CommandResult r : {CommandResult::WriteFailed, CommandResult::ReadFailed,
                          CommandResult::HeaderMismatch, CommandResult::SequenceMismatch,
                          CommandResult::ResponseMismatch}) {
    EXPECT_FALSE(IspContext::CheckCommandResult(r)) << static_cast<int>(r);
  }
  EXPECT_EQ(static_cast<int>(CommandResult::CommandOk), 5);
  EXPECT_EQ(static_cast<int>(CommandResult::WriteFailed), 0);
}

TEST(ReportProgress, StoresThePercentageWithinZeroToHundred) {
  IspContext context;
  context.ReportProgress(42);
  EXPECT_EQ(context.progress.load(), 42);
  context.ReportProgress(100);
  EXPECT_EQ(context.progress.load(), 100);
  context.ReportProgress(250);
  EXPECT_EQ(context.progress.load(), 100);
  context.ReportProgress(-1);
  EXPECT_EQ(context.progress.load(), 0);
}

struct Question {
  std::string text;
  std::string caption;
  int askYesNo;
};
std::vector<Question> g_questions;
int g_answer = 0;

int RecordingHandler(const char *text, const char *caption, int askYesNo) {
  g_questions.push_back({text, caption, askYesNo});
  return g_answer;
}

class XtalQuestion : public ::testing::Test {
 protected:
  std::unique_ptr<ImageBuffer> image = std::make_unique<ImageBuffer>();
  IspContext context;
  static constexpr uint32_t kWordAddress = 0x3FFC;  // image byte 0x7FF8 + 6
  static constexpr uint16_t kMask = 0x30;
  std::array<uint8_t, 8> device{};

  void SetUp() override {
    g_questions.clear();
    g_answer = 0;
    platform::SetMessageHandler(RecordingHandler);
    context.imageData = image->bytes.data();
    image->bytes[2 * kWordAddress + 6] = 0x25;  // crystal bits 0x20
  }
  void TearDown() override { platform::SetMessageHandler(nullptr); }
};

TEST_F(XtalQuestion, MatchingCrystalBitsAskNothing) {
  device[6] = 0xEF;  // bits outside the mask differ, the crystal bits (0x20) agree
  EXPECT_TRUE(context.ConfirmXtalOption(device, kWordAddress, kMask));
  EXPECT_TRUE(g_questions.empty());
  device[6] = 0x20;
  EXPECT_TRUE(context.ConfirmXtalOption(device, kWordAddress, 0xFF30)) << "only the low byte masks";
  EXPECT_TRUE(g_questions.empty());
}

TEST_F(XtalQuestion, DifferentCrystalBitsAskAndFollowTheAnswer) {
  device[6] = 0x10;
  g_answer = 0;
  EXPECT_FALSE(context.ConfirmXtalOption(device, kWordAddress, kMask));
  g_answer = 1;
  EXPECT_TRUE(context.ConfirmXtalOption(device, kWordAddress, kMask));
  ASSERT_EQ(g_questions.size(), 2u);
  EXPECT_EQ(g_questions[0].text,
            "X'tal setting in code option does not match!! Do you want to continue?");
  EXPECT_EQ(g_questions[0].caption, "Error");
  EXPECT_EQ(g_questions[0].askYesNo, 1);
}

TEST_F(XtalQuestion, AnImageByteOutsideTheImageIsNeverRead) {
  device[6] = 0x20;
  g_answer = 1;
  EXPECT_TRUE(context.ConfirmXtalOption(device, 0x20000, kMask));  // byte 0x40006
  EXPECT_TRUE(context.ConfirmXtalOption(device, 0xFFFFFFFFu, kMask));
  context.imageData = nullptr;
  EXPECT_TRUE(context.ConfirmXtalOption(device, kWordAddress, kMask));
  EXPECT_EQ(g_questions.size(), 3u) << "without an image byte to compare, the user decides";
}

}  // namespace
}  // namespace kvn::test
