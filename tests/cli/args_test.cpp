#include "args.h"
#include "command_options.h"

#include <gtest/gtest.h>

#include <array>

namespace kvnisp {
namespace {

constexpr std::array kSpecs{
    OptionSpec{"chip", 0, true},
    OptionSpec{"quiet", 'q', false},
    OptionSpec{"yes", 'y', false},
    OptionSpec{"wait", 'w', true},
};

ParseOutcome Parse(std::vector<std::string> words) { return ParseArgs(kSpecs, words); }

TEST(ParseArgs, ValuesFlagsAndPositionals) {
  ParseOutcome outcome = Parse({"--chip", "Tolv-05", "file.hex", "--wait=3", "-qy"});
  ASSERT_TRUE(outcome.args) << outcome.error;
  EXPECT_EQ(*outcome.args->Value("chip"), "Tolv-05");
  EXPECT_EQ(*outcome.args->Value("wait"), "3");
  EXPECT_TRUE(outcome.args->Has("quiet"));
  EXPECT_TRUE(outcome.args->Has("yes"));
  EXPECT_EQ(outcome.args->positionals, std::vector<std::string>{"file.hex"});
}

TEST(ParseArgs, DoubleDashEndsOptionsAndEmptyValueIsKept) {
  ParseOutcome outcome = Parse({"--chip=", "--", "--quiet", "-"});
  ASSERT_TRUE(outcome.args) << outcome.error;
  EXPECT_EQ(*outcome.args->Value("chip"), "");
  EXPECT_FALSE(outcome.args->Has("quiet"));
  EXPECT_EQ(outcome.args->positionals, (std::vector<std::string>{"--quiet", "-"}));
}

TEST(ParseArgs, ShortOptionWithValueAttachedOrSeparate) {
  ParseOutcome attached = Parse({"-w5"});
  ASSERT_TRUE(attached.args);
  EXPECT_EQ(*attached.args->Value("wait"), "5");
  ParseOutcome separate = Parse({"-qw", "7"});
  ASSERT_TRUE(separate.args);
  EXPECT_EQ(*separate.args->Value("wait"), "7");
  EXPECT_TRUE(separate.args->Has("quiet"));
}

TEST(ParseArgs, Refusals) {
  EXPECT_EQ(Parse({"--bogus"}).error, "unknown option '--bogus'");
  EXPECT_EQ(Parse({"-x"}).error, "unknown option '-x'");
  EXPECT_EQ(Parse({"--chip"}).error, "option '--chip' needs a value");
  EXPECT_EQ(Parse({"-w"}).error, "option '-w' needs a value");
  EXPECT_EQ(Parse({"--quiet=1"}).error, "option '--quiet' takes no value");
}

TEST(ParseArgs, MentionsJsonStopsAtDoubleDash) {
  EXPECT_TRUE(MentionsJson(std::vector<std::string>{"--bogus", "--json"}));
  EXPECT_FALSE(MentionsJson(std::vector<std::string>{"--", "--json"}));
  EXPECT_FALSE(MentionsJson(std::vector<std::string>{"--jsonx"}));
}

TEST(ParseNumbers, UnsignedDecimalAndHexWithinRange) {
  EXPECT_EQ(ParseUnsigned("255", 1, 255), 255u);
  EXPECT_EQ(ParseUnsigned("0xff", 1, 255), 255u);
  EXPECT_EQ(ParseUnsigned("0X0F", 1, 255), 15u);
  EXPECT_FALSE(ParseUnsigned("256", 1, 255));
  EXPECT_FALSE(ParseUnsigned("0", 1, 255));
  EXPECT_FALSE(ParseUnsigned("-1", 0, 255));
  EXPECT_FALSE(ParseUnsigned("+1", 0, 255));
  EXPECT_FALSE(ParseUnsigned("12abc", 0, 255));
  EXPECT_FALSE(ParseUnsigned("0x", 0, 255));
  EXPECT_FALSE(ParseUnsigned("", 0, 255));
  EXPECT_FALSE(ParseUnsigned("99999999999999999999", 0, 0xFFFFFFFFu));
}

TEST(ParseNumbers, UsbIdsAreHexadecimal) {
  EXPECT_EQ(ParseUsbId("1209"), 0x1209);
  EXPECT_EQ(ParseUsbId("0x7140"), 0x7140);
  EXPECT_EQ(ParseUsbId("ffff"), 0xFFFF);
  EXPECT_FALSE(ParseUsbId("0"));
  EXPECT_FALSE(ParseUsbId("10000"));
  EXPECT_FALSE(ParseUsbId("12g4"));
}

TEST(ParseNumbers, Seconds) {
  EXPECT_EQ(ParseSeconds("10", 100), 10.0);
  EXPECT_EQ(ParseSeconds("0.5", 100), 0.5);
  EXPECT_EQ(ParseSeconds(".5", 100), 0.5);
  EXPECT_FALSE(ParseSeconds("5.", 100));
  EXPECT_FALSE(ParseSeconds("-1", 100));
  EXPECT_FALSE(ParseSeconds("1e3", 10000));
  EXPECT_FALSE(ParseSeconds("101", 100));
  EXPECT_FALSE(ParseSeconds("nan", 100));
  EXPECT_FALSE(ParseSeconds("", 100));
}

template <typename T>
std::string ErrorOf(const OptionsOrError<T> &parsed) {
  const OptionError *error = std::get_if<OptionError>(&parsed);
  return error == nullptr ? std::string() : error->message;
}

TEST(FlashOptions, DefaultsAreTheProducts) {
  auto parsed = ParseFlashOptions(std::vector<std::string>{"fw.hex"});
  ASSERT_TRUE(std::holds_alternative<FlashOptions>(parsed)) << ErrorOf(parsed);
  const FlashOptions &options = std::get<FlashOptions>(parsed);
  EXPECT_EQ(options.common.chip, "Tolv-01");
  EXPECT_FALSE(options.common.chipGiven);
  EXPECT_FALSE(options.common.vendorId);
  EXPECT_FALSE(options.mask);
  EXPECT_FALSE(options.index);
  EXPECT_FALSE(options.noReset);
  EXPECT_EQ(options.file, "fw.hex");
}

TEST(FlashOptions, AllOptionsParsed) {
  auto parsed = ParseFlashOptions(std::vector<std::string>{"--chip", "Tolv-05", "--vid", "1209", "--pid", "0x7140",
                                                          "--mask", "0x05", "--security", "3", "--no-reset", "--wait",
                                                          "2.5", "-y", "--json", "-q", "fw.bin"});
  ASSERT_TRUE(std::holds_alternative<FlashOptions>(parsed)) << ErrorOf(parsed);
  const FlashOptions &options = std::get<FlashOptions>(parsed);
  EXPECT_EQ(options.common.chip, "Tolv-05");
  EXPECT_EQ(options.common.vendorId, 0x1209);
  EXPECT_EQ(options.common.productId, 0x7140);
  EXPECT_EQ(options.mask, 5u);
  EXPECT_EQ(options.security, 3u);
  EXPECT_TRUE(options.noReset);
  EXPECT_EQ(options.waitSeconds, 2.5);
  EXPECT_TRUE(options.yes);
  EXPECT_TRUE(options.common.json);
  EXPECT_TRUE(options.common.quiet);
}

TEST(FlashOptions, Refusals) {
  using W = std::vector<std::string>;
  EXPECT_EQ(ErrorOf(ParseFlashOptions(W{})), "missing FILE (the firmware image)");
  EXPECT_EQ(ErrorOf(ParseFlashOptions(W{"a.hex", "b.hex"})), "only one FILE, got also 'b.hex'");
  EXPECT_EQ(ErrorOf(ParseFlashOptions(W{"--vid", "1209", "a.hex"})), "--vid and --pid go together");
  EXPECT_EQ(ErrorOf(ParseFlashOptions(W{"--mask", "1", "--index", "0", "a.hex"})), "--mask and --index exclude each other");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--mask", "0", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--mask", "256", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--index", "8", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--security", "4", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--wait", "soon", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--vid", "0", "--pid", "1", "a.hex"})), "");
  EXPECT_NE(ErrorOf(ParseFlashOptions(W{"--chip=", "a.hex"})), "");
}

TEST(FlashOptions, HelpNeedsNoFile) {
  auto parsed = ParseFlashOptions(std::vector<std::string>{"--help"});
  ASSERT_TRUE(std::holds_alternative<FlashOptions>(parsed));
  EXPECT_TRUE(std::get<FlashOptions>(parsed).common.help);
}

TEST(OtherOptions, ListTakesNoFileAndChecksumNoIds) {
  using W = std::vector<std::string>;
  EXPECT_EQ(ErrorOf(ParseListOptions(W{"extra"})), "unexpected argument 'extra'");
  EXPECT_EQ(ErrorOf(ParseChecksumOptions(W{"--vid", "1", "--pid", "2", "a.hex"})), "unknown option '--vid'");
  EXPECT_EQ(ErrorOf(ParseChipsOptions(W{"x"})), "unexpected argument 'x'");
  auto list = ParseListOptions(W{"--vid", "abcd", "--pid", "1"});
  ASSERT_TRUE(std::holds_alternative<ListOptions>(list));
  EXPECT_EQ(std::get<ListOptions>(list).common.vendorId, 0xABCD);
}

}  // namespace
}  // namespace kvnisp
