#include "firmware_resource.h"

#include <gio/gio.h>

namespace kvn::app {

namespace {
constexpr const char *kResourcePrefix = "/kvn/upgrade-tool/";
}

std::string ResourcePath(const char *type, int id) {
  return std::string(kResourcePrefix) + type + "/" + std::to_string(id) + "." + type;
}

std::string IconResourcePath(int size) { return std::string(kResourcePrefix) + "icon/" + std::to_string(size) + ".png"; }

GResourceFirmware::GResourceFirmware(std::string path) : path_(std::move(path)) {}

FirmwareLookup GResourceFirmware::Lookup() const {
  gsize size = 0;
  if (!g_resources_get_info(path_.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &size, nullptr, nullptr)) {
    return {ResourceStatus::NotFound, {}, nullptr};
  }
  GBytes *bytes = g_resources_lookup_data(path_.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (bytes == nullptr) return {ResourceStatus::NotLoaded, {}, nullptr};
  gsize length = 0;
  const auto *data = static_cast<const uint8_t *>(g_bytes_get_data(bytes, &length));
  std::shared_ptr<const void> owner(bytes, [](const void *b) { g_bytes_unref(static_cast<GBytes *>(const_cast<void *>(b))); });
  if (data == nullptr || length == 0) return {ResourceStatus::Empty, {}, nullptr};
  return {ResourceStatus::Found, std::span<const uint8_t>(data, length), owner};
}

}  // namespace kvn::app
