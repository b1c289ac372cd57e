#include "tolv_faults.h"

#include <array>
#include <charconv>

namespace kvn::sim {
namespace {

constexpr std::array<const char *, kTolvStepCount> kStepNames = {
    "entry", "version", "option-erase", "option", "erase", "blank",
    "program", "data", "verify", "return", "other"};

bool ParseCount(std::string_view text, int64_t &value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  int64_t parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, base);
  if (ec != std::errc() || end != text.data() + text.size() || parsed < 0) return false;
  value = parsed;
  return true;
}

bool ParseItem(std::string_view item, TolvFaults &faults, std::string &error) {
  if (item == "no-erase") {
    faults.noErase = true;
    return true;
  }
  const std::size_t colon = item.find(':');
  if (colon == std::string_view::npos) {
    error = "fault '" + std::string(item) + "' needs a ':' argument";
    return false;
  }
  const std::string_view kind = item.substr(0, colon);
  const std::string_view arg = item.substr(colon + 1);

  std::bitset<kTolvStepCount> *set = nullptr;
  if (kind == "fail-write") set = &faults.failWrite;
  if (kind == "fail-read") set = &faults.failRead;
  if (kind == "garble") set = &faults.garble;
  if (kind == "nak") set = &faults.nak;
  if (kind == "badsum") set = &faults.badSum;
  if (set != nullptr) {
    const std::optional<TolvStep> step = ParseTolvStep(arg);
    if (!step) {
      error = "unknown step '" + std::string(arg) + "' in fault '" + std::string(item) + "'";
      return false;
    }
    set->set(static_cast<std::size_t>(*step));
    return true;
  }

  int64_t *count = nullptr;
  if (kind == "accept-data") count = &faults.acceptData;
  if (kind == "vanish-data") count = &faults.vanishData;
  if (kind == "stuck") count = &faults.stuckAddress;
  if (count == nullptr) {
    error = "unknown fault '" + std::string(item) + "'";
    return false;
  }
  if (!ParseCount(arg, *count)) {
    error = "fault '" + std::string(item) + "' needs a number";
    return false;
  }
  return true;
}

}  // namespace

const char *TolvStepName(TolvStep step) { return kStepNames[static_cast<std::size_t>(step)]; }

std::optional<TolvStep> ParseTolvStep(std::string_view name) {
  for (std::size_t i = 0; i < kStepNames.size(); ++i) {
    if (name == kStepNames[i]) return static_cast<TolvStep>(i);
  }
  return std::nullopt;
}

bool ParseTolvFaults(std::string_view text, TolvFaults &faults, std::string &error) {
  while (!text.empty()) {
    const std::size_t plus = text.find('+');
    const std::string_view item = text.substr(0, plus);
    if (!item.empty() && !ParseItem(item, faults, error)) return false;
    if (plus == std::string_view::npos) break;
    text.remove_prefix(plus + 1);
  }
  return true;
}

}  // namespace kvn::sim
