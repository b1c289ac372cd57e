// kvnisp run as a program without any product: help, argument errors, exit
// statuses, image errors and the JSON shape. Runs under umockdev-wrapper, so
// the machine's own hidraw nodes are hidden.
#include "cli_test_support.h"

#include <chrono>

namespace kvnisp::testing {
namespace {

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST(KvnispHelp, MainHelpNamesEveryCommandAndStatus) {
  ProcessResult result = Kvnisp({"--help"});
  EXPECT_EQ(result.exitStatus, 0);
  for (const char *word : {"chips", "checksum", "list", "flash", "Exit status", "1209:0047", "1209:7140", "Tolv-01"}) {
    EXPECT_TRUE(Contains(result.out, word)) << word;
  }
  ProcessResult none = Kvnisp({});
  EXPECT_EQ(none.exitStatus, 2);
  EXPECT_TRUE(Contains(none.err, "Usage: kvnisp COMMAND"));
  EXPECT_TRUE(none.out.empty());
}

TEST(KvnispHelp, EverySubcommandHasItsHelp) {
  for (const char *command : {"chips", "checksum", "list", "flash"}) {
    ProcessResult result = Kvnisp({command, "--help"});
    EXPECT_EQ(result.exitStatus, 0) << command;
    EXPECT_EQ(result.out.rfind(std::string("Usage: kvnisp ") + command, 0), 0u) << result.out;
    ProcessResult shortForm = Kvnisp({command, "-h"});
    EXPECT_EQ(shortForm.out, result.out) << command;
  }
  ProcessResult flash = Kvnisp({"flash", "--help"});
  for (const char *word : {"--chip", "--vid", "--pid", "--mask", "--index", "--security", "--no-reset", "--wait",
                           "--yes", "--quiet", "--json", "60-kvnisp.rules", "boot loader"}) {
    EXPECT_TRUE(Contains(flash.out, word)) << word;
  }
}

TEST(KvnispHelp, Version) {
  ProcessResult result = Kvnisp({"--version"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out.rfind("kvnisp ", 0), 0u);
}

TEST(KvnispUsage, ArgumentErrorsExitWithTwoAndPointToHelp) {
  struct Case {
    std::vector<std::string> args;
    const char *message;
  };
  const Case cases[] = {
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"flash"}, "missing FILE"},
      {{"flash", "--mask", "0", "fw.hex"}, "--mask '0'"},
      {{"flash", "--index", "1", "--mask", "3", "fw.hex"}, "exclude each other"},
      {{"flash", "--vid", "1209", "fw.hex"}, "--vid and --pid go together"},
      {{"flash", "--security", "7", "fw.hex"}, "--security '7'"},
      {{"flash", "--wait", "-3", "fw.hex"}, "--wait '-3'"},
      {{"list", "extra"}, "unexpected argument 'extra'"},
      {{"checksum", "--bogus", "x.hex"}, "unknown option '--bogus'"},
      {{"chips", "--chip", "Tolv-01"}, "unknown option '--chip'"},
  };
  for (const Case &c : cases) {
    ProcessResult result = Kvnisp(c.args);
    EXPECT_EQ(result.exitStatus, 2) << c.args.front() << " " << c.message;
    EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
    EXPECT_TRUE(Contains(result.err, "--help")) << result.err;
    EXPECT_TRUE(result.out.empty()) << result.out;
  }
}

TEST(KvnispUsage, UsageErrorWithJsonIsStillOneObject) {
  ProcessResult result = Kvnisp({"flash", "--json", "--mask", "999", "fw.hex"});
  EXPECT_EQ(result.exitStatus, 2);
  JsonValue object = OneJsonObject(result);
  ASSERT_TRUE(object.Has("status"));
  EXPECT_EQ(object.Find("status")->text, "usage-error");
  EXPECT_EQ(object.Find("exitStatus")->number, 2);
  EXPECT_TRUE(Contains(object.Find("message")->text, "--mask '999'"));
  EXPECT_TRUE(Contains(result.err, "--mask '999'"));
}

TEST(KvnispUsage, UnknownChipIsAUsageError) {
  ScratchDir dir;
  std::string file = dir.Write("fw.hex", HexText(0, {1, 2, 3, 4}));
  for (const char *command : {"checksum", "flash"}) {
    ProcessResult result = Kvnisp({command, "--chip", "Tolv-99", file});
    EXPECT_EQ(result.exitStatus, 2) << command;
    EXPECT_TRUE(Contains(result.err, "unknown chip 'Tolv-99'")) << result.err;
  }
  ProcessResult trailingBlank = Kvnisp({"checksum", "--chip", "Tolv-01 ", file});
  EXPECT_EQ(trailingBlank.exitStatus, 2);
}

TEST(KvnispChecksum, WordSumOfAHexImageForASmallTolvChip) {
  ScratchDir dir;
  std::vector<uint8_t> data = {0x01, 0x02, 0x03, 0x04, 0x10, 0x20};
  std::string file = dir.Write("small.HEX", HexText(0, data));
  // Tolv-05 covers 0x4000 bytes, blank 0xFF.
  char expected[8];
  std::snprintf(expected, sizeof expected, "%04X", WordSum(data, 0x4000, 0xFF));
  ProcessResult result = Kvnisp({"checksum", "--chip", "tolv-05", file});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out.rfind(expected, 0), 0u) << result.out;
  ProcessResult quiet = Kvnisp({"checksum", "-q", "--chip", "Tolv-05", file});
  EXPECT_EQ(quiet.out, std::string(expected) + "\n");
  // Tolv-03 fills with 0x00 and covers 0x10000 bytes: another sum.
  std::snprintf(expected, sizeof expected, "%04X", WordSum(data, 0x10000, 0x00));
  EXPECT_EQ(Kvnisp({"checksum", "-q", "--chip", "Tolv-03", file}).out, std::string(expected) + "\n");
}

