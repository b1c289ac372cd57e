// kvnisp: command-line host of the ISP library.
#include "commands.h"
#include "exit_status.h"
#include "help_texts.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef KVNISP_VERSION
#define KVNISP_VERSION "0"
#endif

namespace {

struct Subcommand {
  const char *name;
  int (*run)(std::span<const std::string>);
};

constexpr Subcommand kSubcommands[] = {
    {"chips", &kvnisp::RunChips},
    {"checksum", &kvnisp::RunChecksum},
    {"list", &kvnisp::RunList},
    {"flash", &kvnisp::RunFlash},
};

int Dispatch(const std::vector<std::string> &words) {
  if (words.empty()) {
    std::fputs(kvnisp::MainHelp().c_str(), stderr);
    return kvnisp::kExitUsage;
  }
  const std::string &first = words.front();
  if (first == "-h" || first == "--help" || first == "help") {
    std::fputs(kvnisp::MainHelp().c_str(), stdout);
    return kvnisp::kExitSuccess;
  }
  if (first == "--version") {
    std::printf("kvnisp %s\n", KVNISP_VERSION);
    return kvnisp::kExitSuccess;
  }
  for (const Subcommand &sub : kSubcommands) {
    if (first == sub.name) return sub.run(std::span(words).subspan(1));
  }
  std::fprintf(stderr, "kvnisp: unknown command '%s'\n%s\n", first.c_str(), kvnisp::TryHelpLine("").c_str());
  return kvnisp::kExitUsage;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  int status = Dispatch(words);
  std::fflush(nullptr);
  // After an interruption the library's job thread may still be running; do
  // not tear down the library's state under it.
  if (status == kvnisp::kExitInterrupted) _exit(status);
  return status;
}
