// kvnapp_draw_artwork OUTPUT_FOLDER: draws the application's images at
// build time. Writes, under OUTPUT_FOLDER,
//   png/130.png ... png/140.png   the window's images, by resource id
//   icon/48.png ... icon/256.png  the application icon in four sizes
//   icon/kavrin-upgrade-tool.svg  the same icon as a scalable image
// and exits non-zero if any of them could not be written.
#include <cairo-svg.h>
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "artwork_shapes.h"

namespace {

using kvn::artwork::Colour;
namespace palette = kvn::artwork::palette;

using Painter = std::function<void(cairo_t *)>;

bool WritePng(const std::filesystem::path &path, int width, int height, const Painter &paint) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t *cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
  paint(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const bool written = drawn && cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!written) std::fprintf(stderr, "kvnapp_draw_artwork: cannot draw %s\n", path.c_str());
  return written;
}

bool WriteSvg(const std::filesystem::path &path, int size, const Painter &paint) {
  cairo_surface_t *surface = cairo_svg_surface_create(path.c_str(), size, size);
  cairo_svg_surface_restrict_to_version(surface, CAIRO_SVG_VERSION_1_1);
  // Icon themes measure in pixels; cairo would write points.
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t *cr = cairo_create(surface);
  paint(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool written = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!written) std::fprintf(stderr, "kvnapp_draw_artwork: cannot draw %s\n", path.c_str());
  return written;
}

Painter Cross(Colour colour) {
  return [colour](cairo_t *cr) { kvn::artwork::DrawCloseCross(cr, colour); };
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: kvnapp_draw_artwork OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  const std::filesystem::path out(argv[1]);
  std::error_code error;
  std::filesystem::create_directories(out / "png", error);
  std::filesystem::create_directories(out / "icon", error);

  using namespace kvn::artwork;
  const Painter button = [](cairo_t *cr) { DrawButtonFace(cr, false); };
  const Painter buttonHover = [](cairo_t *cr) { DrawButtonFace(cr, true); };

  bool ok = true;
  ok &= WritePng(out / "png/132.png", kFaceWidth, kFaceHeight, &DrawWindowFace);
  ok &= WritePng(out / "png/133.png", kButtonWidth, kButtonHeight, button);
  ok &= WritePng(out / "png/134.png", kButtonWidth, kButtonHeight, buttonHover);
  ok &= WritePng(out / "png/135.png", kButtonWidth, kButtonHeight, button);  // busy: as 133
  ok &= WritePng(out / "png/139.png", kMarkSize, kMarkSize, &DrawFinishedMark);
  ok &= WritePng(out / "png/131.png", kCloseSize, kCloseSize, Cross(palette::kWhite));
  ok &= WritePng(out / "png/130.png", kCloseSize, kCloseSize, Cross(palette::kOrange));
  ok &= WritePng(out / "png/140.png", kCloseSize, kCloseSize, Cross(palette::kGrey));
  for (int size : {48, 64, 128, 256}) {
    ok &= WritePng(out / "icon" / (std::to_string(size) + ".png"), size, size,
                   [size](cairo_t *cr) { DrawAppIcon(cr, size); });
  }
  ok &= WriteSvg(out / "icon/kavrin-upgrade-tool.svg", 256, [](cairo_t *cr) { DrawAppIcon(cr, 256); });
  return ok ? 0 : 1;
}
