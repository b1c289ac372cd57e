#include "image_slot.h"

#include <gio/gio.h>

#include <cstring>

#include "firmware_resource.h"

namespace kvn::app {

namespace {

struct PngReader {
  std::span<const uint8_t> bytes;
  std::size_t offset = 0;
};

cairo_status_t ReadPngBytes(void *closure, unsigned char *data, unsigned int length) {
  auto *reader = static_cast<PngReader *>(closure);
  if (length > reader->bytes.size() - reader->offset) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->offset, length);
  reader->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

ImageSlot DecodePng(std::span<const uint8_t> bytes) {
  ImageSlot slot;
  if (bytes.empty()) return slot;
  PngReader reader{bytes};
  cairo_surface_t *surface = cairo_image_surface_create_from_png_stream(&ReadPngBytes, &reader);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return slot;
  }
  slot.image.reset(surface);
  slot.height = cairo_image_surface_get_height(surface);
  slot.width = cairo_image_surface_get_width(surface);
  return slot;
}

ImageSlot LoadPngResource(int id) {
  const std::string path = ResourcePath("png", id);
  GBytes *bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (bytes == nullptr) return {};
  gsize length = 0;
  const auto *data = static_cast<const uint8_t *>(g_bytes_get_data(bytes, &length));
  ImageSlot slot = data != nullptr ? DecodePng(std::span<const uint8_t>(data, length)) : ImageSlot{};
  g_bytes_unref(bytes);
  return slot;
}

}  // namespace kvn::app
