// ImageSlot: one of the window's PNG images, decoded into a cairo surface,
// with its size. A slot whose resource is missing or does not decode stays
// empty (null image, 0 x 0) and is skipped when drawing.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kvn::app {

struct SurfaceRelease {
  void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

struct ImageSlot {
  SurfacePtr image;
  int width = 0;
  int height = 0;

  bool Loaded() const { return image != nullptr; }
  void Release() { image.reset(); width = 0; height = 0; }
};

// Decodes PNG bytes; an empty slot when they are no PNG.
ImageSlot DecodePng(std::span<const uint8_t> bytes);
// LoadPngResource: the PNG of that id from the executable's resources.
ImageSlot LoadPngResource(int id);

}  // namespace kvn::app