TEST(KvnispChecksum, JsonShape) {
  ScratchDir dir;
  std::vector<uint8_t> data(64, 0x5A);
  std::string file = dir.Write("fw.bin", std::string(data.begin(), data.end()));
  ProcessResult result = Kvnisp({"checksum", "--json", file});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("chip")->text, "Tolv-01");
  EXPECT_EQ(object.Find("record")->number, 18);
  EXPECT_EQ(object.Find("checksum")->number, WordSum(data, 0x40000, 0xFF));
  EXPECT_EQ(object.Find("status")->text, "success");
}

TEST(KvnispChecksum, VrelImagesGoThroughTheLibrarysSizeCheck) {
  ScratchDir dir;
  std::string image(0x5100, '\0');
  uint32_t sum = 0;
  for (size_t i = 256; i < image.size(); ++i) {
    image[i] = static_cast<char>(i * 7);
    sum += static_cast<uint8_t>(image[i]);
  }
  std::string good = dir.Write("good.vrel", image);
  char expected[8];
  std::snprintf(expected, sizeof expected, "%04X", sum & 0xFFFF);
  ProcessResult result = Kvnisp({"checksum", "-q", "--chip", "Vrel-27", good});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.out, std::string(expected) + "\n");
  std::string wrongSize = dir.Write("wrong.vrel", image + "x");
  ProcessResult refused = Kvnisp({"checksum", "--chip", "Vrel-27", wrongSize});
  EXPECT_EQ(refused.exitStatus, 3);
  EXPECT_TRUE(Contains(refused.err, "code 6")) << refused.err;
}

TEST(KvnispChecksum, ImageErrorsExitWithThree) {
  ScratchDir dir;
  EXPECT_EQ(Kvnisp({"checksum", dir.path() + "/missing.hex"}).exitStatus, 3);
  EXPECT_EQ(Kvnisp({"checksum", dir.path()}).exitStatus, 3);   // a folder
  std::string wrongEnding = dir.Write("fw.txt", HexText(0, {1, 2}));
  ProcessResult ending = Kvnisp({"checksum", wrongEnding});
  EXPECT_EQ(ending.exitStatus, 3);
  EXPECT_TRUE(Contains(ending.err, "must end in")) << ending.err;
  std::string empty = dir.Write("empty.bin", "");
  EXPECT_EQ(Kvnisp({"checksum", empty}).exitStatus, 3);
  std::string huge = dir.Write("huge.bin", std::string(0x40001, '\x01'));
  ProcessResult tooBig = Kvnisp({"checksum", huge});
  EXPECT_EQ(tooBig.exitStatus, 3);
  EXPECT_TRUE(Contains(tooBig.err, "262144")) << tooBig.err;
}

TEST(KvnispChecksum, BadHexLineIsReportedThroughTheMessageHandler) {
  ScratchDir dir;
  std::string text = HexText(0, {1, 2, 3, 4});
  text[text.find("\r\n") - 1] ^= 1;   // spoil the first record's checksum digit
  std::string file = dir.Write("bad.hex", text);
  ProcessResult result = Kvnisp({"checksum", "--json", file});
  EXPECT_EQ(result.exitStatus, 3);
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("status")->text, "image-error");
  EXPECT_EQ(object.Find("checksum")->type, JsonValue::Type::kNull);
  // The library's own notice arrives on stderr through kvnisp's handler.
  EXPECT_TRUE(Contains(result.err, "kvnisp: ")) << result.err;
  EXPECT_GE(Lines(result.err).size(), 2u) << result.err;
}

