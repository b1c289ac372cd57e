// The emulated Tolv boot loader on its own, bytes in and bytes out: the
// library's tests rely on it answering from its own flash, so its checks
// must hold before any job is run against it.
#include "tolv_bootloader.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "product_model.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "kvn_product.h"

namespace kvn::sim {
namespace {

using Clock = TolvBootloader::Clock;
using Frame = std::vector<uint8_t>;

constexpr std::array<uint8_t, 8> kEntry = KVN_BOOT_ENTRY_FRAME_INIT;

Frame Long(uint8_t code, std::initializer_list<std::pair<std::size_t, uint8_t>> bytes = {}) {
  Frame frame(64, 0);
  frame[0] = code;
  frame[1] = 0xAA;
  frame[2] = 0x55;
  for (const auto &[at, value] : bytes) frame[at] = value;
  return frame;
}

Frame EntryReport() {
  Frame frame(64, 0);
  std::copy(kEntry.begin(), kEntry.end(), frame.begin());
  return frame;
}

TolvConfig ConfigFor(const char *chip) {
  TolvConfig config;
  config.chip = FindTolvChip(chip);
  config.entryFrame = kEntry;
  return config;
}

struct Device {
  explicit Device(TolvConfig config) : loader(std::move(config)) {}
  int Set(const Frame &frame, Clock::time_point at = Clock::now()) {
    return loader.OnSetFeature(frame.data(), frame.size(), at);
  }
  Frame Get(int *err = nullptr, Clock::time_point at = Clock::now()) {
    Frame answer(64, 0xEE);
    const int result = loader.OnGetFeature(answer.data(), answer.size(), at);
    if (err != nullptr) *err = result;
    return answer;
  }
  uint16_t StatusSum(Clock::time_point at = Clock::now()) {
    const Frame answer = Get(nullptr, at);
    return static_cast<uint16_t>(answer[8] | answer[9] << 8);
  }
  TolvBootloader loader;
};

TEST(TolvBootloader, UserFirmwareIgnoresCommandsUntilTheEntryFrame) {
  Device device(ConfigFor("Tolv-05"));
  EXPECT_FALSE(device.loader.InBootLoader());
  EXPECT_EQ(device.Set(Long(0x01)), 0);
  EXPECT_EQ(device.Get()[0], 0) << "user firmware must not answer boot loader commands";
  Frame almost = EntryReport();
  almost[7] ^= 1;
  device.Set(almost);
  EXPECT_FALSE(device.loader.InBootLoader());
  device.Set(EntryReport());
  EXPECT_TRUE(device.loader.InBootLoader());
}

TEST(TolvBootloader, VersionAnswerCarriesVersionAndCodeOption) {
  TolvConfig config = ConfigFor("Tolv-07");
  config.startInBootLoader = true;
  config.codeOption = {0x34, 0x12, 0xAA, 0x55};
  Device device(config);
  device.Set(Long(0x01));
  const Frame answer = device.Get();
  EXPECT_EQ(Frame(answer.begin(), answer.begin() + 16),
            (Frame{0x01, 0xAA, 0x55, 0x00, 0xFA, 0xFA, 0xFA, 0xFA, 0x20, 0x01, 0x00, 0x03, 0x34,
                   0x12, 0xAA, 0x55}));
  EXPECT_EQ(answer[16], 0);
}

TEST(TolvBootloader, EraseThenProgramLeavesExactlyTheDataAndItsSum) {
  TolvConfig config = ConfigFor("Tolv-01");
  config.startInBootLoader = true;
  Device device(config);
  EXPECT_NE(device.loader.FlashChecksum(), 0x0000) << "power-on flash should not look erased";
  device.Set(Long(0x04, {{8, 0x00}, {9, 0x01}}));  // 0x100 sectors from 0
  EXPECT_EQ(device.StatusSum(), 0x0000);

  device.Set(Long(0x05, {{8, 0x02}}));  // two data reports
  EXPECT_EQ(device.Get()[7], 0xFA);
  Frame block0(64), block1(64);
  for (int i = 0; i < 64; ++i) {
    block0[i] = static_cast<uint8_t>(i);
    block1[i] = static_cast<uint8_t>(0x80 + i);
  }
  block1[0] = 0x01;
  block1[1] = 0xAA;  // looks like a command: must still be taken as data
  block1[2] = 0x55;
  device.Set(block0);
  device.Set(block1);
  const std::vector<uint8_t> flash = device.loader.Flash();
  EXPECT_TRUE(std::equal(block0.begin(), block0.end(), flash.begin()));
  EXPECT_TRUE(std::equal(block1.begin(), block1.end(), flash.begin() + 64));
  EXPECT_EQ(flash[128], 0xFF);
  EXPECT_EQ(device.StatusSum(), TolvBootloader::WordSum(flash));

  // The third report is a command again.
  device.Set(Long(0x07));
  EXPECT_FALSE(device.loader.InBootLoader());
}

TEST(TolvBootloader, ProgramWithoutEraseCannotSetBits) {
  TolvConfig config = ConfigFor("Tolv-05");
  config.startInBootLoader = true;
  Device device(config);
  const std::vector<uint8_t> before = device.loader.Flash();
  device.Set(Long(0x05, {{8, 0x01}}));
  device.Set(Frame(64, 0xFF));
  EXPECT_EQ(device.loader.Flash(), before);
}

TEST(TolvBootloader, EraseTakesTheChipsTimeAndEnableProgramIsBusyMeanwhile) {
  TolvConfig config = ConfigFor("Tolv-07");
  config.startInBootLoader = true;
  Device device(config);
  const Clock::time_point t0 = Clock::now();
  device.Set(Long(0x04, {{8, 0x40}}), t0);
  const uint16_t early = device.StatusSum(t0 + std::chrono::milliseconds(1999));
  EXPECT_NE(early, 0x8000);
  device.Set(Long(0x05, {{8, 0x01}, {9, 0x04}}), t0 + std::chrono::milliseconds(1999));
  EXPECT_EQ(device.Get(nullptr, t0 + std::chrono::milliseconds(1999))[4], 0xF0);
  EXPECT_EQ(device.StatusSum(t0 + std::chrono::milliseconds(2000)), 0x8000);
}

TEST(TolvBootloader, EraseCountsSectorsAndIsClippedToTheFlash) {
  TolvConfig config = ConfigFor("Tolv-05");  // 16 sectors of 1 KiB
  config.startInBootLoader = true;
  config.eraseMs = 0;
  Device device(config);
  device.Set(Long(0x04, {{4, 0x01}, {8, 0x01}}));  // sector 1 only
  std::vector<uint8_t> flash = device.loader.Flash();
  EXPECT_NE(flash[0x3FF], 0xFF);
  EXPECT_EQ(flash[0x400], 0xFF);
  EXPECT_EQ(flash[0x7FF], 0xFF);
  EXPECT_NE(flash[0x800], 0xFF);
  device.Set(Long(0x04, {{4, 0x0F}, {8, 0xFF}, {9, 0xFF}}));
  flash = device.loader.Flash();
  EXPECT_EQ(flash.size(), 0x4000u);
  EXPECT_EQ(flash[0x3FFF], 0xFF);
}

TEST(TolvBootloader, EnableProgramRefusesMoreReportsThanTheFlashHolds) {
  TolvConfig config = ConfigFor("Tolv-05");
  config.startInBootLoader = true;
  Device device(config);
  device.Set(Long(0x05, {{8, 0x01}, {9, 0x01}}));  // 0x101 blocks > 0x100
  const Frame answer = device.Get();
  EXPECT_EQ(answer[0], 0x05);
  EXPECT_NE(answer[4], 0xFA);
  const std::vector<uint8_t> before = device.loader.Flash();
  device.Set(Frame(64, 0x00));  // not a data report: ignored
  EXPECT_EQ(device.loader.Flash(), before);
}

TEST(TolvBootloader, CodeOptionEraseAndWrite) {
  TolvConfig config = ConfigFor("Tolv-01");
  config.startInBootLoader = true;
  Device device(config);
  device.Set(Long(0x02));
  EXPECT_EQ(device.loader.CodeOption(), (std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
  device.Set(Long(0x03, {{4, 0x11}, {5, 0x22}, {6, 0x5A}, {7, 0x5A}}));
  EXPECT_EQ(device.loader.CodeOption(), (std::array<uint8_t, 4>{0x11, 0x22, 0x5A, 0x5A}));
}

TEST(TolvBootloader, EraseOnProgramChipsClearTheFlashThemselves) {
  TolvConfig config = ConfigFor("Tolv-04");
  config.startInBootLoader = true;
  Device device(config);
  device.Set(Long(0x05, {{8, 0xE0}, {9, 0x01}}));
  EXPECT_EQ(device.Get()[4], 0xFA);
  device.Set(Frame(64, 0x00));
  const std::vector<uint8_t> flash = device.loader.Flash();
  EXPECT_EQ(flash[0], 0x00);
  EXPECT_EQ(flash[64], 0xFF);
}

TEST(TolvBootloader, FaultKnobsAct) {
  TolvConfig config = ConfigFor("Tolv-01");
  std::string error;
  ASSERT_TRUE(ParseTolvFaults("fail-write:option+garble:version+nak:program+badsum:blank+accept-data:1",
                              config.faults, error))
      << error;
  Device device(config);
  device.Set(EntryReport());
  EXPECT_EQ(device.Set(Long(0x03)), EPIPE);
  device.Set(Long(0x01));
  EXPECT_EQ(device.Get()[3], 1);
  device.Set(Long(0x04, {{9, 0x01}}));
  EXPECT_EQ(device.StatusSum(), 0x0001);
  device.Set(Long(0x05, {{8, 0x02}}));
  EXPECT_EQ(device.Get()[7], 0xFB);
  EXPECT_EQ(device.Set(Frame(64, 0)), 0);
  EXPECT_EQ(device.Set(Frame(64, 0)), EPIPE);
}

TEST(TolvBootloader, VanishedDeviceAnswersNothing) {
  TolvConfig config = ConfigFor("Tolv-05");
  config.startInBootLoader = true;
  std::string error;
  ASSERT_TRUE(ParseTolvFaults("vanish-data:3", config.faults, error));
  Device device(config);
  device.Set(Long(0x05, {{8, 0x10}}));
  device.Get();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(device.Set(Frame(64, 0)), 0);
  EXPECT_EQ(device.Set(Frame(64, 0)), ENODEV);
  int err = 0;
  device.Get(&err);
  EXPECT_EQ(err, ENODEV);
  EXPECT_TRUE(device.loader.Gone());
}

TEST(TolvBootloader, StuckByteKeepsItsOldValue) {
  TolvConfig config = ConfigFor("Tolv-05");
  config.startInBootLoader = true;
  std::string error;
  config.eraseMs = 0;
  ASSERT_TRUE(ParseTolvFaults("stuck:0x41", config.faults, error));
  Device device(config);
  device.Set(Long(0x04, {{8, 0x10}}));
  device.Set(Long(0x05, {{8, 0x02}}));
  device.Set(Frame(64, 0x00));
  device.Set(Frame(64, 0x00));
  const std::vector<uint8_t> flash = device.loader.Flash();
  EXPECT_EQ(flash[0x40], 0x00);
  EXPECT_EQ(flash[0x41], 0xFF);
}

TEST(TolvBootloader, JournalListsTheSteps) {
  TolvConfig config = ConfigFor("Tolv-05");
  config.eraseMs = 0;
  Device device(config);
  device.Set(EntryReport());
  device.Set(Long(0x01));
  device.Get();
  device.Set(Long(0x04, {{8, 0x10}}));
  device.Get();
  device.Set(Long(0x05, {{8, 0x03}}));
  device.Get();
  for (int i = 0; i < 3; ++i) device.Set(Frame(64, 0));
  device.Get();
  device.Set(Long(0x07));
  using S = TolvStep;
  const std::vector<TolvJournalEntry> expected = {
      {S::Entry, false, false, 1},  {S::Version, false, false, 1}, {S::Version, true, false, 1},
      {S::Erase, false, false, 1},  {S::Blank, true, false, 1},    {S::Program, false, false, 1},
      {S::Program, true, false, 1}, {S::Data, false, false, 3},    {S::Verify, true, false, 1},
      {S::Return, false, false, 1}};
  EXPECT_EQ(device.loader.Journal(), expected);
}

TEST(TolvFaultsText, RejectsWhatItDoesNotKnow) {
  TolvFaults faults;
  std::string error;
  EXPECT_FALSE(ParseTolvFaults("fail-write:nowhere", faults, error));
  EXPECT_FALSE(ParseTolvFaults("explode", faults, error));
  EXPECT_FALSE(ParseTolvFaults("accept-data:-1", faults, error));
  EXPECT_FALSE(ParseTolvFaults("accept-data:12x", faults, error));
  EXPECT_TRUE(ParseTolvFaults("no-erase+stuck:0x10", faults, error));
  EXPECT_TRUE(faults.noErase);
  EXPECT_EQ(faults.stuckAddress, 0x10);
}

TEST(ProductOptions, ReadTheProductsOwnKeys) {
  TolvConfig config;
  std::string error;
  ASSERT_TRUE(ParseProductOptions({{"chip", "tolv-07"},
                                   {"mode", "boot"},
                                   {"version", "21.01.00.03"},
                                   {"codeoption", "0xBEEF"},
                                   {"security", "0x55AA"},
                                   {"entry", "chip6"},
                                   {"erasems", "5"},
                                   {"fill", "0x00"},
                                   {"fault", "no-erase"}},
                                  config, error))
      << error;
  EXPECT_STREQ(config.chip->name, "Tolv-07");
  EXPECT_TRUE(config.startInBootLoader);
  EXPECT_EQ(config.version, (std::array<uint8_t, 4>{0x21, 0x01, 0x00, 0x03}));
  EXPECT_EQ(config.codeOption, (std::array<uint8_t, 4>{0xEF, 0xBE, 0xAA, 0x55}));
  std::array<uint8_t, 8> chip6 = kEntry;
  chip6[7] = KVN_BOOT_ENTRY_CHIP6_LAST_BYTE;
  EXPECT_EQ(config.entryFrame, chip6);
  EXPECT_EQ(config.eraseMs, 5u);
  EXPECT_EQ(config.initialFlash, std::vector<uint8_t>(0x10000, 0x00));
  EXPECT_TRUE(config.faults.noErase);
}

TEST(ProductOptions, RefuseWhatTheyCannotUse) {
  const ModelOptions bad[] = {{{"chip", "Tolv-99"}},       {{"mode", "sleep"}},
                              {{"version", "20:05:00"}},   {{"security", "0x10000"}},
                              {{"entry", "0102"}},         {{"fill", "0x100"}},
                              {{"fault", "fail-write:x"}}, {{"erasems", "soon"}}};
  for (const ModelOptions &options : bad) {
    TolvConfig config;
    std::string error;
    EXPECT_FALSE(ParseProductOptions(options, config, error)) << options.begin()->first;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(MakeProductModel(options, error), nullptr);
  }
}

TEST(ProductModelState, FlashSurvivesSaveAndLoad) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kvn-product-state-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string error;
  auto first = MakeProductModel({{"chip", "Tolv-05"}, {"security", "0x5A5A"}}, error);
  ASSERT_NE(first, nullptr) << error;
  const std::vector<uint8_t> flash = static_cast<ProductModel &>(*first).Chip().Flash();
  ASSERT_TRUE(first->SaveState(dir, error)) << error;
  EXPECT_EQ(std::filesystem::file_size(dir / "flash.bin"), 0x4000u);
  std::ifstream summary(dir / "state.txt");
  std::stringstream text;
  text << summary.rdbuf();
  EXPECT_NE(text.str().find("mode user"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("security 0x5A5A"), std::string::npos) << text.str();

  auto second = MakeProductModel({{"chip", "Tolv-05"}, {"fill", "0xFF"}}, error);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(second->LoadState(dir, error)) << error;
  EXPECT_EQ(static_cast<ProductModel &>(*second).Chip().Flash(), flash);
  std::filesystem::remove_all(dir);
}

TEST(ProductModelState, NumberedReportsAreNotTheProducts) {
  std::string error;
  auto model = MakeProductModel({{"mode", "boot"}}, error);
  ASSERT_NE(model, nullptr);
  uint8_t frame[64] = {0x01, 0xAA, 0x55, 0x00};
  EXPECT_EQ(model->OnSetFeature(1, frame, sizeof frame), EPIPE);
  std::size_t sent = 0;
  EXPECT_EQ(model->OnGetFeature(1, frame, sizeof frame, sent), EPIPE);
}

}  // namespace
}  // namespace kvn::sim
