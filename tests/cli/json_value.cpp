#include "json_value.h"

#include <cmath>
#include <cstdlib>

namespace kvnisp::testing {
namespace {

class Reader {
 public:
  explicit Reader(const std::string &text) : text_(text) {}

  bool Document(JsonValue &value) {
    Space();
    if (!Value(value, 0)) return false;
    Space();
    return Fail(pos_ == text_.size() ? "" : "text after the value");
  }

  std::string error;

 private:
  bool Fail(const char *why) {
    if (*why == '\0') return true;
    if (error.empty()) error = std::string(why) + " at " + std::to_string(pos_);
    return false;
  }
  void Space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t')) ++pos_;
  }
  bool Literal(const char *word) {
    std::string w = word;
    if (text_.compare(pos_, w.size(), w) != 0) return Fail("bad literal");
    pos_ += w.size();
    return true;
  }
  bool Value(JsonValue &value, int depth) {
    if (depth > 32) return Fail("too deep");
    if (pos_ >= text_.size()) return Fail("end of text");
    char c = text_[pos_];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value.type = JsonValue::Type::kString;
      return String(value.text);
    }
    if (c == 't' || c == 'f') {
      value.type = JsonValue::Type::kBool;
      value.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      value.type = JsonValue::Type::kNull;
      return Literal("null");
    }
    return Number(value);
  }
  bool Number(JsonValue &value) {
    size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    size_t digits = pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ == digits) return Fail("bad number");
    if (text_[digits] == '0' && pos_ - digits > 1) return Fail("leading zero");
    if (pos_ < text_.size() && text_[pos_] == '.') {
      size_t fraction = ++pos_;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (pos_ == fraction) return Fail("bad fraction");
    }
    value.type = JsonValue::Type::kNumber;
    value.number = std::strtod(text_.substr(start, pos_ - start).c_str(), nullptr);
    return true;
  }
  bool String(std::string &out) {
    ++pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) break;
      char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          if (pos_ + 4 > text_.size()) return Fail("short \\u");
          for (int k = 0; k < 4; ++k) {
            if (!std::isxdigit(static_cast<unsigned char>(text_[pos_ + static_cast<size_t>(k)]))) return Fail("bad \\u");
          }
          unsigned code = static_cast<unsigned>(std::strtoul(text_.substr(pos_, 4).c_str(), nullptr, 16));
          pos_ += 4;
          if (code < 0x80) {
            out += static_cast<char>(code);
          } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
          } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
          }
          break;
        }
        default: return Fail("bad escape");
      }
    }
    return Fail("unterminated string");
  }
  bool Array(JsonValue &value, int depth) {
    value.type = JsonValue::Type::kArray;
    ++pos_;
    Space();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      JsonValue item;
      Space();
      if (!Value(item, depth + 1)) return false;
      value.items.push_back(std::move(item));
      Space();
      if (pos_ >= text_.size()) return Fail("unterminated array");
      if (text_[pos_] == ',') { ++pos_; continue; }
      if (text_[pos_] == ']') { ++pos_; return true; }
      return Fail("expected , or ]");
    }
  }
  bool Object(JsonValue &value, int depth) {
    value.type = JsonValue::Type::kObject;
    ++pos_;
    Space();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      Space();
      if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected key");
      std::string key;
      if (!String(key)) return false;
      if (value.Find(key) != nullptr) return Fail("duplicate key");
      Space();
      if (pos_ >= text_.size() || text_[pos_] != ':') return Fail("expected :");
      ++pos_;
      Space();
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      value.members.emplace_back(std::move(key), std::move(member));
      Space();
      if (pos_ >= text_.size()) return Fail("unterminated object");
      if (text_[pos_] == ',') { ++pos_; continue; }
      if (text_[pos_] == '}') { ++pos_; return true; }
      return Fail("expected , or }");
    }
  }

  const std::string &text_;
  size_t pos_ = 0;
};

}  // namespace

const JsonValue *JsonValue::Find(const std::string &key) const {
  for (const auto &[name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

std::optional<JsonValue> ParseJson(const std::string &text, std::string *error) {
  Reader reader(text);
  JsonValue value;
  if (!reader.Document(value)) {
    if (error != nullptr) *error = reader.error;
    return std::nullopt;
  }
  return value;
}

}  // namespace kvnisp::testing
