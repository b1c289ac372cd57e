// The handler of the library's user messages.
#include "user_prompt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kvnisp {
namespace {

class Prompt : public ::testing::Test {
 protected:
  void TearDown() override {
    if (input_ != nullptr) std::fclose(input_);
    if (output_ != nullptr) std::fclose(output_);
    std::free(buffer_);
  }

  void Install(QuestionPolicy policy, const std::string &answers) {
    answers_ = answers;
    input_ = answers_.empty() ? std::fopen("/dev/null", "r") : fmemopen(answers_.data(), answers_.size(), "r");
    output_ = open_memstream(&buffer_, &size_);
    InstallUserPrompt(policy, {input_, output_});
  }

  std::string Output() {
    std::fflush(output_);
    return std::string(buffer_, size_);
  }

  std::string answers_;
  std::FILE *input_ = nullptr;
  std::FILE *output_ = nullptr;
  char *buffer_ = nullptr;
  size_t size_ = 0;
};

TEST_F(Prompt, NoticeIsOneLineWithItsCaptionAndAnswersNothing) {
  Install(QuestionPolicy::kAskTerminal, "y\n");
  EXPECT_EQ(HandleUserMessage("bad checksum in line 3", "Intel HEX", 0), 0);
  EXPECT_EQ(HandleUserMessage("plain", "", 0), 0);
  EXPECT_EQ(Output(), "kvnisp: Intel HEX: bad checksum in line 3\nkvnisp: plain\n");
  EXPECT_EQ(QuestionsAnsweredNo(), 0);
}

TEST_F(Prompt, AssumeYesAnswersYesWithoutReading) {
  Install(QuestionPolicy::kAssumeYes, "n\n");
  EXPECT_EQ(HandleUserMessage("Change the crystal setting?", "Question", 1), 1);
  EXPECT_NE(Output().find("answered Yes (--yes)"), std::string::npos);
  EXPECT_EQ(QuestionsAnsweredNo(), 0);
}

TEST_F(Prompt, TerminalAnswersAreReadLineByLine) {
  Install(QuestionPolicy::kAskTerminal, "  YES \nn\nyesterday\ny\n");
  EXPECT_EQ(HandleUserMessage("q1", "Q", 1), 1);
  EXPECT_EQ(HandleUserMessage("q2", "Q", 1), 0);
  EXPECT_EQ(HandleUserMessage("q3", "Q", 1), 0);
  EXPECT_EQ(HandleUserMessage("q4", "Q", 1), 1);
  EXPECT_EQ(HandleUserMessage("q5", "Q", 1), 0);   // end of input
  EXPECT_EQ(QuestionsAnsweredNo(), 3);
  EXPECT_NE(Output().find("[y/N]"), std::string::npos);
}

TEST_F(Prompt, OverlongAnswerLineIsOneAnswer) {
  Install(QuestionPolicy::kAskTerminal, "y" + std::string(200, ' ') + "x\ny\n");
  EXPECT_EQ(HandleUserMessage("q1", "Q", 1), 1);
  EXPECT_EQ(HandleUserMessage("q2", "Q", 1), 1);
}

TEST_F(Prompt, WithoutTerminalTheAnswerIsNo) {
  Install(QuestionPolicy::kAnswerNo, "y\n");
  EXPECT_EQ(HandleUserMessage("q", "Q", 1), 0);
  EXPECT_NE(Output().find("answered No"), std::string::npos);
  EXPECT_EQ(QuestionsAnsweredNo(), 1);
}

TEST(ChooseQuestionPolicy, YesWinsThenTerminalThenNo) {
  std::FILE *notTerminal = std::fopen("/dev/null", "r");
  ASSERT_NE(notTerminal, nullptr);
  EXPECT_EQ(ChooseQuestionPolicy(true, notTerminal), QuestionPolicy::kAssumeYes);
  EXPECT_EQ(ChooseQuestionPolicy(false, notTerminal), QuestionPolicy::kAnswerNo);
  EXPECT_EQ(ChooseQuestionPolicy(false, nullptr), QuestionPolicy::kAnswerNo);
  std::fclose(notTerminal);
}

}  // namespace
}  // namespace kvnisp
