// Where a subcommand's texts go. Results go to standard output; with --json
// standard output holds only the one JSON object and every other text goes to
// standard error; --quiet drops the informational lines. Errors always go to
// standard error as "kvnisp COMMAND: ...".
#pragma once

#include "json_writer.h"

#include <cstdio>
#include <string>

namespace kvnisp {

class CommandOutput {
 public:
  CommandOutput(std::string command, bool json, bool quiet);

  void Error(const std::string &message) const;
  void Info(const std::string &line) const;     // dropped with --quiet
  void Result(const std::string &line) const;   // stdout; dropped with --json
  void Json(const JsonObject &object) const;    // stdout, one line

  // The stream for texts meant for the person watching (progress, info).
  std::FILE *HumanStream() const { return json_ ? stderr : stdout; }
  bool json() const { return json_; }
  bool quiet() const { return quiet_; }
  const std::string &command() const { return command_; }

 private:
  std::string command_;
  bool json_;
  bool quiet_;
};

}  // namespace kvnisp
