#include "scene_text.h"

namespace kvn::app {

namespace {

// The em size whose ascent plus descent is cellHeightPx for the chosen face.
double EmSizeForCellHeight(PangoFontDescription *description, int cellHeightPx) {
  PangoFontMap *map = pango_cairo_font_map_get_default();
  PangoContext *context = pango_font_map_create_context(map);
  pango_font_description_set_absolute_size(description, cellHeightPx * PANGO_SCALE);
  double em = cellHeightPx;
  PangoFontMetrics *metrics = pango_context_get_metrics(context, description, nullptr);
  if (metrics != nullptr) {
    const int cell = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
    if (cell > 0) em = static_cast<double>(cellHeightPx) * cellHeightPx * PANGO_SCALE / cell;
    pango_font_metrics_unref(metrics);
  }
  g_object_unref(context);
  return em;
}

}  // namespace

SceneFont::SceneFont(int cellHeightPx) : description_(pango_font_description_from_string(kTextFontFamilies)) {
  pango_font_description_set_family(description_, kTextFontFamilies);
  pango_font_description_set_weight(description_, PANGO_WEIGHT_BOLD);
  const double em = EmSizeForCellHeight(description_, cellHeightPx);
  pango_font_description_set_absolute_size(description_, em * PANGO_SCALE);
}

SceneFont::~SceneFont() { pango_font_description_free(description_); }

bool DrawCenteredText(cairo_t *cr, const SceneFont &font, const std::string &text, const Rect &rect,
                      Rgb colour) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return false;
  PangoLayout *layout = pango_cairo_create_layout(cr);
  pango_layout_set_font_description(layout, font.Description());
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_width(layout, rect.Width() * PANGO_SCALE);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));

  PangoRectangle logical{};
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  const bool ellipsized = pango_layout_is_ellipsized(layout) != 0;

  cairo_save(cr);
  cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(cr);
  cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
  const int y = rect.top + (rect.Height() - logical.height) / 2;
  cairo_move_to(cr, rect.left, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
  return ellipsized;
}

}  // namespace kvn::app
