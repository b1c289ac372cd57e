#include "scene.h"

namespace kvn::app {

void SceneImages::ReleaseAll() {
  for (ImageSlot *slot : {&background, &startNormal, &startHover, &startBusy, &finishedMark,
                          &closeNormal, &closeHover, &closeBusy}) {
    slot->Release();
  }
}

SceneImages LoadSceneImages() {
  SceneImages images;
  images.startNormal = LoadPngResource(133);
  images.startHover = LoadPngResource(134);
  images.startBusy = LoadPngResource(135);
  images.finishedMark = LoadPngResource(139);
  images.closeHover = LoadPngResource(130);
  images.closeNormal = LoadPngResource(131);
  images.closeBusy = LoadPngResource(140);
  images.background = LoadPngResource(132);
  return images;
}

namespace {

void FillBoxWith(cairo_t *cr, const Box &box, Rgb colour) {
  if (box.width <= 0 || box.height <= 0) return;
  cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
  cairo_rectangle(cr, box.x, box.y, box.width, box.height);
  cairo_fill(cr);
}

void DrawImageInRect(cairo_t *cr, const ImageSlot &image, const Rect &rect) {
  DrawImagePart(cr, image, {rect.left, rect.top, rect.Width(), rect.Height()},
                {0, 0, image.width, image.height});
}

}  // namespace

void DrawImagePart(cairo_t *cr, const ImageSlot &image, const Box &destination, const Box &source) {
  if (!image.Loaded() || destination.width <= 0 || destination.height <= 0 || source.width <= 0 ||
      source.height <= 0 || source.x < 0 || source.y < 0 || source.x + source.width > image.width ||
      source.y + source.height > image.height) {
    return;
  }
  // A sub-surface with padded edges: stretching never pulls in pixels from
  // outside the source part.
  cairo_surface_t *part =
      cairo_surface_create_for_rectangle(image.image.get(), source.x, source.y, source.width, source.height);
  cairo_save(cr);
  cairo_rectangle(cr, destination.x, destination.y, destination.width, destination.height);
  cairo_clip(cr);
  cairo_translate(cr, destination.x, destination.y);
  cairo_scale(cr, static_cast<double>(destination.width) / source.width,
              static_cast<double>(destination.height) / source.height);
  cairo_set_source_surface(cr, part, 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(part);
}

void DrawNineSlice(cairo_t *cr, const ImageSlot &image, const Rect &rect) {
  if (!image.Loaded()) return;
  for (const NineSlicePart &part : NineSliceParts(image.width, image.height, rect)) {
    DrawImagePart(cr, image, part.destination, part.source);
  }
}

void DrawScene(cairo_t *cr, int w, int h, const SceneImages &images, const SceneState &state,
               const SceneFont &font, SceneGeometry &geometry) {
  cairo_save(cr);
  // Nothing shows through where the background is missing.
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

  if (images.background.Loaded()) DrawImageInRect(cr, images.background, {0, 0, w, h});

  if (images.startNormal.Loaded()) {
    geometry.buttonRect = StartControlRect(w);
    const ImageSlot &face = state.busy          ? images.startBusy
                            : state.buttonHover ? images.startHover
                                                : images.startNormal;
    DrawNineSlice(cr, face, geometry.buttonRect);
  }

  if (images.closeNormal.Loaded() && images.closeHover.Loaded()) {
    geometry.closeRect = CloseControlRect(w, images.closeNormal.width, images.closeNormal.height);
    const ImageSlot &face = state.busy         ? images.closeBusy
                            : state.closeHover ? images.closeHover
                                               : images.closeNormal;
    DrawImageInRect(cr, face, geometry.closeRect);
  }

  FillBoxWith(cr, TrackBox(w), colours::kTrack);
  if (state.progress > 0) FillBoxWith(cr, FillBox(w, state.shownProgress), colours::kFill);

  DrawCenteredText(cr, font, state.statusTextEn, StatusLineEnRect(w), colours::kText);
  DrawCenteredText(cr, font, state.statusTextCn, StatusLineCnRect(w), colours::kText);

  if (state.finished) {
    if (images.finishedMark.Loaded() && !geometry.buttonRect.Empty()) {
      const Box mark = FinishedMarkBox(geometry.buttonRect, images.finishedMark.width,
                                       images.finishedMark.height);
      DrawImagePart(cr, images.finishedMark, mark, {0, 0, mark.width, mark.height});
    }
  } else {
    const Rgb caption = state.busy ? colours::kBusyCaption : colours::kText;
    DrawCenteredText(cr, font, state.buttonTextEn, CaptionEnRect(geometry.buttonRect), caption);
    DrawCenteredText(cr, font, state.buttonTextCn, CaptionCnRect(geometry.buttonRect), caption);
  }
  cairo_restore(cr);
}

SurfacePtr RenderScene(int w, int h, const SceneImages &images, const SceneState &state,
                       const SceneFont &font, SceneGeometry &geometry) {
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w > 0 ? w : 1, h > 0 ? h : 1));
  cairo_t *cr = cairo_create(surface.get());
  DrawScene(cr, w, h, images, state, font, geometry);
  cairo_destroy(cr);
  cairo_surface_flush(surface.get());
  return surface;
}

}  // namespace kvn::app
