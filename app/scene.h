// DrawScene: the whole window, every pixel, from the images, the workflow's
// fields and the hover flags. Pure cairo; the window draws it off-screen and
// copies it to the screen in one step.
#pragma once

#include <cairo.h>

#include <string>

#include "image_slot.h"
#include "scene_geometry.h"
#include "scene_text.h"

namespace kvn::app {

// The eight images of the window (resource ids in brackets).
struct SceneImages {
  ImageSlot background;     // 132
  ImageSlot startNormal;    // 133
  ImageSlot startHover;     // 134
  ImageSlot startBusy;      // 135
  ImageSlot finishedMark;   // 139
  ImageSlot closeNormal;    // 131
  ImageSlot closeHover;     // 130
  ImageSlot closeBusy;      // 140

  void ReleaseAll();
};

// LoadImages' order: 133, 134, 135, 139, 130, 131, 140, 132.
SceneImages LoadSceneImages();

struct SceneState {
  std::string statusTextCn, statusTextEn;
  std::string buttonTextCn = "开始升级", buttonTextEn = "Start";
  bool busy = false;
  bool finished = false;
  bool buttonHover = false;
  bool closeHover = false;
  int progress = 0;
  int shownProgress = 0;
};

// The control rectangles that the last drawing laid out; empty until then,
// and empty for a control whose images are missing.
struct SceneGeometry {
  Rect buttonRect;
  Rect closeRect;
};

namespace colours {
inline constexpr Rgb kTrack{230 / 255.0, 230 / 255.0, 230 / 255.0};
inline constexpr Rgb kFill{0, 180 / 255.0, 0};
inline constexpr Rgb kText{1, 1, 1};
inline constexpr Rgb kBusyCaption{128 / 255.0, 128 / 255.0, 128 / 255.0};
}  // namespace colours

// Draws part of image (source box) stretched into the destination box.
void DrawImagePart(cairo_t *cr, const ImageSlot &image, const Box &destination, const Box &source);
void DrawNineSlice(cairo_t *cr, const ImageSlot &image, const Rect &rect);
void DrawScene(cairo_t *cr, int w, int h, const SceneImages &images, const SceneState &state,
               const SceneFont &font, SceneGeometry &geometry);

// DrawScene into a new w x h image surface.
SurfacePtr RenderScene(int w, int h, const SceneImages &images, const SceneState &state,
                       const SceneFont &font, SceneGeometry &geometry);

}  // namespace kvn::app