TEST(KvnispChips, ListsTheFortyNamesWithTheLibrarysRecords) {
  ProcessResult result = Kvnisp({"chips"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 41u);
  bool sawTolv01 = false;
  for (const std::string &line : lines) {
    if (line.rfind("Tolv-01 ", 0) == 0) {
      sawTolv01 = true;
      EXPECT_TRUE(Contains(line, "    18  HEX/bin, word sum")) << line;
      EXPECT_TRUE(Contains(line, "0x40000")) << line;
    }
  }
  EXPECT_TRUE(sawTolv01);

  ProcessResult json = Kvnisp({"chips", "--json"});
  JsonValue object = OneJsonObject(json);
  const JsonValue *chips = object.Find("chips");
  ASSERT_NE(chips, nullptr);
  ASSERT_EQ(chips->items.size(), 40u);
  for (const JsonValue &chip : chips->items) {
    EXPECT_TRUE(chip.Find("known")->boolean) << chip.Find("name")->text;
    EXPECT_EQ(chip.Find("record")->type, JsonValue::Type::kNumber);
  }
  EXPECT_EQ(chips->items.back().Find("name")->text, "Zenk-01");
  EXPECT_EQ(chips->items.back().Find("record")->number, 19);
  EXPECT_EQ(chips->items.back().Find("frameBytes")->number, 8);
}

TEST(KvnispNoDevice, ListFindsNothingAndSaysWhichIds) {
  ProcessResult result = Kvnisp({"list"});
  EXPECT_EQ(result.exitStatus, 4);
  EXPECT_TRUE(Contains(result.out, "1209:0047 (user firmware): 0 interfaces for Tolv-01 (65-byte feature reports)"))
      << result.out;
  EXPECT_TRUE(Contains(result.out, "1209:7140 (boot loader): 0 interfaces")) << result.out;
  EXPECT_TRUE(Contains(result.err, "no device found with ids 1209:0047 or 1209:7140")) << result.err;
  ProcessResult json = Kvnisp({"list", "--json", "--chip", "Vrel-02", "--vid", "abcd", "--pid", "1"});
  EXPECT_EQ(json.exitStatus, 4);
  JsonValue object = OneJsonObject(json);
  EXPECT_EQ(object.Find("reportBytes")->number, 9);
  EXPECT_TRUE(object.Find("devices")->items.empty());
  EXPECT_EQ(object.Find("status")->text, "no-device");
}

TEST(KvnispNoDevice, FlashExitsWithFourAndReportsCodeSeven) {
  ScratchDir dir;
  std::vector<uint8_t> data = {0xAA, 0x55};
  std::string file = dir.Write("fw.hex", HexText(0, data));
  ProcessResult result = Kvnisp({"flash", "--json", file});
  EXPECT_EQ(result.exitStatus, 4) << result.err;
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("status")->text, "no-device");
  EXPECT_EQ(object.Find("errorCode")->number, 7);
  EXPECT_TRUE(Contains(object.Find("errorMeaning")->text, "no device"));
  EXPECT_EQ(object.Find("checksum")->number, WordSum(data, 0x40000, 0xFF));
  EXPECT_EQ(object.Find("ids")->type, JsonValue::Type::kNull);
  EXPECT_TRUE(Contains(result.err, "no device found")) << result.err;
}

TEST(KvnispNoDevice, WaitGivesUpAfterItsTime) {
  ScratchDir dir;
  std::string file = dir.Write("fw.hex", HexText(0, {1, 2}));
  auto start = std::chrono::steady_clock::now();
  ProcessResult result = Kvnisp({"flash", "--wait", "0.6", "--vid", "1234", "--pid", "5678", file});
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(result.exitStatus, 4) << result.err;
  EXPECT_GE(seconds, 0.6);
  EXPECT_TRUE(Contains(result.err, "no device found with ids 1234:5678 for chip")) << result.err;
  EXPECT_FALSE(Contains(result.err, "1209")) << result.err;
}

TEST(KvnispImage, FlashChecksTheImageBeforeLookingForDevices) {
  ScratchDir dir;
  ProcessResult result = Kvnisp({"flash", "--json", dir.path() + "/none.hex"});
  EXPECT_EQ(result.exitStatus, 3);
  JsonValue object = OneJsonObject(result);
  EXPECT_EQ(object.Find("status")->text, "image-error");
  EXPECT_EQ(object.Find("errorCode")->type, JsonValue::Type::kNull);
  EXPECT_TRUE(Contains(object.Find("message")->text, "cannot read"));
}

}  // namespace
}  // namespace kvnisp::testing
