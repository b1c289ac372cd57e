// Command-line splitting shared by every subcommand: long options with or
// without a value ("--chip NAME", "--chip=NAME"), a few short flags, "--"
// ending the options, and the positional arguments. What the options mean is
// decided by command_options.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvnisp {

struct OptionSpec {
  const char *longName;   // without the leading "--"
  char shortName;         // 0 when the option has no short form
  bool takesValue;
};

struct ParsedArgs {
  std::map<std::string, std::string> values;   // options with a value; a repeat replaces
  std::map<std::string, int> flags;            // flag name -> how often it was given
  std::vector<std::string> positionals;

  bool Has(const std::string &name) const { return values.count(name) != 0 || flags.count(name) != 0; }
  const std::string *Value(const std::string &name) const;
};

struct ParseOutcome {
  std::optional<ParsedArgs> args;
  std::string error;   // set when args is empty
};

ParseOutcome ParseArgs(std::span<const OptionSpec> specs, std::span<const std::string> words);

// True when "--json" appears before any "--"; used to answer in JSON even
// when the rest of the line cannot be parsed.
bool MentionsJson(std::span<const std::string> words);

// Unsigned numbers: decimal, or hexadecimal with "0x". Empty, signed, junk
// after the digits and values outside [min, max] are refused.
std::optional<uint32_t> ParseUnsigned(std::string_view text, uint32_t min, uint32_t max);

// USB ids are hexadecimal, as lsusb shows them; "0x" is optional. 1-FFFF.
std::optional<uint16_t> ParseUsbId(std::string_view text);

// A time in seconds, decimal with an optional fraction, within [0, max].
std::optional<double> ParseSeconds(std::string_view text, double max);

}  // namespace kvnisp
