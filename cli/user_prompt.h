// kvnisp's handler for the library's user messages (KvnISP_SetMessageHandler).
//
// Notices become "kvnisp: CAPTION: TEXT" on standard error. A question is
// answered Yes with --yes; otherwise, when standard input is a terminal, it
// is asked there ("[y/N]"); otherwise the answer is No. Every answer is
// written on standard error, so a log shows what was decided. The handler
// may run on the library's job thread.
#pragma once

#include <cstdio>

namespace kvnisp {

enum class QuestionPolicy {
  kAssumeYes,     // --yes
  kAskTerminal,   // standard input is a terminal
  kAnswerNo,      // nobody can answer
};

struct PromptStreams {
  std::FILE *input;    // answers are read from here when asking
  std::FILE *output;   // notices, questions and answers go here
};

// Installs the handler with the given policy and streams.
void InstallUserPrompt(QuestionPolicy policy, PromptStreams streams);

// The policy kvnisp uses: --yes, else a terminal on stdin, else No.
QuestionPolicy ChooseQuestionPolicy(bool assumeYes, std::FILE *input);

// How many questions were answered No since the handler was installed.
int QuestionsAnsweredNo();

// The handler itself (what the library calls); exposed for tests.
int HandleUserMessage(const char *text, const char *caption, int askYesNo);

}  // namespace kvnisp
