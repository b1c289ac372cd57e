// Runs a program as a child with captured standard output and error.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kvnisp::testing {

struct ProcessResult {
  int exitStatus = -1;   // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// argv[0] is the program path. Standard input is /dev/null unless `input`
// is given. `environment` entries are added to (or replace) the parent's.
ProcessResult RunProcess(const std::vector<std::string> &argv, const std::map<std::string, std::string> &environment = {},
                         const std::string *input = nullptr);

// Splits text into lines without their line ends.
std::vector<std::string> Lines(const std::string &text);

}  // namespace kvnisp::testing
