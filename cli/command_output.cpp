#include "command_output.h"

#include "console.h"

namespace kvnisp {

CommandOutput::CommandOutput(std::string command, bool json, bool quiet)
    : command_(std::move(command)), json_(json), quiet_(quiet) {}

void CommandOutput::Error(const std::string &message) const {
  std::lock_guard lock(console::Mutex());
  console::CloseOpenLine();
  std::fflush(stdout);
  std::fprintf(stderr, "kvnisp %s: %s\n", command_.c_str(), message.c_str());
  std::fflush(stderr);
}

void CommandOutput::Info(const std::string &line) const {
  if (quiet_) return;
  std::lock_guard lock(console::Mutex());
  console::CloseOpenLine();
  std::FILE *stream = HumanStream();
  std::fprintf(stream, "%s\n", line.c_str());
  std::fflush(stream);
}

void CommandOutput::Result(const std::string &line) const {
  if (json_) return;
  std::lock_guard lock(console::Mutex());
  console::CloseOpenLine();
  std::fprintf(stdout, "%s\n", line.c_str());
  std::fflush(stdout);
}

void CommandOutput::Json(const JsonObject &object) const {
  std::lock_guard lock(console::Mutex());
  std::fprintf(stdout, "%s\n", object.Text().c_str());
  std::fflush(stdout);
}

}  // namespace kvnisp
