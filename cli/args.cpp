#include "args.h"

#include <cmath>
#include <cstdlib>

namespace kvnisp {
namespace {

const OptionSpec *FindLong(std::span<const OptionSpec> specs, std::string_view name) {
  for (const OptionSpec &def : specs) {
    if (name == def.longName) return &def;
  }
  return nullptr;
}

const OptionSpec *FindShort(std::span<const OptionSpec> specs, char name) {
  for (const OptionSpec &def : specs) {
    if (def.shortName != 0 && def.shortName == name) return &def;
  }
  return nullptr;
}

void Record(ParsedArgs &args, const OptionSpec &def, std::string value) {
  if (def.takesValue) {
    args.values[def.longName] = std::move(value);
  } else {
    ++args.flags[def.longName];
  }
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsDecDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<uint64_t> ParseDigits(std::string_view digits, int base) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (base == 16 ? !IsHexDigit(c) : !IsDecDigit(c)) return std::nullopt;
    int digit = IsDecDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return value;
}

bool HasHexPrefix(std::string_view text) { return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'); }

}  // namespace

const std::string *ParsedArgs::Value(const std::string &name) const {
  auto it = values.find(name);
  return it == values.end() ? nullptr : &it->second;
}

ParseOutcome ParseArgs(std::span<const OptionSpec> specs, std::span<const std::string> words) {
  ParsedArgs args;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string &word = words[i];
    if (optionsEnded || word == "-" || word.empty() || word[0] != '-') {
      args.positionals.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    if (word.rfind("--", 0) == 0) {
      std::string_view body = std::string_view(word).substr(2);
      size_t equals = body.find('=');
      std::string_view name = body.substr(0, equals);
      const OptionSpec *def = FindLong(specs, name);
      if (def == nullptr) return {std::nullopt, "unknown option '--" + std::string(name) + "'"};
      if (!def->takesValue) {
        if (equals != std::string_view::npos) {
          return {std::nullopt, "option '--" + std::string(name) + "' takes no value"};
        }
        Record(args, *def, {});
        continue;
      }
      if (equals != std::string_view::npos) {
        Record(args, *def, std::string(body.substr(equals + 1)));
      } else if (i + 1 < words.size()) {
        Record(args, *def, words[++i]);
      } else {
        return {std::nullopt, "option '--" + std::string(name) + "' needs a value"};
      }
      continue;
    }
    // One or more short flags: "-q", "-qy".
    for (size_t k = 1; k < word.size(); ++k) {
      const OptionSpec *def = FindShort(specs, word[k]);
      if (def == nullptr) return {std::nullopt, std::string("unknown option '-") + word[k] + "'"};
      if (def->takesValue) {
        if (k + 1 < word.size()) {
          Record(args, *def, word.substr(k + 1));
        } else if (i + 1 < words.size()) {
          Record(args, *def, words[++i]);
        } else {
          return {std::nullopt, std::string("option '-") + word[k] + "' needs a value"};
        }
        break;
      }
      Record(args, *def, {});
    }
  }
  return {std::move(args), {}};
}

bool MentionsJson(std::span<const std::string> words) {
  for (const std::string &word : words) {
    if (word == "--") return false;
    if (word == "--json") return true;
  }
  return false;
}

std::optional<uint32_t> ParseUnsigned(std::string_view text, uint32_t min, uint32_t max) {
  std::optional<uint64_t> value = HasHexPrefix(text) ? ParseDigits(text.substr(2), 16) : ParseDigits(text, 10);
  if (!value || *value < min || *value > max) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::optional<uint16_t> ParseUsbId(std::string_view text) {
  std::optional<uint64_t> value = ParseDigits(HasHexPrefix(text) ? text.substr(2) : text, 16);
  if (!value || *value == 0 || *value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(*value);
}

std::optional<double> ParseSeconds(std::string_view text, double max) {
  size_t dot = text.find('.');
  std::string_view whole = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (dot != std::string_view::npos && fraction.empty()) return std::nullopt;
  if (!whole.empty() && !ParseDigits(whole, 10)) return std::nullopt;
  if (!fraction.empty() && !ParseDigits(fraction, 10)) return std::nullopt;
  double value = std::strtod(std::string(text).c_str(), nullptr);
  if (!std::isfinite(value) || value < 0 || value > max) return std::nullopt;
  return value;
}

}  // namespace kvnisp
