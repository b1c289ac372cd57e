// A strict little JSON reader for checking kvnisp's --json output.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvnisp::testing {

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;   // in order, keys unique

  const JsonValue *Find(const std::string &key) const;
  bool Has(const std::string &key) const { return Find(key) != nullptr; }
};

// The whole text must be one value with nothing but white space around it;
// duplicate keys and invalid escapes are refused.
std::optional<JsonValue> ParseJson(const std::string &text, std::string *error = nullptr);

}  // namespace kvnisp::testing
