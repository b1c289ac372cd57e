// The typed options of each subcommand, converted from the split command line
// with every value checked against its range.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace kvnisp {

// Options every device or image subcommand shares.
struct CommonOptions {
  std::string chip;              // defaults to the product's chip
  bool chipGiven = false;
  std::optional<uint16_t> vendorId;   // both set, or neither
  std::optional<uint16_t> productId;
  bool json = false;
  bool quiet = false;
  bool help = false;
};

struct ChipsOptions {
  bool json = false;
  bool help = false;
};

struct ChecksumOptions {
  CommonOptions common;
  std::string file;
};

struct ListOptions {
  CommonOptions common;
};

struct FlashOptions {
  CommonOptions common;
  std::optional<uint32_t> mask;     // 1-255
  std::optional<uint32_t> index;    // 0-7
  std::optional<uint32_t> security; // 0-3
  bool noReset = false;
  bool yes = false;
  std::optional<double> waitSeconds;
  std::string file;
};

struct OptionError {
  std::string message;
};

template <typename T>
using OptionsOrError = std::variant<T, OptionError>;

OptionsOrError<ChipsOptions> ParseChipsOptions(std::span<const std::string> words);
OptionsOrError<ChecksumOptions> ParseChecksumOptions(std::span<const std::string> words);
OptionsOrError<ListOptions> ParseListOptions(std::span<const std::string> words);
OptionsOrError<FlashOptions> ParseFlashOptions(std::span<const std::string> words);

// The longest --wait accepted, in seconds.
inline constexpr double kMaxWaitSeconds = 86400.0;

}  // namespace kvnisp
