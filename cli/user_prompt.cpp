#include "user_prompt.h"

#include "console.h"
#include "kvn_isp.h"

#include <atomic>
#include <cctype>
#include <cstring>

namespace kvnisp {
namespace {

std::atomic<QuestionPolicy> policyInUse{QuestionPolicy::kAnswerNo};
std::atomic<std::FILE *> inputInUse{nullptr};
std::atomic<std::FILE *> outputInUse{nullptr};
std::atomic<int> answeredNo{0};

const char *OrEmpty(const char *text) { return text == nullptr ? "" : text; }

void WriteMessage(std::FILE *out, const char *text, const char *caption) {
  if (*OrEmpty(caption) != '\0') {
    std::fprintf(out, "kvnisp: %s: %s\n", caption, OrEmpty(text));
  } else {
    std::fprintf(out, "kvnisp: %s\n", OrEmpty(text));
  }
}

// Reads one answer line; true for y/yes in any letter case. End of input
// or anything else is No.
bool ReadYes(std::FILE *in) {
  char line[64];
  if (std::fgets(line, sizeof line, in) == nullptr) return false;
  if (std::strchr(line, '\n') == nullptr) {
    // Drop the rest of an over-long line so it is not read as a later answer.
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
    }
  }
  char *word = line;
  while (std::isspace(static_cast<unsigned char>(*word))) ++word;
  size_t length = std::strcspn(word, " \t\r\n");
  word[length] = '\0';
  for (char *p = word; *p != '\0'; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return std::strcmp(word, "y") == 0 || std::strcmp(word, "yes") == 0;
}

bool Answer(std::FILE *out) {
  switch (policyInUse.load()) {
    case QuestionPolicy::kAssumeYes:
      std::fputs("kvnisp: answered Yes (--yes)\n", out);
      return true;
    case QuestionPolicy::kAskTerminal: {
      std::FILE *in = inputInUse.load();
      std::fputs("Answer yes or no [y/N]: ", out);
      std::fflush(out);
      bool yes = in != nullptr && ReadYes(in);
      std::fprintf(out, "kvnisp: answered %s\n", yes ? "Yes" : "No");
      return yes;
    }
    case QuestionPolicy::kAnswerNo:
      break;
  }
  std::fputs("kvnisp: answered No (no terminal to ask; --yes answers Yes)\n", out);
  return false;
}

}  // namespace

int HandleUserMessage(const char *text, const char *caption, int askYesNo) {
  std::FILE *out = outputInUse.load();
  if (out == nullptr) out = stderr;
  std::lock_guard lock(console::Mutex());
  console::CloseOpenLine();
  WriteMessage(out, text, caption);
  int result = 0;
  if (askYesNo != 0) {
    result = Answer(out) ? 1 : 0;
    if (result == 0) answeredNo.fetch_add(1);
  }
  std::fflush(out);
  return result;
}

void InstallUserPrompt(QuestionPolicy policy, PromptStreams streams) {
  policyInUse.store(policy);
  inputInUse.store(streams.input);
  outputInUse.store(streams.output);
  answeredNo.store(0);
  KvnISP_SetMessageHandler(&HandleUserMessage);
}

QuestionPolicy ChooseQuestionPolicy(bool assumeYes, std::FILE *input) {
  if (assumeYes) return QuestionPolicy::kAssumeYes;
  if (console::IsTerminal(input)) return QuestionPolicy::kAskTerminal;
  return QuestionPolicy::kAnswerNo;
}

int QuestionsAnsweredNo() { return answeredNo.load(); }

}  // namespace kvnisp
