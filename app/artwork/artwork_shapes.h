// The application's artwork, drawn with cairo: the window face, the start
// control faces, the finished mark, the close control's crosses and the
// application icon. Every function draws into the current target with its
// origin at the image's top left corner, in image pixels; the callers own
// the surfaces. Nothing here depends on time, locale or the display, so the
// same fonts give the same pixels on every build.
#pragma once

#include <cairo.h>

namespace kvn::artwork {

struct Colour {
  double r, g, b, a = 1.0;
};

// Sizes of the images, in pixels.
inline constexpr int kFaceWidth = 555, kFaceHeight = 305;
inline constexpr int kButtonWidth = 97, kButtonHeight = 32;
inline constexpr int kMarkSize = 30;
inline constexpr int kCloseSize = 23;

// The title strip, above the status lines; the close control sits in it.
inline constexpr int kTitleStripHeight = 40;

namespace palette {
inline constexpr Colour kOrange{0xF2 / 255.0, 0x7A / 255.0, 0x1A / 255.0};
inline constexpr Colour kOrangeLight{0xFF / 255.0, 0x9E / 255.0, 0x52 / 255.0};
inline constexpr Colour kOrangeDeep{0xD0 / 255.0, 0x5E / 255.0, 0x0A / 255.0};
inline constexpr Colour kWhite{1, 1, 1};
inline constexpr Colour kGrey{0x80 / 255.0, 0x80 / 255.0, 0x80 / 255.0};
}  // namespace palette

// A rectangle with circular corners of radius r, as the current path.
void RoundedRectPath(cairo_t *cr, double x, double y, double w, double h, double r);

// PNG 132: the window face.
void DrawWindowFace(cairo_t *cr);
// The product logo, its cap height in pixels, its left end at x and its
// baseline at y. Returns the logo's width.
double DrawLogo(cairo_t *cr, double x, double baselineY, double capHeight);

// PNG 133 and 135 (hover false) and 134 (hover true: the pointer over it).
void DrawButtonFace(cairo_t *cr, bool hover);
// PNG 139.
void DrawFinishedMark(cairo_t *cr);
// PNG 130, 131, 140: the cross in a circle in one colour.
void DrawCloseCross(cairo_t *cr, Colour colour);

// The application icon at size x size pixels.
void DrawAppIcon(cairo_t *cr, int size);

}  // namespace kvn::artwork
