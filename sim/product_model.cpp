#include "product_model.h"

#include <cerrno>
#include <fstream>
#include <iterator>

#include "hex_text.h"
#include "kvn_product.h"

namespace kvn::sim {
namespace {

constexpr uint8_t kNoReportId = 0;
constexpr const char *kFlashFile = "flash.bin";
constexpr const char *kStateFile = "state.txt";

// "0x55AA" for the low and high byte of a word.
std::string WordText(uint8_t low, uint8_t high) {
  const uint8_t bytes[2] = {high, low};
  return "0x" + HexText(bytes, 2);
}

std::string WithoutSeparators(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ':' && c != '.' && c != '-') out.push_back(c);
  }
  return out;
}

bool ParseWord(const ModelOptions &options, const char *key, uint16_t &word, std::string &error) {
  const auto it = options.find(key);
  if (it == options.end()) return true;
  uint64_t value = 0;
  if (!ParseNumber(it->second, 0xFFFF, value)) {
    error = std::string(key) + "= needs a 16-bit number, not '" + it->second + "'";
    return false;
  }
  word = static_cast<uint16_t>(value);
  return true;
}

bool ParseChipAndMode(const ModelOptions &options, TolvConfig &config, std::string &error) {
  if (const auto it = options.find("chip"); it != options.end()) {
    config.chip = FindTolvChip(it->second);
    if (config.chip == nullptr) {
      error = "chip= names no Tolv chip: '" + it->second + "'";
      return false;
    }
  }
  if (const auto it = options.find("mode"); it != options.end()) {
    if (it->second != "user" && it->second != "boot") {
      error = "mode= is user or boot, not '" + it->second + "'";
      return false;
    }
    config.startInBootLoader = it->second == "boot";
  }
  return true;
}

bool ParseVersion(const ModelOptions &options, TolvConfig &config, std::string &error) {
  const auto it = options.find("version");
  if (it == options.end()) return true;
  std::vector<uint8_t> bytes;
  if (!ParseHexBytes(WithoutSeparators(it->second), bytes) || bytes.size() != 4) {
    error = "version= needs 4 bytes in hex, e.g. 20:05:00:00, not '" + it->second + "'";
    return false;
  }
  config.version = std::array<uint8_t, 4>{bytes[0], bytes[1], bytes[2], bytes[3]};
  return true;
}

bool ParseCodeOption(const ModelOptions &options, TolvConfig &config, std::string &error) {
  uint16_t word = static_cast<uint16_t>(config.codeOption[0] | config.codeOption[1] << 8);
  uint16_t security = static_cast<uint16_t>(config.codeOption[2] | config.codeOption[3] << 8);
  if (!ParseWord(options, "codeoption", word, error) || !ParseWord(options, "security", security, error))
    return false;
  config.codeOption = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                       static_cast<uint8_t>(security), static_cast<uint8_t>(security >> 8)};
  return true;
}

bool ParseEntry(const ModelOptions &options, TolvConfig &config, std::string &error) {
  config.entryFrame = KVN_BOOT_ENTRY_FRAME_INIT;
  const auto it = options.find("entry");
  if (it == options.end() || it->second == "builtin") return true;
  if (it->second == "chip6") {
    config.entryFrame[7] = KVN_BOOT_ENTRY_CHIP6_LAST_BYTE;
    return true;
  }
  std::vector<uint8_t> bytes;
  if (!ParseHexBytes(it->second, bytes) || bytes.size() != config.entryFrame.size()) {
    error = "entry= is builtin, chip6 or 16 hex digits, not '" + it->second + "'";
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), config.entryFrame.begin());
  return true;
}

bool ParseFlashAndFaults(const ModelOptions &options, TolvConfig &config, std::string &error) {
  if (const auto it = options.find("erasems"); it != options.end()) {
    uint64_t ms = 0;
    if (!ParseNumber(it->second, 600000, ms)) {
      error = "erasems= needs milliseconds, not '" + it->second + "'";
      return false;
    }
    config.eraseMs = static_cast<uint32_t>(ms);
  }
  if (const auto it = options.find("fill"); it != options.end() && it->second != "old") {
    uint64_t value = 0;
    if (!ParseNumber(it->second, 0xFF, value)) {
      error = "fill= is old or one byte, not '" + it->second + "'";
      return false;
    }
    config.initialFlash.assign(config.chip->flashBytes, static_cast<uint8_t>(value));
  }
  if (const auto it = options.find("fault"); it != options.end())
    return ParseTolvFaults(it->second, config.faults, error);
  return true;
}

}  // namespace

ProductModel::ProductModel(TolvConfig config)
    : loader_(std::make_unique<TolvBootloader>(config)), config_(std::move(config)) {}

int ProductModel::OnSetFeature(uint8_t reportId, const uint8_t *data, std::size_t length) {
  if (reportId != kNoReportId) return EPIPE;  // the product has no numbered reports
  const int result = loader_->OnSetFeature(data, length);
  if (loader_->Gone() && host_ != nullptr) host_->Unplug();
  return result;
}

int ProductModel::OnGetFeature(uint8_t reportId, uint8_t *answer, std::size_t length,
                               std::size_t &sent) {
  if (reportId != kNoReportId) return EPIPE;
  sent = length;
  return loader_->OnGetFeature(answer, length);
}

bool ProductModel::LoadState(const std::filesystem::path &dir, std::string &error) {
  const std::filesystem::path file = dir / kFlashFile;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return true;
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> flash;
  flash.reserve(config_.chip->flashBytes);
  char byte = 0;
  while (flash.size() < config_.chip->flashBytes && in.get(byte)) flash.push_back(static_cast<uint8_t>(byte));
  if (in.bad()) {
    error = "cannot read " + file.string();
    return false;
  }
  TolvConfig config = config_;
  config.initialFlash = std::move(flash);
  loader_ = std::make_unique<TolvBootloader>(std::move(config));
  return true;
}

bool ProductModel::SaveState(const std::filesystem::path &dir, std::string &error) {
  const std::vector<uint8_t> flash = loader_->Flash();
  const uint16_t flashSum = TolvBootloader::WordSum(flash);
  std::ofstream out(dir / kFlashFile, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(flash.data()), static_cast<std::streamsize>(flash.size()));
  const std::array<uint8_t, 4> option = loader_->CodeOption();
  std::ofstream summary(dir / kStateFile, std::ios::trunc);
  summary << "chip " << config_.chip->name << "\n"
          << "mode " << (loader_->InBootLoader() ? "boot" : "user") << "\n"
          << "codeoption " << WordText(option[0], option[1]) << "\n"
          << "security " << WordText(option[2], option[3]) << "\n"
          << "checksum " << WordText(static_cast<uint8_t>(flashSum), static_cast<uint8_t>(flashSum >> 8))
          << "\n";
  if (!out || !summary) {
    error = "cannot write the product's state into " + dir.string();
    return false;
  }
  return true;
}

bool ParseProductOptions(const ModelOptions &options, TolvConfig &config, std::string &error) {
  return ParseChipAndMode(options, config, error) && ParseVersion(options, config, error) &&
         ParseCodeOption(options, config, error) && ParseEntry(options, config, error) &&
         ParseFlashAndFaults(options, config, error);
}

std::unique_ptr<DeviceModel> MakeProductModel(const ModelOptions &options, std::string &error) {
  TolvConfig config;
  if (!ParseProductOptions(options, config, error)) return nullptr;
  return std::make_unique<ProductModel>(std::move(config));
}

}  // namespace kvn::sim
