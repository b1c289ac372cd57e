// Shared helpers of the tests that run kvnisp as a program.
#pragma once

#include "json_value.h"
#include "run_process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvnisp::testing {

inline std::string KvnispPath() { return KVNISP_PROGRAM; }

// kvnisp inside an empty umockdev testbed, so the machine's own hidraw
// nodes are never seen.
inline ProcessResult Kvnisp(std::vector<std::string> args, const std::string *input = nullptr) {
  args.insert(args.begin(), KvnispPath());
  args.insert(args.begin(), UMOCKDEV_WRAPPER_PROGRAM);
  return RunProcess(args, {}, input);
}

// Standard output must be exactly one JSON object (and a line end).
inline JsonValue OneJsonObject(const ProcessResult &result) {
  std::string error;
  std::optional<JsonValue> value = ParseJson(result.out, &error);
  EXPECT_TRUE(value) << error << "\nstdout: " << result.out << "\nstderr: " << result.err;
  if (!value) return {};
  EXPECT_EQ(value->type, JsonValue::Type::kObject);
  EXPECT_EQ(Lines(result.out).size(), 1u) << result.out;
  return *value;
}

// A scratch folder removed with the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Write(const std::string &name, const std::string &bytes) const;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

// Intel HEX text with one data record per 16 bytes from `address`, plus the
// end record; extended linear address records where needed.
std::string HexText(uint32_t address, const std::vector<uint8_t> &data);

// The word sum a Tolv chip's checksum gives for `data` at 0 in a buffer of
// `flashBytes` bytes filled with `blank`.
uint16_t WordSum(const std::vector<uint8_t> &data, uint32_t flashBytes, uint8_t blank);

}  // namespace kvnisp::testing
