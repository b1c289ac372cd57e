#include "artwork_shapes.h"

#include <pango/pangocairo.h>

#include <cmath>

#include "scene_geometry.h"

namespace kvn::artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The logo's face: fontconfig's substitute for Arial, bold.
constexpr const char *kLogoFamily = "Liberation Sans,Arial,sans-serif";

void SetColour(cairo_t *cr, Colour c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

Colour Grey(int level, double alpha = 1.0) { return {level / 255.0, level / 255.0, level / 255.0, alpha}; }

void AddStop(cairo_pattern_t *pattern, double offset, Colour c) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, c.r, c.g, c.b, c.a);
}

// Fills the current path with a vertical gradient from top to bottom.
void FillVertical(cairo_t *cr, double y0, double y1, Colour top, Colour bottom, bool preserve = false) {
  cairo_pattern_t *pattern = cairo_pattern_create_linear(0, y0, 0, y1);
  AddStop(pattern, 0, top);
  AddStop(pattern, 1, bottom);
  cairo_set_source(cr, pattern);
  if (preserve) {
    cairo_fill_preserve(cr);
  } else {
    cairo_fill(cr);
  }
  cairo_pattern_destroy(pattern);
}

// A horizontal hairline that fades out towards both ends.
void FadingLine(cairo_t *cr, double x0, double x1, double y, Colour c) {
  cairo_pattern_t *pattern = cairo_pattern_create_linear(x0, 0, x1, 0);
  AddStop(pattern, 0, {c.r, c.g, c.b, 0});
  AddStop(pattern, 0.5, c);
  AddStop(pattern, 1, {c.r, c.g, c.b, 0});
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, x0, y, x1 - x0, 1);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}

// Text laid out by Pango with outlines only (no hinting, no subpixel
// positions from the screen), so it scales and repeats exactly.
PangoLayout *TextLayout(cairo_t *cr, const char *text, double pixelSize, int letterSpacingPx) {
  PangoLayout *layout = pango_cairo_create_layout(cr);
  cairo_font_options_t *options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);

  PangoFontDescription *font = pango_font_description_from_string(kLogoFamily);
  pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
  pango_font_description_set_absolute_size(font, pixelSize * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);

  PangoAttrList *attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_letter_spacing_new(letterSpacingPx * PANGO_SCALE));
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);
  pango_layout_set_text(layout, text, -1);
  return layout;
}

// Cap height of the logo face as a share of its pixel size.
double CapHeightShare(PangoLayout *layout) {
  PangoRectangle ink{};
  pango_layout_set_text(layout, "H", -1);
  pango_layout_get_extents(layout, &ink, nullptr);
  const double size = pango_font_description_get_size(pango_layout_get_font_description(layout));
  return size > 0 && ink.height > 0 ? static_cast<double>(ink.height) / size : 0.72;
}

// The logo's emblem, inside a box of the given size: an orange ring open at
// the upper right, where a dot leaves it on its way up.
void DrawEmblem(cairo_t *cr, double x, double y, double size) {
  const double cx = x + size / 2, cy = y + size / 2;
  const double r = size * 0.36;
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, size * 0.17);
  SetColour(cr, palette::kOrange);
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, -kPi * 0.10, kPi * 1.60);
  cairo_stroke(cr);
  const double a = -kPi * 0.25;
  cairo_arc(cr, cx + std::cos(a) * r * 1.30, cy + std::sin(a) * r * 1.30, size * 0.13, 0, 2 * kPi);
  SetColour(cr, palette::kOrangeLight);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace

