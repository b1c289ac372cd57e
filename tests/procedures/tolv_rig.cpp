#include "tolv_rig.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kvn_isp.h"

namespace kvn::test {
namespace {

uint16_t ProductIdFor(const sim::ModelOptions &options) {
  const auto mode = options.find("mode");
  return mode != options.end() && mode->second == "boot" ? KVN_BOOT_PRODUCT_ID : KVN_DEVICE_PRODUCT_ID;
}

bool LoadImage(const JobRequest &request) {
  if (!request.hexPath.empty()) return KvnISP_LoadHexFileData(request.hexPath.c_str()) != 0;
  return KvnISP_LoadBinBuffer(request.binImage.data(), static_cast<uint32_t>(request.binImage.size())) != 0;
}

ProgressSample Sample() {
  ProgressSample sample{};
  sample.progress = KvnISP_GetISPProcessPos();
  sample.finished = KvnISP_IsWorkFinished() != 0;
  sample.code = KvnISP_GetLastErrorCode();
  return sample;
}

}  // namespace

TolvRig::TolvRig() = default;
TolvRig::~TolvRig() = default;

RigProduct TolvRig::Add(const sim::ModelOptions &options) {
  std::string error;
  std::unique_ptr<sim::DeviceModel> model = sim::MakeProductModel(options, error);
  EXPECT_NE(model, nullptr) << error;
  if (model == nullptr) return {};
  auto *product = static_cast<sim::ProductModel *>(model.get());
  sim::ProductSpec def;
  def.vendorId = ProductIdFor(options) == KVN_BOOT_PRODUCT_ID ? KVN_BOOT_VENDOR_ID : KVN_DEVICE_VENDOR_ID;
  def.productId = ProductIdFor(options);
  def.interfaces.push_back(sim::InterfaceSpec::Of(sim::DescriptorKind::Vendor64, std::move(model)));
  sim::Product *plugged = bed_.AddProduct(std::move(def), error);
  EXPECT_NE(plugged, nullptr) << error;
  return {plugged, plugged != nullptr ? product : nullptr};
}

JobOutcome TolvRig::Run(const JobRequest &request, std::chrono::seconds timeout) {
  JobOutcome outcome;
  EXPECT_TRUE(KvnISP_SetPassword(KVN_ISP_PASSWORD));
  EXPECT_TRUE(KvnISP_SetChipName(request.chip.c_str()));
  EXPECT_TRUE(KvnISP_SetVendorID(request.vendorId));
  EXPECT_TRUE(KvnISP_SetProductID(request.productId));
  EXPECT_TRUE(KvnISP_SetCodeSecurity(request.securityLevel));
  KvnISP_SetResetFlag(request.resetAfterProgram ? 1 : 0);
  EXPECT_TRUE(LoadImage(request));
  EXPECT_TRUE(KvnISP_SetDevNum(request.deviceMask));

  outcome.started = Clock::now();
  outcome.startResult = KvnISP_StartISP();
  if (outcome.startResult != 0) {
    outcome.code = KvnISP_GetLastErrorCode();
    return outcome;
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    const ProgressSample sample = Sample();
    if (request.sampleProgress) outcome.samples.push_back(sample);
    if (sample.finished) {
      outcome.finishedSeen = Clock::now();
      outcome.code = sample.code;
      break;
    }
    if (Clock::now() > deadline) {
      ADD_FAILURE() << "job did not finish within " << timeout.count() << " s";
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(request.sampleProgress ? 200 : 2000));
  }
  return outcome;
}

std::vector<uint8_t> DataOf(const ReportRecord &record) {
  if (record.bytes.empty()) return {};
  return std::vector<uint8_t>(record.bytes.begin() + 1, record.bytes.end());
}

std::vector<std::vector<uint8_t>> SentFrames(const std::vector<ReportRecord> &records) {
  std::vector<std::vector<uint8_t>> frames;
  for (const ReportRecord &record : records) {
    if (record.kind == ReportRecord::Kind::SetFeature) frames.push_back(DataOf(record));
  }
  return frames;
}

std::vector<uint8_t> Padded(std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> frame(bytes);
  frame.resize(64, 0);
  return frame;
}

std::vector<uint8_t> PatternImage(std::size_t bytes, uint32_t seed) {
  std::vector<uint8_t> image(bytes);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t &b : image) {
    state = state * 1103515245u + 12345u;
    b = static_cast<uint8_t>((state >> 16) % 0xFF);  // never 0xFF: every byte changes erased flash
  }
  return image;
}

bool IsCommand(const std::vector<uint8_t> &frame, uint8_t code) {
  return frame.size() >= 4 && frame[0] == code && frame[1] == 0xAA && frame[2] == 0x55 && frame[3] == 0;
}

namespace {

std::string HexRecord(uint8_t type, uint16_t address, const uint8_t *data, std::size_t count) {
  uint32_t sum = count + (address >> 8) + (address & 0xFF) + type;
  char text[16];
  std::snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(count), address, type);
  std::string line = text;
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(text, sizeof text, "%02X", data[i]);
    line += text;
    sum += data[i];
  }
  std::snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + text;
}

}  // namespace

std::string IntelHexText(const std::vector<HexSegment> &segments) {
  std::string text;
  int64_t upper = -1;
  for (const HexSegment &segment : segments) {
    for (std::size_t at = 0; at < segment.bytes.size();) {
      const uint32_t address = segment.address + static_cast<uint32_t>(at);
      if (static_cast<int64_t>(address >> 16) != upper) {
        upper = address >> 16;
        const uint8_t high[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        text += HexRecord(0x04, 0, high, 2);
      }
      // A record never crosses a 64 KiB boundary.
      const std::size_t room = 0x10000 - (address & 0xFFFF);
      const std::size_t count = std::min<std::size_t>({16, segment.bytes.size() - at, room});
      text += HexRecord(0x00, static_cast<uint16_t>(address), segment.bytes.data() + at, count);
      at += count;
    }
  }
  return text + HexRecord(0x01, 0, nullptr, 0);
}

TempFile::TempFile(const std::string &suffix, const std::string &contents) {
  static int counter = 0;
  path_ = (std::filesystem::temp_directory_path() /
           ("kvn-tolv-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + suffix))
              .string();
  std::ofstream(path_, std::ios::binary) << contents;
}

TempFile::~TempFile() {
  std::error_code ec;
  std::filesystem::remove(path_, ec);
}

double MsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

std::string JournalText(const std::vector<sim::TolvJournalEntry> &journal) {
  std::string text;
  for (const sim::TolvJournalEntry &entry : journal) {
    text += entry.read ? "get " : "set ";
    text += sim::TolvStepName(entry.step);
    if (entry.count > 1) text += " x" + std::to_string(entry.count);
    if (entry.failed) text += " FAILED";
    text += "\n";
  }
  return text;
}

std::string StepsText(std::initializer_list<const char *> steps) {
  std::string text;
  for (const char *step : steps) text += std::string(step) + "\n";
  return text;
}

}  // namespace kvn::test
