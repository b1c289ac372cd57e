// The window's text: bold "Arial" (fontconfig gives its metric-compatible
// substitute) with a 20-pixel cell height, falling back to a CJK face for
// the Chinese lines; single line, centred in its rectangle both ways,
// ellipsized at the end when too long.
#pragma once

#include <pango/pangocairo.h>

#include <memory>
#include <string>

#include "scene_geometry.h"

namespace kvn::app {

struct Rgb {
  double r, g, b;
};

class SceneFont {
 public:
  // cellHeightPx: ascent plus descent of the font, as the windowing
  // system's classic fonts are sized.
  explicit SceneFont(int cellHeightPx = 20);
  ~SceneFont();
  SceneFont(const SceneFont &) = delete;
  SceneFont &operator=(const SceneFont &) = delete;

  const PangoFontDescription *Description() const { return description_; }

 private:
  PangoFontDescription *description_;
};

inline constexpr const char *kTextFontFamilies = "Arial,Liberation Sans,WenQuanYi Micro Hei,sans-serif";

// Draws text centred in rect, clipped to it; returns true when it had to be
// ellipsized.
bool DrawCenteredText(cairo_t *cr, const SceneFont &font, const std::string &text, const Rect &rect,
                      Rgb colour);

}  // namespace kvn::app
