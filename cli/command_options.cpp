#include "command_options.h"

#include "args.h"
#include "kvn_product.h"

#include <array>

namespace kvnisp {
namespace {

constexpr OptionSpec kHelp{"help", 'h', false};
constexpr OptionSpec kJson{"json", 0, false};
constexpr OptionSpec kQuiet{"quiet", 'q', false};
constexpr OptionSpec kChip{"chip", 0, true};
constexpr OptionSpec kVid{"vid", 0, true};
constexpr OptionSpec kPid{"pid", 0, true};

constexpr std::array kChipsSpecs{kHelp, kJson};
constexpr std::array kChecksumSpecs{kHelp, kJson, kQuiet, kChip};
constexpr std::array kListSpecs{kHelp, kJson, kQuiet, kChip, kVid, kPid};
constexpr std::array kFlashSpecs{
    kHelp, kJson, kQuiet, kChip, kVid, kPid,
    OptionSpec{"mask", 0, true},
    OptionSpec{"index", 0, true},
    OptionSpec{"security", 0, true},
    OptionSpec{"no-reset", 0, false},
    OptionSpec{"yes", 'y', false},
    OptionSpec{"wait", 0, true},
};

std::optional<OptionError> ReadCommon(const ParsedArgs &args, bool idsAllowed, CommonOptions &out) {
  out.help = args.Has("help");
  out.json = args.Has("json");
  out.quiet = args.Has("quiet");
  out.chip = KVN_PRODUCT_CHIP_NAME;
  if (const std::string *chip = args.Value("chip")) {
    if (chip->empty()) return OptionError{"--chip needs a chip name (see 'kvnisp chips')"};
    out.chip = *chip;
    out.chipGiven = true;
  }
  if (!idsAllowed) return std::nullopt;
  const std::string *vid = args.Value("vid");
  const std::string *pid = args.Value("pid");
  if ((vid == nullptr) != (pid == nullptr)) return OptionError{"--vid and --pid go together"};
  if (vid != nullptr) {
    out.vendorId = ParseUsbId(*vid);
    if (!out.vendorId) return OptionError{"--vid '" + *vid + "' is not a hexadecimal USB id from 1 to FFFF"};
    out.productId = ParseUsbId(*pid);
    if (!out.productId) return OptionError{"--pid '" + *pid + "' is not a hexadecimal USB id from 1 to FFFF"};
  }
  return std::nullopt;
}

std::optional<OptionError> NoPositionals(const ParsedArgs &args) {
  if (args.positionals.empty()) return std::nullopt;
  return OptionError{"unexpected argument '" + args.positionals.front() + "'"};
}

std::optional<OptionError> OneFile(const ParsedArgs &args, std::string &file) {
  if (args.positionals.empty()) return OptionError{"missing FILE (the firmware image)"};
  if (args.positionals.size() > 1) return OptionError{"only one FILE, got also '" + args.positionals[1] + "'"};
  file = args.positionals.front();
  return std::nullopt;
}

template <typename T, typename Specs, typename Fill>
OptionsOrError<T> ParseWith(const Specs &specs, std::span<const std::string> words, Fill fill) {
  ParseOutcome outcome = ParseArgs(specs, words);
  if (!outcome.args) return OptionError{outcome.error};
  T options;
  if (std::optional<OptionError> error = fill(*outcome.args, options)) return *error;
  return options;
}

}  // namespace

OptionsOrError<ChipsOptions> ParseChipsOptions(std::span<const std::string> words) {
  return ParseWith<ChipsOptions>(kChipsSpecs, words, [](const ParsedArgs &args, ChipsOptions &out) -> std::optional<OptionError> {
    out.help = args.Has("help");
    out.json = args.Has("json");
    if (out.help) return std::nullopt;
    return NoPositionals(args);
  });
}

OptionsOrError<ChecksumOptions> ParseChecksumOptions(std::span<const std::string> words) {
  return ParseWith<ChecksumOptions>(kChecksumSpecs, words, [](const ParsedArgs &args, ChecksumOptions &out) -> std::optional<OptionError> {
    if (auto error = ReadCommon(args, false, out.common)) return error;
    if (out.common.help) return std::nullopt;
    return OneFile(args, out.file);
  });
}

OptionsOrError<ListOptions> ParseListOptions(std::span<const std::string> words) {
  return ParseWith<ListOptions>(kListSpecs, words, [](const ParsedArgs &args, ListOptions &out) -> std::optional<OptionError> {
    if (auto error = ReadCommon(args, true, out.common)) return error;
    if (out.common.help) return std::nullopt;
    return NoPositionals(args);
  });
}

OptionsOrError<FlashOptions> ParseFlashOptions(std::span<const std::string> words) {
  return ParseWith<FlashOptions>(kFlashSpecs, words, [](const ParsedArgs &args, FlashOptions &out) -> std::optional<OptionError> {
    if (auto error = ReadCommon(args, true, out.common)) return error;
    if (out.common.help) return std::nullopt;
    out.noReset = args.Has("no-reset");
    out.yes = args.Has("yes");
    const std::string *mask = args.Value("mask");
    const std::string *index = args.Value("index");
    if (mask != nullptr && index != nullptr) return OptionError{"--mask and --index exclude each other"};
    if (mask != nullptr) {
      out.mask = ParseUnsigned(*mask, 1, 255);
      if (!out.mask) return OptionError{"--mask '" + *mask + "' is not a device mask from 1 to 255 (0xFF)"};
    }
    if (index != nullptr) {
      out.index = ParseUnsigned(*index, 0, 7);
      if (!out.index) return OptionError{"--index '" + *index + "' is not a device number from 0 to 7"};
    }
    if (const std::string *security = args.Value("security")) {
      out.security = ParseUnsigned(*security, 0, 3);
      if (!out.security) return OptionError{"--security '" + *security + "' is not a level from 0 to 3"};
    }
    if (const std::string *wait = args.Value("wait")) {
      out.waitSeconds = ParseSeconds(*wait, kMaxWaitSeconds);
      if (!out.waitSeconds) return OptionError{"--wait '" + *wait + "' is not a number of seconds from 0 to 86400"};
    }
    return OneFile(args, out.file);
  });
}

}  // namespace kvnisp