void RoundedRectPath(cairo_t *cr, double x, double y, double w, double h, double r) {
  r = std::fmin(r, std::fmin(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

double DrawLogo(cairo_t *cr, double x, double baselineY, double capHeight) {
  PangoLayout *layout = TextLayout(cr, "ORVANE", 100, 0);
  const double pixelSize = capHeight / CapHeightShare(layout);
  g_object_unref(layout);
  layout = TextLayout(cr, "ORVANE", pixelSize, static_cast<int>(std::lround(capHeight * 0.28)));

  const double emblem = capHeight * 1.25;
  DrawEmblem(cr, x, baselineY - capHeight / 2 - emblem / 2, emblem);
  const double textX = x + emblem + capHeight * 0.55;

  const double baseline = pango_layout_get_baseline(layout) / static_cast<double>(PANGO_SCALE);
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  cairo_save(cr);
  cairo_move_to(cr, textX, baselineY - baseline);
  pango_cairo_layout_path(cr, layout);
  SetColour(cr, palette::kWhite);
  cairo_fill(cr);
  cairo_restore(cr);
  g_object_unref(layout);
  return textX - x + logical.width / static_cast<double>(PANGO_SCALE);
}

void DrawWindowFace(cairo_t *cr) {
  const double w = kFaceWidth, h = kFaceHeight, strip = kTitleStripHeight;
  cairo_save(cr);

  // body
  cairo_rectangle(cr, 0, 0, w, h);
  FillVertical(cr, strip, h, Grey(0x2C), Grey(0x1B));
  // a soft light from above on the body
  cairo_pattern_t *glow = cairo_pattern_create_radial(w / 2, strip, 10, w / 2, strip, w * 0.62);
  AddStop(glow, 0, Grey(0xFF, 0.05));
  AddStop(glow, 1, Grey(0xFF, 0));
  cairo_set_source(cr, glow);
  cairo_rectangle(cr, 0, strip, w, h - strip);
  cairo_fill(cr);
  cairo_pattern_destroy(glow);

  // title strip, darker, with a crisp edge below it
  cairo_rectangle(cr, 0, 0, w, strip);
  FillVertical(cr, 0, strip, Grey(0x17), Grey(0x10));
  cairo_rectangle(cr, 0, strip, w, 1);
  SetColour(cr, Grey(0x08));
  cairo_fill(cr);
  cairo_rectangle(cr, 0, strip + 1, w, 1);
  SetColour(cr, Grey(0xFF, 0.05));
  cairo_fill(cr);
  // an orange accent under the logo
  cairo_pattern_t *accent = cairo_pattern_create_linear(0, 0, 190, 0);
  AddStop(accent, 0, palette::kOrange);
  AddStop(accent, 1, {palette::kOrange.r, palette::kOrange.g, palette::kOrange.b, 0});
  cairo_set_source(cr, accent);
  cairo_rectangle(cr, 0, strip - 2, 190, 2);
  cairo_fill(cr);
  cairo_pattern_destroy(accent);

  DrawLogo(cr, 14, 27, 14);

  // the recess the window's progress track sits in
  const kvn::app::Box track = kvn::app::TrackBox(kFaceWidth);
  RoundedRectPath(cr, track.x - 3, track.y - 3, track.width + 6, track.height + 6, 4);
  SetColour(cr, Grey(0x0E));
  cairo_fill(cr);
  RoundedRectPath(cr, track.x - 3.5, track.y - 3.5, track.width + 7, track.height + 7, 4.5);
  SetColour(cr, Grey(0xFF, 0.07));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  // a quiet divider between the bar and the start control, and one below it
  FadingLine(cr, 60, w - 60, 190, Grey(0xFF, 0.10));
  FadingLine(cr, 60, w - 60, 282, Grey(0xFF, 0.06));

  // the thin orange outline round the whole face
  cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
  SetColour(cr, palette::kOrange);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawButtonFace(cairo_t *cr, bool hover) {
  const double w = kButtonWidth, h = kButtonHeight;
  // The corners stay within the 8 pixels that the window keeps unstretched.
  const double radius = 6;
  cairo_save(cr);
  RoundedRectPath(cr, 0.5, 0.5, w - 1, h - 1, radius);
  if (hover) {
    FillVertical(cr, 0, h, palette::kOrangeLight, palette::kOrangeDeep, true);
    SetColour(cr, {1, 0.74, 0.52});
  } else {
    FillVertical(cr, 0, h, Grey(0x4A), Grey(0x33), true);
    SetColour(cr, Grey(0x5E));
  }
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // a highlight along the inside of the upper edge
  RoundedRectPath(cr, 1.5, 1.5, w - 3, h - 3, radius - 1);
  cairo_pattern_t *shine = cairo_pattern_create_linear(0, 1, 0, 8);
  AddStop(shine, 0, Grey(0xFF, hover ? 0.30 : 0.12));
  AddStop(shine, 1, Grey(0xFF, 0));
  cairo_set_source(cr, shine);
  cairo_stroke(cr);
  cairo_pattern_destroy(shine);
  cairo_restore(cr);
}

void DrawFinishedMark(cairo_t *cr) {
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, 3.6);
  SetColour(cr, palette::kWhite);
  cairo_move_to(cr, 6.5, 15.5);
  cairo_line_to(cr, 12.5, 21.5);
  cairo_line_to(cr, 24, 9);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawCloseCross(cairo_t *cr, Colour colour) {
  const double c = kCloseSize / 2.0;
  cairo_save(cr);
  SetColour(cr, colour);
  cairo_set_line_width(cr, 1.6);
  cairo_arc(cr, c, c, c - 1.3, 0, 2 * kPi);
  cairo_stroke(cr);
  const double arm = 3.9;
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 1.9);
  cairo_move_to(cr, c - arm, c - arm);
  cairo_line_to(cr, c + arm, c + arm);
  cairo_move_to(cr, c + arm, c - arm);
  cairo_line_to(cr, c - arm, c + arm);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawAppIcon(cairo_t *cr, int size) {
  cairo_save(cr);
  cairo_scale(cr, size / 256.0, size / 256.0);

  // the tile: the window's dark face with its orange outline
  RoundedRectPath(cr, 12, 12, 232, 232, 44);
  FillVertical(cr, 12, 244, Grey(0x33), Grey(0x18), true);
  SetColour(cr, palette::kOrange);
  cairo_set_line_width(cr, 8);
  cairo_stroke(cr);

  // a chip with its pins
  const double chip = 92, cx = 128, cy = 140;
  cairo_set_line_width(cr, 10);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  SetColour(cr, Grey(0xB8));
  for (int i = -1; i <= 1; ++i) {
    const double off = i * 26.0;
    cairo_move_to(cr, cx + off, cy - chip / 2 - 18);  // top
    cairo_line_to(cr, cx + off, cy - chip / 2);
    cairo_move_to(cr, cx + off, cy + chip / 2);  // bottom
    cairo_line_to(cr, cx + off, cy + chip / 2 + 18);
    cairo_move_to(cr, cx - chip / 2 - 18, cy + off);  // left
    cairo_line_to(cr, cx - chip / 2, cy + off);
    cairo_move_to(cr, cx + chip / 2, cy + off);  // right
    cairo_line_to(cr, cx + chip / 2 + 18, cy + off);
  }
  cairo_stroke(cr);
  RoundedRectPath(cr, cx - chip / 2, cy - chip / 2, chip, chip, 12);
  FillVertical(cr, cy - chip / 2, cy + chip / 2, Grey(0x4C), Grey(0x2E), true);
  SetColour(cr, Grey(0xB8));
  cairo_set_line_width(cr, 6);
  cairo_stroke(cr);

  // the upward arrow of the upgrade, across the chip
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, cx, 52);
  cairo_line_to(cr, cx + 40, 100);
  cairo_line_to(cr, cx + 17, 100);
  cairo_line_to(cr, cx + 17, 166);
  cairo_line_to(cr, cx - 17, 166);
  cairo_line_to(cr, cx - 17, 100);
  cairo_line_to(cr, cx - 40, 100);
  cairo_close_path(cr);
  FillVertical(cr, 52, 166, palette::kOrangeLight, palette::kOrangeDeep, true);
  SetColour(cr, Grey(0x12, 0.9));
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace kvn::artwork
