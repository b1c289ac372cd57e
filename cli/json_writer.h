// A small writer of one flat JSON object (strings, numbers, booleans, null
// and arrays of objects), enough for kvnisp's --json results. Strings are
// escaped for JSON whatever bytes they hold; invalid UTF-8 becomes U+FFFD.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvnisp {

class JsonObject {
 public:
  JsonObject &Add(std::string_view key, std::string_view value);
  JsonObject &Add(std::string_view key, const char *value);
  JsonObject &Add(std::string_view key, int64_t value);
  JsonObject &Add(std::string_view key, int value) { return Add(key, static_cast<int64_t>(value)); }
  JsonObject &Add(std::string_view key, uint32_t value) { return Add(key, static_cast<int64_t>(value)); }
  JsonObject &Add(std::string_view key, bool value);
  JsonObject &AddSeconds(std::string_view key, double seconds);   // three decimals
  JsonObject &AddNull(std::string_view key);
  JsonObject &Add(std::string_view key, const std::vector<JsonObject> &items);

  // Adds the value, or null when there is none.
  template <typename T>
  JsonObject &AddOptional(std::string_view key, const std::optional<T> &value) {
    return value ? Add(key, *value) : AddNull(key);
  }

  std::string Text() const;   // "{...}" without a line end

 private:
  void Key(std::string_view key);
  std::string body_;
};

// The JSON string literal of a text, quotes included.
std::string JsonString(std::string_view text);

}  // namespace kvnisp
