#include "device_options.h"

#include <cerrno>

#include "hex_text.h"

namespace kvn::sim {
namespace {

struct NamedErrno {
  std::string_view name;
  int value;
};

constexpr NamedErrno kErrnoNames[] = {
    {"EPIPE", EPIPE},   {"EIO", EIO},       {"ETIMEDOUT", ETIMEDOUT}, {"ENODEV", ENODEV},
    {"EINTR", EINTR},   {"EAGAIN", EAGAIN}, {"EINVAL", EINVAL},       {"EPROTO", EPROTO},
    {"ENXIO", ENXIO},   {"EBUSY", EBUSY},
};

constexpr std::string_view kFrameworkKeys[] = {"vid",      "pid",      "report",       "model",    "name",
                                               "bcd",      "fail-set", "fail-get",     "unplug-after",
                                               "refuse-rw"};

bool IsFrameworkKey(std::string_view key) {
  for (std::string_view k : kFrameworkKeys) {
    if (k == key) return true;
  }
  return false;
}

bool ParseId(const ModelOptions &options, const char *key, uint16_t &out, std::string &error) {
  auto it = options.find(key);
  uint64_t value = 0;
  if (it == options.end() || !ParseNumber(it->second, 0xFFFF, value) || value == 0) {
    error = std::string(key) + "= must be a nonzero 16-bit number";
    return false;
  }
  out = static_cast<uint16_t>(value);
  return true;
}

bool ParseFailure(std::string_view text, uint32_t &number, int &error) {
  const std::size_t colon = text.find(':');
  uint64_t n = 0;
  if (!ParseNumber(text.substr(0, colon), 0xFFFFFFFFu, n) || n == 0) return false;
  number = static_cast<uint32_t>(n);
  if (colon == std::string_view::npos) return true;
  return ParseErrno(text.substr(colon + 1), error);
}

bool ParseInterfaces(std::string_view text, std::vector<DescriptorKind> &out) {
  out.clear();
  for (;;) {
    const std::size_t plus = text.find('+');
    const auto kind = DescriptorKindByName(text.substr(0, plus));
    if (!kind) return false;
    out.push_back(*kind);
    if (plus == std::string_view::npos) return true;
    text.remove_prefix(plus + 1);
  }
}

bool SplitPairs(std::string_view text, ModelOptions &out, std::string &error) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view pair = text.substr(0, comma);
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      error = "'" + std::string(pair) + "' is not KEY=VALUE";
      return false;
    }
    const std::string key(pair.substr(0, equals));
    if (!out.emplace(key, std::string(pair.substr(equals + 1))).second) {
      error = "key " + key + " given twice";
      return false;
    }
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return true;
}

}  // namespace

bool ParseErrno(std::string_view text, int &out) {
  for (const NamedErrno &e : kErrnoNames) {
    if (e.name == text) {
      out = e.value;
      return true;
    }
  }
  uint64_t value = 0;
  if (!ParseNumber(text, 4095, value) || value == 0) return false;
  out = static_cast<int>(value);
  return true;
}

bool HasFeatureReports(DescriptorKind kind) { return kind != DescriptorKind::Keyboard; }

bool ParseDeviceOptions(std::string_view text, DeviceOptions &out, std::string &error) {
  out = DeviceOptions{};
  if (!SplitPairs(text, out.options, error)) return false;
  const ModelOptions &o = out.options;
  if (!ParseId(o, "vid", out.vendorId, error) || !ParseId(o, "pid", out.productId, error)) return false;

  const auto value = [&](const char *key) -> const std::string * {
    auto it = o.find(key);
    return it == o.end() ? nullptr : &it->second;
  };
  if (const std::string *v = value("report"); v && !ParseInterfaces(*v, out.interfaces)) {
    error = "report= takes 64, 8, id or keyboard, joined by '+'";
    return false;
  }
  const std::string modelName = value("model") ? *value("model") : "echo";
  out.model = FindModel(modelName);
  if (out.model == nullptr) {
    error = "no model named '" + modelName + "'";
    return false;
  }
  if (const std::string *v = value("name")) {
    if (v->empty()) {
      error = "name= must not be empty";
      return false;
    }
    out.name = *v;
  }
  if (const std::string *v = value("bcd")) {
    uint64_t n = 0;
    if (!ParseNumber(*v, 0xFFFF, n)) {
      error = "bcd= must be a 16-bit number";
      return false;
    }
    out.bcdDevice = static_cast<uint16_t>(n);
  }
  if (const std::string *v = value("fail-set");
      v && !ParseFailure(*v, out.faults.failSetNumber, out.faults.setErrno)) {
    error = "fail-set= takes N or N:ERRNO";
    return false;
  }
  if (const std::string *v = value("fail-get");
      v && !ParseFailure(*v, out.faults.failGetNumber, out.faults.getErrno)) {
    error = "fail-get= takes N or N:ERRNO";
    return false;
  }
  if (const std::string *v = value("unplug-after")) {
    uint64_t n = 0;
    if (!ParseNumber(*v, 0xFFFFFFFFu, n) || n == 0) {
      error = "unplug-after= takes a positive number of reports";
      return false;
    }
    out.faults.unplugAfterReports = static_cast<uint32_t>(n);
  }
  if (const std::string *v = value("refuse-rw")) {
    if (*v != "0" && *v != "1") {
      error = "refuse-rw= takes 0 or 1";
      return false;
    }
    out.faults.refuseReadWrite = *v == "1";
  }
  for (const auto &[key, ignored] : o) {
    if (!IsFrameworkKey(key) && !ModelTakesKey(*out.model, key)) {
      error = "model " + std::string(out.model->name) + " takes no option " + key;
      return false;
    }
  }
  return true;
}

}  // namespace kvn::sim
